#include "word/sample_document.h"

#include <cmath>
#include <fstream>

#include "text/unicode.h"
#include "word/image/image_info.h"
#include "word/model/story_builder.h"
#include "word/word_test_util.h"

namespace tomeshift::word::testing {

namespace {

std::u16string N(int n) { return U16(std::to_string(n)); }

void FillTopicPage(DocModel& page, int topic, int topics, const std::filesystem::path& picture) {
  StoryBuilder b(page, page.main);
  b.Text(u"This is the body of topic " + N(topic) +
         u". It explains one thing in a few sentences, so that the text wraps "
         u"over more than one line and the layout has something to do. ");
  RunProps bold;
  bold.bold = 1;
  b.Text(u"Bold words", bold);
  b.Text(u" and ");
  RunProps italic;
  italic.italic = 1;
  italic.color = 0xC00000;
  b.Text(u"red italic words", italic);
  b.Text(u" follow.");
  b.EndParagraph();
  int target = (topic * 7) % topics + 1;
  b.Text(u"See also ");
  b.BeginHyperlink({}, u"Bookmark" + N(target));
  RunProps link;
  link.color = 0x0563C1;
  link.underline = 1;
  b.Text(u"topic " + N(target), link);
  b.EndHyperlink();
  if (target % 17 != 0) {  // topics 17 and 34 are web addresses without a page
    b.Text(u" and ");
    b.BeginHyperlink({}, u"Bookmark" + N(target) + u"_sec-2.1");
    b.Text(u"its second section", link);
    b.EndHyperlink();
  }
  b.Text(u".");
  b.EndParagraph();
  if (topic % 10 == 3) {
    Picture p;
    p.linked = true;
    p.link_path = U16(picture.string());
    std::ifstream in(picture, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), {});
    auto info = ReadImageInfo(bytes);
    p.format = info->format;
    p.pixel_width = info->width;
    p.pixel_height = info->height;
    p.natural_width = p.width = info->WidthPoints();
    p.natural_height = p.height = info->HeightPoints();
    if (topic % 20 == 13) p.width /= 2;  // scaled 50 % wide, 100 % high
    b.AddPicture(p);
    b.EndParagraph();
  }
  if (topic % 10 == 5) {
    Table t;
    t.cell_padding = 60;
    for (int r = 0; r < 3; ++r) {
      TableRow row;
      row.header = r == 0;
      for (int c = 0; c < 3; ++c) {
        if (r == 2 && c == 2) break;
        TableCell cell;
        StoryBuilder cb(page, cell.story);
        cb.Text(r == 0 ? u"Column " + N(c + 1) : u"Cell " + N(r) + u"." + N(c + 1), r == 0 ? bold : RunProps{});
        cb.Finish();
        if (r == 0) cell.shading = 0xDDEEFF;
        if (r == 1 && c == 2) cell.row_span = 2;
        row.cells.push_back(std::move(cell));
      }
      t.rows.push_back(std::move(row));
    }
    b.AddTable(std::move(t));
  }
  b.BeginBookmark(u"Bookmark" + N(topic) + u"_sec-2.1");
  b.Text(u"Second section of topic " + N(topic) + u".");
  b.EndBookmark(u"Bookmark" + N(topic) + u"_sec-2.1");
  b.EndParagraph();
}

}  // namespace

void BuildSample(Application& app, Document& doc, const std::filesystem::path& picture_dir, const SampleOptions& o) {
  std::filesystem::create_directories(picture_dir);
  auto picture = picture_dir / "wide.png";
  {
    std::ofstream out(picture, std::ios::binary);
    out << MakePng(900, 300, 0x2F8F5B);
  }
  const std::u16string title = u"Sample Help";
  PageSetup ps = doc.GetPageSetup();
  ps.SetPaperSize(7);
  ps.SetTopMargin(71);
  ps.SetBottomMargin(71);
  ps.SetLeftMargin(86);
  ps.SetRightMargin(86);
  double text_width = std::round(ps.PageWidth() - ps.LeftMargin() - ps.RightMargin());
  doc.GetPageSetup().GetLineNumbering().SetActive(false);
  doc.GetWebOptions().SetAllowPNG(true);
  doc.GetWebOptions().SetTargetBrowser(4);
  doc.GetBookmarks().SetShowHidden(true);
  for (int n = 1; n <= 9; ++n) {
    Font f = doc.GetStyles().Item(-1 - n).GetFont();
    f.SetName(u"Calibri");
    f.SetSize(27 - 2 * (n - 1) > 11 ? 27 - 2 * (n - 1) : 11);
    f.SetColor(n == 1 ? 0x800000 : 0);
    f.SetBold(n <= 2);
    f.SetItalic(false);
    f.SetUnderline(n == 1);
  }
  for (int i = 1; i <= doc.GetStyles().Count(); ++i)
    if (doc.GetStyles().Item(i).Type() == 1) doc.GetStyles().Item(i).LinkToListTemplate(nullptr);

  Range r = doc.Content();
  if (o.cover) {
    r.SetStyle(-1);
    for (int i = 0; i < 6; ++i) r.InsertParagraphAfter();
    r.Collapse(0);
    r.InsertAfter(title);
    r.GetFont().SetSize(36);
    r.GetParagraphFormat().SetAlignment(1);
    r.Collapse(0);
    r.InsertParagraphAfter();
    r.InsertParagraphAfter();
    r.Collapse(0);
    r.InsertParagraphAfter();
    r.GetParagraphFormat().SetAlignment(0);
    r.Collapse(0);
    r.InsertBreak(2);
  }
  if (o.toc) {
    r.Collapse(0);
    r.InsertAfter(u"Table of Contents");
    r.GetFont().SetSize(28);
    r.GetParagraphFormat().SetAlignment(0);
    r.InsertParagraphAfter();
    r.Collapse(0);
    TocAddArgs a;
    a.Range = r;
    a.RightAlignPageNumbers = true;
    a.UseHeadingStyles = true;
    a.UpperHeadingLevel = 1;
    a.LowerHeadingLevel = 3;
    a.IncludePageNumbers = true;
    a.UseHyperlinks = true;
    a.HidePageNumbersInWeb = true;
    a.UseOutlineLevels = true;
    r = doc.GetTablesOfContents().Add(a).GetRange();
    r.Collapse(0);
    r.InsertBreak(2);
  }
  int chapter = 0, section = 0, sub = 0;
  for (int j = 0; j < o.topics; ++j) {
    int level = j % 6 == 0 ? 0 : (j % 3 == 0 ? 1 : 2);
    if (j % 6 == 0) ++chapter, section = 0, sub = 0;
    if (level == 1) ++section, sub = 0;
    if (level == 2) ++sub;
    std::u16string number =
        N(chapter) + (level >= 1 || section ? u"." + N(section) : u"") + (level == 2 ? u"." + N(sub) : u"");
    int s = o.start_new_page;
    bool due = (s == 1 && level == 0) || s == 2 || (s > 2 && level < s - 1);
    if (due && j > 0) {
      r.Collapse(0);
      r.InsertParagraphAfter();
      r.Collapse(0);
      r.InsertBreak(2);
    }
    r.Collapse(0);
    r.SetStyle(-level - 2);
    r.InsertAfter(number + u" Topic " + N(j + 1));
    r.SetStyle(-level - 2);
    r = doc.GetBookmarks().Add(u"Bookmark" + N(j + 1), r).GetRange();
    r.Collapse(0);
    r.InsertParagraphAfter();
    r.Collapse(0);
    if (j % 17 == 16) {
      r.Collapse(0);
      r.SetStyle(-1);
      r = doc.GetHyperlinks().Add(r, u"http://example.com/", {}, {}, u"http://example.com/").GetRange();
      r.Collapse(0);
      r.InsertParagraphAfter();
      continue;
    }
    Document& page = app.GetDocuments().Add();
    FillTopicPage(page.model(), j + 1, o.topics, picture);
    Range c = page.Content();
    if (c.End() > c.Start()) {
      c.Copy();
      r.Collapse(0);
      r.SetStyle(-1);
      r.Paste();
    }
    page.Close(0);
  }
  // Pictures: embed and fit to the text width.
  InlineShapes shapes = doc.GetInlineShapes();
  for (int i = 1; i <= shapes.Count(); ++i) {
    InlineShape s = doc.GetInlineShapes().Item(i);
    if (s.Type() != 4) continue;
    s.GetLinkFormat().SetSavePictureWithDocument(true);
    s.SetLockAspectRatio(false);
    if (s.ScaleHeight() == 100 && s.ScaleWidth() != 100)
      s.SetScaleHeight(s.ScaleWidth());
    else if (s.ScaleWidth() == 100 && s.ScaleHeight() != 100)
      s.SetScaleWidth(s.ScaleHeight());
    s.SetLockAspectRatio(true);
    if (s.Width() > text_width) s.SetWidth(text_width);
    s.GetLinkFormat().BreakLink();
  }
  int mark = o.cover ? 2 : 1;
  HeaderFooter footer = doc.GetSections().Item(mark).Footers().Item(1);
  footer.SetLinkToPrevious(false);
  footer.GetPageNumbers().SetRestartNumberingAtSection(true);
  footer.GetPageNumbers().SetStartingNumber(1);
  footer.GetPageNumbers().Add(1, true);
  HeaderFooter header = doc.GetSections().Item(mark).Headers().Item(1);
  header.SetLinkToPrevious(false);
  header.GetRange().InsertAfter(title);
  header.GetRange().GetParagraphs().SetAlignment(1);
  if (o.toc) doc.GetTablesOfContents().Item(1).Update();
}

}  // namespace tomeshift::word::testing
