#include "word/msdoc/writer.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <set>

#include "platform/errors.h"
#include "support/docx_reader.h"
#include "support/scratch_dir.h"
#include "text/unicode.h"
#include "word/automation/word_application.h"
#include "word/docx/docx_packager.h"
#include "word/model/story_builder.h"
#include "word/msdoc/compound_file.h"
#include "word/msdoc/test_tools.h"
#include "word/sample_document.h"
#include "word/word_test_util.h"

namespace tomeshift::word {
namespace {

using tomeshift::testing::DocxReader;
using tomeshift::testing::ReadBinaryFile;
using tomeshift::testing::ScratchDir;
using namespace tomeshift::word::testing;

// The sample converted-help-file document saved both ways through the automation objects.
struct SavedPair {
  std::filesystem::path docx, doc;
};

SavedPair SaveSampleBothWays(const ScratchDir& dir, const std::string& name, const SampleOptions& o) {
  Application app;
  Document& doc = app.GetDocuments().Add();
  BuildSample(app, doc, dir.path() / ("pics-" + name), o);
  SavedPair p{dir.path() / (name + ".docx"), dir.path() / (name + ".doc")};
  doc.SaveAs(U16(p.docx.string()), 12, false);
  TDocWriter::Save(doc.model(), U16(p.doc.string()));
  doc.Close(0);
  app.Quit(false);
  return p;
}

std::string DocxBodyText(const std::filesystem::path& docx) {
  DocxReader reader(docx);
  std::string text;
  for (const auto& p : reader.Paragraphs()) text += p.text + "\n";
  return text;
}

std::multiset<std::string> Names(const std::vector<std::string>& v) { return {v.begin(), v.end()}; }

// The converter's kind of document: cover, contents, headings on three levels with bookmarks, page
// bodies with internal links, tables and pictures, header and footer. LibreOffice must lay it out
// like the .docx, the text readers must find its text, and a round trip back to .docx must keep
// its structure.
TEST(DocWriter, SampleDocumentReadsLikeItsDocxTwin) {
  ScratchDir dir;
  SampleOptions o;
  o.topics = 40;
  const SavedPair saved = SaveSampleBothWays(dir, "sample", o);

  const std::string expected = DocxBodyText(saved.docx);
  const auto anti = RunCommand("antiword -w 0 -m UTF-8.txt " + Quote(saved.doc));
  EXPECT_EQ(anti.status, 0);
  EXPECT_GE(Recall(expected, anti.out), 0.98);
  const auto cat = RunCommand("catdoc -w -d utf-8 " + Quote(saved.doc));
  EXPECT_GE(Recall(expected, cat.out), 0.98);
  // wvText without a text browser installed writes rough HTML-ish text: it must parse the file, and
  // find most of it.
  EXPECT_EQ(RunCommand("wvText " + Quote(saved.doc) + " " + Quote(dir.path() / "wv.txt")).status, 0);
  EXPECT_GE(Recall(expected, dir.Read("wv.txt")), 0.8);

  std::filesystem::create_directories(dir.path() / "pdf");
  const auto pdfs = LibreOfficeConvert({saved.docx, saved.doc}, "pdf", dir.path() / "pdf");
  ASSERT_FALSE(pdfs[0].empty());
  ASSERT_FALSE(pdfs[1].empty()) << "LibreOffice did not convert the .doc";
  const int docx_pages = PdfPages(pdfs[0]), doc_pages = PdfPages(pdfs[1]);
  EXPECT_NEAR(doc_pages, docx_pages, std::max(1.0, docx_pages * 0.1)) << docx_pages << " vs " << doc_pages;
  // The contents caption is as large in both (LibreOffice reads the paragraph right before a contents
  // field of a .doc without its character formatting).
  auto caption_height = [](const std::filesystem::path& pdf) {
    const std::string box = RunCommand("pdftotext -bbox -f 2 -l 2 " + Quote(pdf) + " - | grep -m1 '>Table<'").out;
    const auto number = [&](const char* name) {
      const std::size_t at = box.find(name);
      return at == std::string::npos ? 0.0 : std::atof(box.c_str() + at + std::strlen(name) + 2);
    };
    return number("yMax") - number("yMin");
  };
  EXPECT_GT(caption_height(pdfs[0]), 25);
  EXPECT_NEAR(caption_height(pdfs[1]), caption_height(pdfs[0]), 1);

  std::filesystem::create_directories(dir.path() / "back");
  const auto back = LibreOfficeConvert({saved.doc}, "docx", dir.path() / "back");
  ASSERT_FALSE(back[0].empty());
  DocxReader original(saved.docx), round(back[0]);
  auto headings = [](const DocxReader& r) {
    std::vector<std::pair<int, std::string>> out;
    for (const auto& h : r.Headings()) out.push_back({h.level, h.text});
    return out;
  };
  EXPECT_EQ(headings(round), headings(original));
  // Every bookmark and every internal link of the original survives (LibreOffice adds its own).
  auto has_all = [](const std::multiset<std::string>& have, const std::multiset<std::string>& want) {
    return std::includes(have.begin(), have.end(), want.begin(), want.end());
  };
  std::multiset<std::string> want_bookmarks;
  for (const auto& b : original.Bookmarks()) {
    if (b.rfind("_Toc", 0) != 0) want_bookmarks.insert(b);
  }
  const auto round_bookmarks = Names(round.Bookmarks());
  std::set<std::string> missing;
  for (const auto& b : want_bookmarks) {
    if (!round_bookmarks.count(b)) missing.insert(b);
  }
  // Names the binary format cannot hold are renamed consistently; all others are kept.
  for (const auto& m : missing) EXPECT_TRUE(m.find('-') != std::string::npos || m.find('.') != std::string::npos) << m;
  EXPECT_GE(round.Bookmarks().size(), want_bookmarks.size());
  const std::string round_xml = round.Part("word/document.xml");
  std::size_t links = 0;
  for (std::size_t at = 0; (at = round_xml.find("HYPERLINK \\l", at)) != std::string::npos; ++at) ++links;
  links += round.InternalLinks().size();
  EXPECT_GE(links, original.InternalLinks().size());
  EXPECT_EQ(round.Pictures().size(), original.Pictures().size());
  auto count = [](const std::string& xml, const std::string& what) {
    std::size_t n = 0;
    for (std::size_t at = 0; (at = xml.find(what, at)) != std::string::npos; ++at) ++n;
    return n;
  };
  EXPECT_EQ(count(round_xml, "<w:tbl>"), count(original.Part("word/document.xml"), "<w:tbl>"));
  (void)has_all;
}

// Content that no help file should have but some will: a paragraph of a million characters, tens of
// thousands of paragraphs, tables nested deeper than the format allows, a row wider than its cell
// limit, a picture larger than the format's goal size, bookmark names the format cannot hold.
TEST(DocWriter, HostileContentStillGivesAValidFile) {
  Application app;
  Document& doc = app.GetDocuments().Add();
  DocModel& m = doc.model();
  {
    StoryBuilder b(m, m.main);
    b.Text(std::u16string(1000000, u'x'));
    b.EndParagraph();
    for (int i = 0; i < 50000; ++i) {
      b.Text(u"p" + U16(std::to_string(i)));
      b.EndParagraph();
    }
    // Nesting 20 deep.
    Table inner;
    {
      TableRow row;
      TableCell cell;
      StoryBuilder cb(m, cell.story);
      cb.Text(u"deepest");
      cb.Finish();
      row.cells.push_back(std::move(cell));
      inner.rows.push_back(std::move(row));
    }
    for (int d = 0; d < 19; ++d) {
      Table outer;
      TableRow row;
      TableCell cell;
      {
        StoryBuilder cb(m, cell.story);
        cb.Text(u"level " + U16(std::to_string(d)));
        cb.AddTable(std::move(inner));
        cb.Finish();
      }
      row.cells.push_back(std::move(cell));
      outer.rows.push_back(std::move(row));
      inner = std::move(outer);
    }
    b.AddTable(std::move(inner));
    Table wide;
    TableRow row;
    for (int c = 0; c < 100; ++c) {
      TableCell cell;
      StoryBuilder cb(m, cell.story);
      cb.Text(u"c" + U16(std::to_string(c)));
      cb.Finish();
      row.cells.push_back(std::move(cell));
    }
    wide.rows.push_back(std::move(row));
    b.AddTable(std::move(wide));
    Picture big;
    big.bytes = MakePng(4000, 3000);
    big.format = "png";
    big.width = 5000;
    big.height = 3750;
    b.AddPicture(big);
    b.EndParagraph();
    b.BeginBookmark(u"Bookmark1_a name that is much too long for the format, and has spaces");
    b.Text(u"target");
    b.EndBookmark(u"Bookmark1_a name that is much too long for the format, and has spaces");
    b.EndParagraph();
    b.Finish();
  }
  ScratchDir dir;
  const auto path = dir.path() / "hostile.doc";
  TDocWriter::Save(m, U16(path.string()));
  doc.Close(0);

  // LibreOffice needs many minutes to lay out a million-character paragraph: the file's validity is
  // judged by the text readers here, and by LibreOffice in the benchmark's smaller hostile document.
  const auto anti = RunCommand("antiword -w 0 " + Quote(path));
  EXPECT_EQ(anti.status, 0);
  for (const char* word : {"p0", "p49999", "deepest", "level 0", "c0", "c99", "target"})
    EXPECT_NE(anti.out.find(word), std::string::npos) << word;
  const auto cat = RunCommand("catdoc -w " + Quote(path));
  EXPECT_NE(cat.out.find("p49999"), std::string::npos);
  EXPECT_NE(cat.out.find("deepest"), std::string::npos);
}

// Pictures linked to a file without their bytes: a field naming the file, alone and inside a link,
// that LibreOffice reads as a linked picture; the text around them stays whole.
TEST(DocWriter, LinkedPicturesNameTheirFile) {
  ScratchDir dir;
  const auto png = dir.Write("pic one.png", MakePng(40, 30));
  Application app;
  Document& doc = app.GetDocuments().Add();
  DocModel& m = doc.model();
  {
    StoryBuilder b(m, m.main);
    Picture linked;
    linked.linked = true;
    linked.link_path = U16(png.string());
    linked.format = "png";
    linked.width = 30;
    linked.height = 22.5;
    b.Text(u"before ");
    b.AddPicture(linked);
    b.Text(u" after");
    b.EndParagraph();
    b.BeginHyperlink(u"", u"Target");
    b.Text(u"link ");
    b.AddPicture(linked);
    b.EndHyperlink();
    b.Text(u" tail");
    b.EndParagraph();
    b.BeginBookmark(u"Target");
    b.Text(u"target");
    b.EndBookmark(u"Target");
    b.Finish();
  }
  const auto path = dir.path() / "linked.doc";
  TDocWriter::Save(m, U16(path.string()));
  doc.Close(0);

  const auto anti = RunCommand("antiword -w 0 " + Quote(path));
  EXPECT_EQ(anti.status, 0);
  for (const char* text : {"before", "after", "link", "tail", "target"})
    EXPECT_NE(anti.out.find(text), std::string::npos) << text << "\n" << anti.out;
  const auto cat = RunCommand("catdoc -w " + Quote(path));
  EXPECT_NE(cat.out.find("INCLUDEPICTURE \"" + png.string() + "\""), std::string::npos) << cat.out;

  std::filesystem::create_directories(dir.path() / "back");
  const auto back = LibreOfficeConvert({path}, "docx", dir.path() / "back");
  ASSERT_FALSE(back[0].empty());
  DocxReader round(back[0]);
  const auto pictures = round.Pictures();
  ASSERT_EQ(pictures.size(), 2u);
  for (const auto& p : pictures) EXPECT_NE(p.link_target.find("pic%20one.png"), std::string::npos) << p.link_target;
  EXPECT_EQ(round.InternalLinks(), std::vector<std::string>{"Target"});
}

// A horizontal rule, and a table that rules only under its header row as a style sheet draws it: both
// formats must give LibreOffice those lines and no other.
TEST(DocWriter, CellLinesAsTheModelDrawsThemInBothFormats) {
  DocModel m;
  Table t;
  t.border_size = 0;
  for (int r = 0; r < 2; ++r) {
    TableRow row;
    for (int c = 0; c < 2; ++c) {
      TableCell cell;
      StoryBuilder cb(m, cell.story);
      cb.Text(u"cell");
      cb.Finish();
      cell.width = 2000;
      cell.borders = std::array<BorderLine, 4>{};
      (*cell.borders)[r == 0 ? 2 : 0] = BorderLine{12, 0xFF0000};
      row.cells.push_back(std::move(cell));
    }
    t.rows.push_back(std::move(row));
  }
  {
    StoryBuilder b(m, m.main);
    ParaProps rule;  // a horizontal rule above the table
    rule.border_bottom = 6;
    rule.border_bottom_color = 0x808080;
    b.EndParagraph(rule);
    b.AddTable(std::move(t));
    b.Finish();
  }
  ScratchDir dir;
  const auto doc = dir.path() / "lines.doc", docx = dir.path() / "lines.docx";
  TDocWriter::Save(m, U16(doc.string()));
  DocxPackager::Save(m, U16(docx.string()));
  for (const auto& [file, folder] : {std::pair{doc, "from-doc"}, std::pair{docx, "from-docx"}}) {
    SCOPED_TRACE(file.string());
    std::filesystem::create_directories(dir.path() / folder);
    const auto back = LibreOfficeConvert({file}, "docx", dir.path() / folder);
    ASSERT_FALSE(back[0].empty());
    const auto xml = DocxReader(back[0]).Xml("word/document.xml");
    const auto rules = xml.All("w:pBdr");
    ASSERT_EQ(rules.size(), 1u);
    ASSERT_NE(rules[0]->Child("w:bottom"), nullptr);
    EXPECT_EQ(rules[0]->Child("w:bottom")->Attr("w:sz"), "6");
    const auto cells = xml.All("w:tc");
    ASSERT_EQ(cells.size(), 4u);
    auto side = [](const tomeshift::testing::XmlNode* tc, const char* name) {
      const auto* pr = tc->Child("w:tcPr");
      const auto* borders = pr ? pr->Child("w:tcBorders") : nullptr;
      const auto* line = borders ? borders->Child(name) : nullptr;
      return line && line->Attr("w:val") != "nil" && line->Attr("w:val") != "none" ? line->Attr("w:sz") : std::string();
    };
    for (const auto* tc : cells) {
      EXPECT_EQ(side(tc, "w:left"), "");
      EXPECT_EQ(side(tc, "w:right"), "");
    }
    EXPECT_EQ(side(cells[0], "w:top"), "");
    EXPECT_EQ(side(cells[1], "w:bottom"), "12");
    EXPECT_EQ(side(cells[2], "w:top"), "12");
    EXPECT_EQ(side(cells[3], "w:bottom"), "");
  }
}

TEST(DocWriter, SavingIsAtomicAndReportsTheTarget) {
  Application app;
  Document& doc = app.GetDocuments().Add();
  {
    StoryBuilder b(doc.model(), doc.model().main);
    b.Text(u"Hello");
    b.Finish();
  }
  ScratchDir dir;
  const auto existing = dir.Write("keep.doc", "old content");
  // A target in a missing folder fails with the path, and leaves nothing behind.
  try {
    TDocWriter::Save(doc.model(), U16((dir.path() / "missing" / "x.doc").string()));
    FAIL() << "saving into a missing folder must fail";
  } catch (const FileError& e) {
    EXPECT_NE(std::string(e.what()).find("x.doc"), std::string::npos);
  }
  // A folder named like the target is not replaced.
  std::filesystem::create_directories(dir.path() / "folder.doc");
  EXPECT_THROW(TDocWriter::Save(doc.model(), U16((dir.path() / "folder.doc").string())), FileError);
  const mode_t old_mask = ::umask(022);
  TDocWriter::Save(doc.model(), U16(existing.string()));
  ::umask(old_mask);
  EXPECT_NO_THROW(TCompoundFileReader(ReadBinaryFile(existing)));
  std::size_t files = 0;
  for (const auto& e : std::filesystem::directory_iterator(dir.path())) files += e.is_regular_file();
  EXPECT_EQ(files, 1u) << "a temporary file was left behind";
  // Written with the usual permissions, not those of a private scratch file.
  const auto perms = std::filesystem::status(existing).permissions();
  EXPECT_NE(perms & std::filesystem::perms::group_read, std::filesystem::perms::none);
  doc.Close(0);
}

}  // namespace
}  // namespace tomeshift::word
