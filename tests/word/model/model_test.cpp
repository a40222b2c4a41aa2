// The model's helpers: bookmark names, picture headers, paper sizes, copying between documents.
#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "support/scratch_dir.h"
#include "text/text_utils.h"
#include "text/unicode.h"
#include "word/automation/paper_sizes.h"
#include "word/automation/word_application.h"
#include "word/image/image_info.h"
#include "word/model/bookmark_names.h"
#include "word/model/page_estimator.h"
#include "word/model/story_builder.h"
#include "word/model/table_grid.h"
#include "word/model/word_error.h"
#include "word/word_test_util.h"

namespace tomeshift::word {
namespace {

using testing::Visible;

TEST(BookmarkNameTest, ValidNamesStayAndOthersMapAlikeAndApart) {
  EXPECT_EQ(MapBookmarkName(u"Bookmark12"), u"Bookmark12");
  std::set<std::u16string> seen;
  for (const char16_t* raw :
       {u"Bookmark12_sec-2.1", u"Bookmark12_sec_2_1", u"Bookmark12_sec-2-1", u"12abc", u"_x", u"",
        u"Bookmark12_\u00e9t\u00e9", u"Bookmark12_a_very_long_anchor_name_that_goes_past_forty_characters",
        u"Bookmark12_a_very_long_anchor_name_that_goes_past_forty_characterz"}) {
    std::u16string m = MapBookmarkName(raw);
    EXPECT_TRUE(IsValidBookmarkName(m)) << U8(raw) << " -> " << U8(m);
    EXPECT_TRUE(seen.insert(m).second) << U8(raw) << " collides as " << U8(m);
    EXPECT_EQ(MapBookmarkName(raw), m);  // deterministic
  }
  // Bookmark names ignore letter case, so links spelled differently reach the same bookmark.
  EXPECT_TRUE(AsciiEqualsNoCase(MapBookmarkName(u"Bookmark12_Sec-2.1"), MapBookmarkName(u"bookmark12_sec-2.1")));
}

TEST(BookmarkNameTest, BuilderMapsBookmarksAndLinksTheSameWay) {
  DocModel page;
  StoryBuilder b(page, page.main);
  b.BeginHyperlink({}, u"Bookmark3_sec-1");
  b.Text(u"link");
  b.EndHyperlink();
  b.BeginBookmark(u"Bookmark3_sec-1");
  b.Text(u"target");
  b.EndBookmark(u"bookmark3_SEC-1");
  b.Finish();
  ASSERT_EQ(page.main.bookmarks().size(), 1u);
  EXPECT_EQ(page.main.bookmarks()[0].name, page.fields[0].sub_address);
  EXPECT_EQ(Visible(page.main, page.main.bookmarks()[0].start, page.main.bookmarks()[0].end), "target");
}

// Builder scripts: "T<text>" appends text, "P" ends a paragraph, "B<name>"/"E<name>" begin and end a
// bookmark, "F" finishes. Expected: the bookmarks as name@start-end, in the story's order.
struct BuilderBookmarkCase {
  std::vector<std::string> script;
  std::vector<std::string> expected;
};

TEST(StoryBuilderTest, BookmarksStayWhereTheyWereBegun) {
  const BuilderBookmarkCase cases[] = {
      {{"Ba", "Ea", "Txyz", "F"}, {"a@0-0"}},                     // an empty anchor before the text
      {{"Tab", "Ba", "Ea", "Tcd", "P", "F"}, {"a@2-2"}},          // ... in the middle of a paragraph
      {{"Ba", "Tx", "Ea", "Ty", "F"}, {"a@0-1"}},                 // covering what came between
      {{"Ba", "Bb", "Eb", "Tx", "Ea", "F"}, {"b@0-0", "a@0-1"}},  // an empty one inside another
      {{"Tab", "Ba", "Ea", "F"}, {"a@2-2"}},                      // at the end: before the final mark
      {{"Tab", "P", "Ba", "Ea", "F"}, {"a@2-2"}},                 // nothing after the final mark
      {{"Ba", "Ea", "BA", "Tx", "EA", "F"}, {"a@0-0"}},           // the first of two equal names wins
      {{"Ba", "Ea", "P", "Bb", "Eb", "Tx", "P", "F"}, {"a@0-0", "b@1-1"}},
  };
  for (const auto& c : cases) {
    DocModel doc;
    StoryBuilder b(doc, doc.main);
    std::string trace;
    for (const std::string& step : c.script) {
      trace += step + " ";
      const std::u16string arg = U16(step.substr(1));
      switch (step[0]) {
        case 'T':
          b.Text(arg);
          break;
        case 'P':
          b.EndParagraph();
          break;
        case 'B':
          b.BeginBookmark(arg);
          break;
        case 'E':
          b.EndBookmark(arg);
          break;
        case 'F':
          b.Finish();
          break;
      }
    }
    std::vector<std::string> got;
    for (const auto& bm : doc.main.bookmarks())
      got.push_back(U8(bm.name) + "@" + std::to_string(bm.start) + "-" + std::to_string(bm.end));
    EXPECT_EQ(got, c.expected) << trace;
  }
}

struct ImageCase {
  const char* name;
  std::string bytes;
  const char* format;
  int width, height;
};

std::string Le16(int v) { return std::string{static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF)}; }
std::string Le32(int v) { return Le16(v & 0xFFFF) + Le16((v >> 16) & 0xFFFF); }

TEST(ImageInfoTest, ReadsSizesFromHeaders) {
  std::string gif = "GIF89a" + Le16(33) + Le16(17) + std::string(8, '\0');
  std::string bmp = "BM" + Le32(0) + Le32(0) + Le32(54) + Le32(40) + Le32(120) + Le32(-80) + Le16(1) + Le16(24) +
                    Le32(0) + Le32(0) + Le32(3780) + Le32(3780);
  std::string jpeg = std::string("\xFF\xD8\xFF\xE0\x00\x10JFIF\x00\x01\x01\x01\x00\x48\x00\x48\x00\x00", 20) +
                     std::string("\xFF\xC0\x00\x11\x08\x00\x64\x00\xC8\x03", 10) + std::string(16, '\0');
  std::string ico = Le16(0) + Le16(1) + Le16(2) + std::string("\x10\x10\0\0", 4) + Le32(0) + Le32(0) + Le32(0) +
                    std::string("\x30\x20\0\0", 4) + Le32(0) + Le32(0) + Le32(0);
  ImageCase cases[] = {
      {"png", testing::MakePng(40, 20), "png", 40, 20},
      {"gif", gif, "gif", 33, 17},
      {"bmp top-down", bmp, "bmp", 120, 80},
      {"jpeg", jpeg, "jpeg", 200, 100},
      {"ico largest entry", ico, "ico", 48, 32},
  };
  for (const auto& c : cases) {
    auto info = ReadImageInfo(c.bytes);
    ASSERT_TRUE(info) << c.name;
    EXPECT_EQ(info->format, c.format) << c.name;
    EXPECT_EQ(info->width, c.width) << c.name;
    EXPECT_EQ(info->height, c.height) << c.name;
  }
  // 3780 pixels per metre is 96 dpi: 120 px are 90 pt.
  EXPECT_NEAR(ReadImageInfo(bmp)->WidthPoints(), 90.0, 0.1);
  for (std::string bad : {std::string(), std::string("GIF89a"), std::string("\x89PNG\r\n\x1a\n", 8),
                          std::string("not a picture"), "GIF89a" + Le16(0) + Le16(5) + std::string(8, '\0')})
    EXPECT_FALSE(ReadImageInfo(bad)) << bad.size();
}

TEST(ImageInfoTest, IconBecomesPng) {
  // A 2 x 2, 32-bit icon: its DIB is stored bottom-up with an AND mask.
  std::string dib =
      Le32(40) + Le32(2) + Le32(4) + Le16(1) + Le16(32) + Le32(0) + Le32(0) + Le32(0) + Le32(0) + Le32(0) + Le32(0);
  for (int i = 0; i < 4; ++i) dib += std::string("\x00\x00\xFF\xFF", 4);  // red, opaque
  dib += std::string(8, '\0');                                            // mask rows
  std::string ico = Le16(0) + Le16(1) + Le16(1) + std::string("\x02\x02\0\0", 4) + Le16(1) + Le16(32) +
                    Le32(static_cast<int>(dib.size())) + Le32(22) + dib;
  EXPECT_FALSE(WordAcceptsFormat("ico"));
  auto png = ConvertToPng(ico, "ico");
  ASSERT_TRUE(png);
  auto info = ReadImageInfo(*png);
  ASSERT_TRUE(info);
  EXPECT_EQ(info->format, "png");
  EXPECT_EQ(info->width, 2);
  EXPECT_EQ(info->height, 2);
  EXPECT_FALSE(ConvertToPng(ico.substr(0, 30), "ico"));
}

struct PaperCase {
  int code;
  double width, height;  // points, as the page setup reports them
};

class PaperSizeTest : public ::testing::TestWithParam<PaperCase> {};

TEST_P(PaperSizeTest, ReportsTheRealSize) {
  Application app;
  Document& doc = app.GetDocuments().Add();
  doc.GetPageSetup().SetPaperSize(GetParam().code);
  EXPECT_EQ(doc.GetPageSetup().PaperSize(), GetParam().code);
  EXPECT_NEAR(doc.GetPageSetup().PageWidth(), GetParam().width, 0.05);
  EXPECT_NEAR(doc.GetPageSetup().PageHeight(), GetParam().height, 0.05);
}

INSTANTIATE_TEST_SUITE_P(Papers, PaperSizeTest,
                         ::testing::Values(PaperCase{2, 612, 792}, PaperCase{4, 612, 1008},
                                           PaperCase{6, 841.9, 1190.55}, PaperCase{7, 595.3, 841.9},
                                           PaperCase{11, 515.9, 728.5}, PaperCase{23, 792, 1224}));

TEST(PageSetupTest, CustomSizeAndMarginsFromMillimetres) {
  Application app;
  Document& doc = app.GetDocuments().Add();
  PageSetup ps = doc.GetPageSetup();
  // The caller multiplies millimetres by 2.85 and rounds half to even.
  auto mm = [](int v) { return std::nearbyint(v * 285 / 100.0); };
  ps.SetPaperSize(41);
  ps.SetPageHeight(mm(280));
  ps.SetPageWidth(mm(220));
  ps.SetTopMargin(mm(25));
  ps.SetBottomMargin(mm(25));
  ps.SetLeftMargin(mm(30));
  ps.SetRightMargin(mm(30));
  EXPECT_EQ(ps.PageWidth(), 627);
  EXPECT_EQ(ps.PageHeight(), 798);
  EXPECT_EQ(ps.TopMargin(), 71);
  EXPECT_EQ(ps.LeftMargin(), 86);
  EXPECT_EQ(ps.PaperSize(), 41);
  EXPECT_EQ(ps.PageWidth() - ps.LeftMargin() - ps.RightMargin(), 455);
  EXPECT_THROW(ps.SetPaperSize(99), WordError);
  // Sections made later keep the page setup.
  Range r = doc.Content();
  r.InsertBreak(2);
  EXPECT_EQ(doc.model().sections[0].page.width, 627 * 20);
}

TEST(CopySliceTest, CarriesPicturesTablesListsBookmarksAndStyles) {
  DocModel src;
  StyleDef custom;
  custom.name = u"Code";
  custom.run.font = u"Courier New";
  int code = src.AddStyle(custom);
  src.lists.push_back(ListDef{{ListLevel{}}});
  {
    StoryBuilder b(src, src.main);
    b.BeginBookmark(u"inside");
    b.Text(u"x");
    b.EndBookmark(u"inside");
    Picture p;
    p.bytes = "data";
    b.AddPicture(p);
    ParaProps pp;
    pp.style = code;
    pp.num_id = 1;
    b.EndParagraph(pp);
    Table t;
    t.rows.resize(1);
    t.rows[0].cells.resize(1);
    StoryBuilder cb(src, t.rows[0].cells[0].story);
    Picture inner;
    inner.bytes = "cell";
    cb.AddPicture(inner);
    cb.Finish();
    b.AddTable(std::move(t));
  }
  DocModel dst;
  dst.pictures.resize(3);  // ids differ between documents
  std::size_t n = CopySlice(src, src.main, 0, src.main.size(), dst, dst.main, 0);
  EXPECT_EQ(n, src.main.size());
  EXPECT_EQ(Visible(dst.main), "x▲¶▦¶¶");
  EXPECT_EQ(dst.pictures.at(dst.main.attr(1).obj).bytes, "data");
  const Table& t = dst.tables.at(dst.main.attr(3).obj);
  EXPECT_EQ(dst.pictures.at(t.rows[0].cells[0].story.attr(0).obj).bytes, "cell");
  const ParaProps& pp = dst.para(dst.main.attr(2).fmt);
  EXPECT_EQ(dst.style(pp.style).name, u"Code");
  EXPECT_EQ(dst.style(pp.style).run.font, u"Courier New");
  EXPECT_EQ(pp.num_id, 1);
  EXPECT_EQ(dst.lists.size(), 1u);
  ASSERT_NE(dst.main.FindBookmark(u"inside"), nullptr);
  EXPECT_EQ(dst.main.FindBookmark(u"inside")->end, 1u);
}

TEST(ApplicationTest, OptionsDocumentsAndFormats) {
  Application app;
  EXPECT_EQ(app.Version(), u"16.0");
  EXPECT_EQ(Options::Names().size() + AutoCorrect::Names().size(), 47u);
  app.GetOptions().Set("ContextualSpeller", false);
  EXPECT_FALSE(app.GetOptions().ContextualSpeller);
  EXPECT_TRUE(Application().GetOptions().ContextualSpeller);  // kept per application object
  EXPECT_THROW(app.GetOptions().Get("NoSuchOption"), WordError);
  app.GetAutoCorrect().Set("CorrectDays", false);
  EXPECT_FALSE(app.GetAutoCorrect().CorrectDays);

  tomeshift::testing::ScratchDir dir;
  Document& doc = app.GetDocuments().Add();
  doc.Content().InsertAfter(u"kept");
  doc.SaveAs(U16((dir.path() / "x.doc").string()), 0, false);  // the .doc writer (tests/word/msdoc/writer_test.cpp)
  EXPECT_EQ(dir.Read("x.doc").substr(0, 4), "\xD0\xCF\x11\xE0");
  EXPECT_THROW(app.GetDocuments().Open(U16((dir.path() / "missing.htm").string()), 7, false, true), WordError);
  auto page = dir.Write("page.htm", "<p>x</p>");
  EXPECT_THROW(app.GetDocuments().Open(U16(page.string()), 7, false, true), WordError);  // no importer installed

  // The refresh: save, quit, and base a new document on the saved one.
  std::u16string scratch = U16((dir.path() / "scratch.docx").string());
  doc.SaveAs(scratch, 12, false);
  app.Quit(false);
  EXPECT_THROW(app.GetDocuments(), WordError);
  Application fresh;
  Document& again = fresh.GetDocuments().Add(scratch);
  EXPECT_EQ(Visible(again.model().main), "kept¶");
  EXPECT_THROW(fresh.GetDocuments().Add(U16(page.string())), WordError);
}

TEST(ApplicationTest, OpenUsesTheInstalledImporter) {
  struct Importer : IWebPageImporter {
    void Import(const std::u16string& path, DocModel& doc) override {
      StoryBuilder b(doc, doc.main);
      b.Text(u"imported " + path.substr(path.size() - 8));
    }
  };
  Application app;
  app.SetWebPageImporter(std::make_unique<Importer>());
  tomeshift::testing::ScratchDir dir;
  auto page = dir.Write("page.htm", "<p>x</p>");
  Document& d = app.GetDocuments().Open(U16(page.string()), 7, false, true);
  EXPECT_EQ(Visible(d.model().main), "imported page.htm¶");
  EXPECT_THROW(app.GetDocuments().Open(U16(page.string()), 8, false, true), WordError);
}

TEST(PictureShapeTest, FittingAsTheConverterDoes) {
  Application app;
  Document& doc = app.GetDocuments().Add();
  tomeshift::testing::ScratchDir dir;
  auto file = dir.Write("p.png", testing::MakePng(800, 400));
  {
    StoryBuilder b(doc.model(), doc.model().main);
    Picture p;
    p.linked = true;
    p.link_path = U16(file.string());
    p.natural_width = 600;
    p.natural_height = 300;
    p.width = 300;  // 50 % wide, 100 % high
    p.height = 300;
    b.AddPicture(p);
  }
  InlineShape s = doc.GetInlineShapes().Item(1);
  EXPECT_EQ(s.Type(), 4);
  s.GetLinkFormat().SetSavePictureWithDocument(true);
  s.SetLockAspectRatio(false);
  if (s.ScaleHeight() == 100 && s.ScaleWidth() != 100) s.SetScaleHeight(s.ScaleWidth());
  s.SetLockAspectRatio(true);
  EXPECT_EQ(s.ScaleHeight(), 50);
  EXPECT_EQ(s.ScaleWidth(), 50);
  s.SetWidth(200);
  EXPECT_NEAR(s.Height(), 100, 1e-9);
  s.GetLinkFormat().BreakLink();
  EXPECT_EQ(s.Type(), 3);
  EXPECT_FALSE(doc.model().pictures[0].bytes.empty());
  EXPECT_EQ(doc.GetShapes().Count(), 0);
  EXPECT_THROW(doc.GetInlineShapes().Item(2), WordError);
}

TEST(PageEstimatorTest, BreaksRestartsAndLongText) {
  DocModel doc;
  {
    StoryBuilder b(doc, doc.main);
    b.Text(u"cover");
    b.EndSection(SectionProps{});
    for (int i = 0; i < 200; ++i) {
      b.Text(u"a line of text");
      b.EndParagraph();
    }
  }
  doc.final_section.numbering.restart = true;
  PageEstimator e(doc);
  EXPECT_EQ(e.DisplayedPageAt(0), 1);
  EXPECT_EQ(e.DisplayedPageAt(6), 1);  // restarted after the cover
  int last = e.DisplayedPageAt(doc.main.size() - 1);
  // 200 lines of 11 pt with 8 pt after each fit about 33 to a page of 648 pt.
  EXPECT_GE(last, 5);
  EXPECT_LE(last, 8);
  EXPECT_EQ(e.page_count(), last + 1);
}

// Both writers lay tables out on this grid. A span continues only from the row it starts in: a cell
// three rows tall once gave the .doc writer a doubled cell in its third row and a stray one below.
TEST(TableGridTest, SpansAndColumnWidths) {
  Table t;
  auto cell = [](int cols, int rows, int width) {
    TableCell c;
    c.col_span = cols;
    c.row_span = rows;
    c.width = width;
    return c;
  };
  t.rows.resize(4);
  t.rows[0].cells.push_back(cell(1, 3, 0));
  t.rows[0].cells.push_back(cell(2, 1, 0));
  for (int r = 1; r < 3; ++r) {
    t.rows[static_cast<std::size_t>(r)].cells.push_back(cell(1, 1, 1000));
    t.rows[static_cast<std::size_t>(r)].cells.push_back(cell(1, 1, 0));
  }
  t.rows[3].cells.push_back(cell(3, 1, 0));
  const TableGrid grid(t);
  ASSERT_EQ(grid.columns(), 3);
  const std::vector<std::vector<std::pair<int, bool>>> expected = {
      {{0, false}, {1, false}}, {{0, true}, {1, false}, {2, false}}, {{0, true}, {1, false}, {2, false}}, {{0, false}}};
  ASSERT_EQ(grid.rows().size(), expected.size());
  for (std::size_t r = 0; r < expected.size(); ++r) {
    std::vector<std::pair<int, bool>> slots;
    for (const auto& sl : grid.rows()[r]) slots.push_back({sl.col, sl.continuation});
    EXPECT_EQ(slots, expected[r]) << "row " << r;
  }
  // Column 1 takes its widest single cell; the others share the rest, but not below the minimum.
  EXPECT_EQ(grid.ColumnWidths(9000, 200), (std::vector<int>{4000, 1000, 4000}));
  EXPECT_EQ(grid.ColumnWidths(1100, 200), (std::vector<int>{200, 1000, 200}));
  t.width = -2500;  // half the available width
  EXPECT_EQ(TableGrid(t).ColumnWidths(9000, 200), (std::vector<int>{1750, 1000, 1750}));
}

}  // namespace
}  // namespace tomeshift::word
