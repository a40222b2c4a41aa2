// Lists, tables, links, bookmarks and pictures of imported pages.
#include <gtest/gtest.h>

#include "html_import_test_util.h"
#include "platform/file_system.h"
#include "support/memory_file_system.h"
#include "word/model/bookmark_names.h"

namespace tomeshift::word {
namespace {

using testing::ImportSnippet;
using testing::Paragraphs;
using testing::Texts;
using V = std::vector<std::string>;

TEST(HtmlImportListTest, NestedListsAreRealNumbering) {
  DocModel doc = ImportSnippet(
      "<ol start=3 type=a><li>one</li><li>two<ul><li>in</li><li>in2<ol><li>deep</li></ol></li></ul>tail</li></ol>"
      "<ul style='list-style-type:square'><li>sq</li></ul><ol><li "
      "style='list-style-type:none'>plain</li><li></li></ol>");
  auto ps = Paragraphs(doc, doc.main);
  ASSERT_EQ(Texts(doc, doc.main), (V{"one", "two", "in", "in2", "deep", "tail", "sq", "plain", ""}));
  const ListDef& outer = doc.lists[static_cast<std::size_t>(ps[0].props.num_id - 1)];
  EXPECT_EQ(outer.levels[0].format, "lowerLetter");
  EXPECT_EQ(outer.levels[0].start, 3);
  EXPECT_EQ(ps[0].props.num_id, ps[1].props.num_id);
  EXPECT_EQ(ps[0].props.num_level, 0);
  // The nested bullet list has its own definition at level 1, with the browsers' circle bullet.
  ASSERT_NE(ps[2].props.num_id, 0);
  EXPECT_NE(ps[2].props.num_id, ps[0].props.num_id);
  EXPECT_EQ(ps[2].props.num_level, 1);
  const ListDef& inner = doc.lists[static_cast<std::size_t>(ps[2].props.num_id - 1)];
  EXPECT_EQ(inner.levels[1].format, "bullet");
  EXPECT_EQ(U8(inner.levels[1].text), "o");
  EXPECT_EQ(ps[4].props.num_level, 2);
  EXPECT_EQ(doc.lists[static_cast<std::size_t>(ps[4].props.num_id - 1)].levels[2].format, "decimal");
  EXPECT_GT(ps[2].props.indent_left.value_or(0), ps[0].props.indent_left.value_or(0));
  // Text after a nested list continues the item without a second number.
  EXPECT_EQ(ps[5].props.num_id, 0);
  EXPECT_EQ(ps[5].props.indent_left, ps[1].props.indent_left);
  EXPECT_EQ(U8(doc.lists[static_cast<std::size_t>(ps[6].props.num_id - 1)].levels[0].text), "\xE2\x96\xAA");
  EXPECT_EQ(ps[7].props.num_id, 0);
  EXPECT_NE(ps[8].props.num_id, 0);  // an empty item keeps its number
}

TEST(HtmlImportListTest, MarkerStandsOnTheFirstLineOfTheItemsFirstBlock) {
  DocModel doc = ImportSnippet(
      "<ol><li><p>one</p><p>more</p></li><li><div><a name='x'></a><p></p><p>two</p></div></li>"
      "<li value=7>seven</li><li><p>eight</p></li></ol>"
      "<ul><li><ul><li>inner</li></ul></li><li><table><tr><td>cell</td></tr></table></li></ul>");
  auto ps = Paragraphs(doc, doc.main);
  ASSERT_EQ(Texts(doc, doc.main), (V{"one", "more", "two", "seven", "eight", "", "inner", "", "[table 0]", ""}));
  EXPECT_NE(ps[0].props.num_id, 0);
  EXPECT_LT(ps[0].props.indent_first.value_or(0), 0);  // the marker hangs in the list's padding
  // Further blocks of the item line up with its text, without a marker.
  EXPECT_EQ(ps[1].props.num_id, 0);
  EXPECT_EQ(ps[1].props.indent_left, ps[0].props.indent_left);
  EXPECT_EQ(ps[1].props.indent_first.value_or(0), 0);
  // Blocks inside blocks pass the marker on; an empty one hands it back.
  EXPECT_EQ(ps[2].props.num_id, ps[0].props.num_id);
  // value renumbers the item and those after it.
  ASSERT_NE(ps[3].props.num_id, ps[0].props.num_id);
  EXPECT_EQ(doc.lists[static_cast<std::size_t>(ps[3].props.num_id - 1)].levels[0].start, 7);
  EXPECT_EQ(ps[4].props.num_id, ps[3].props.num_id);
  // A nested list or a table cannot carry the marker: it gets its own line above them.
  EXPECT_NE(ps[5].props.num_id, 0);
  EXPECT_EQ(ps[5].props.num_level, 0);
  EXPECT_EQ(ps[6].props.num_level, 1);
  EXPECT_NE(ps[7].props.num_id, 0);
  EXPECT_EQ(ps[8].props.num_id, 0);
}

TEST(HtmlImportListTest, DefinitionListsIndentDescriptions) {
  DocModel doc = ImportSnippet("<dl><dt>term</dt><dd>text</dd></dl>");
  auto ps = Paragraphs(doc, doc.main);
  ASSERT_EQ(ps.size(), 2u);
  EXPECT_EQ(ps[0].props.indent_left.value_or(0), 0);
  EXPECT_EQ(ps[1].props.indent_left, 600);
}

const Table& TableAt(const DocModel& doc, const std::string& paragraph_text) {
  std::size_t id = std::stoul(paragraph_text.substr(7));
  return doc.tables.at(id);
}

TEST(HtmlImportTableTest, RowsCellsSpansAndHeaders) {
  DocModel doc = ImportSnippet(R"(<table border=1 cellpadding=4 width="50%">
      <caption>Cap</caption>
      <thead><tr><th>H1</th><th>H2</th><th>H3</th></tr></thead>
      <tr><td rowspan=2 bgcolor=#ff0000>R</td><td colspan=2 width=100>C</td></tr>
      <tr><td valign=top>a</td><td style="background:#00f">b<p>two</p></td></tr>
      <tr><td colspan=0>all</td><td rowspan=9>x</td></tr>
    </table>after)");
  auto texts = Texts(doc, doc.main);
  ASSERT_EQ(texts.size(), 3u);
  EXPECT_EQ(texts[0], "Cap");
  EXPECT_EQ(texts[2], "after");
  const Table& t = TableAt(doc, texts[1]);
  EXPECT_EQ(t.width, -2500);
  EXPECT_EQ(t.border_size, 6);
  EXPECT_EQ(t.cell_padding, 60);
  ASSERT_EQ(t.rows.size(), 4u);
  EXPECT_TRUE(t.rows[0].header);
  EXPECT_FALSE(t.rows[1].header);
  ASSERT_EQ(t.rows[0].cells.size(), 3u);
  EXPECT_EQ(Texts(doc, t.rows[0].cells[1].story), V{"H2"});
  EXPECT_EQ(t.rows[0].cells[0].story.size(), 3u);  // "H1" and its paragraph mark
  const TableCell& r = t.rows[1].cells[0];
  EXPECT_EQ(r.row_span, 2);
  EXPECT_EQ(r.shading, 0xFF0000);
  EXPECT_EQ(t.rows[1].cells[1].col_span, 2);
  EXPECT_EQ(t.rows[1].cells[1].width, 1500);
  ASSERT_EQ(t.rows[2].cells.size(), 2u);  // the first column is covered from above
  EXPECT_EQ(t.rows[2].cells[0].valign, 0);
  EXPECT_EQ(t.rows[2].cells[1].valign, 1);
  EXPECT_EQ(t.rows[2].cells[1].shading, 0x0000FF);
  EXPECT_EQ(Texts(doc, t.rows[2].cells[1].story), (V{"b", "two"}));
  EXPECT_EQ(t.rows[3].cells[1].row_span, 1);  // spans stop at the last row
  auto th = Paragraphs(doc, t.rows[0].cells[0].story);
  EXPECT_EQ(th[0].runs[0].bold, 1);
  EXPECT_EQ(th[0].props.alignment, 1);
}

TEST(HtmlImportTableTest, NestedTablesBordersFromCssAndNoBorders) {
  DocModel doc = ImportSnippet(R"(<table><tr><td>out<table style="border-collapse:collapse">
      <tr><td style="border:2pt solid #808080; padding:3pt">in</td></tr></table></td></tr></table>)");
  auto texts = Texts(doc, doc.main);
  ASSERT_EQ(texts.size(), 2u);
  const Table& outer = TableAt(doc, texts[0]);
  EXPECT_EQ(outer.border_size, 0);
  auto cell = Texts(doc, outer.rows[0].cells[0].story);
  ASSERT_EQ(cell.size(), 3u);
  EXPECT_EQ(cell[0], "out");
  const Table& inner = TableAt(doc, cell[1]);
  EXPECT_EQ(inner.border_size, 16);
  EXPECT_EQ(inner.border_color, 0x808080);
  EXPECT_EQ(inner.cell_padding, 60);
  EXPECT_EQ(Texts(doc, inner.rows[0].cells[0].story), V{"in"});
}

TEST(HtmlImportLinkTest, HyperlinksAndBookmarks) {
  DocModel doc = ImportSnippet(
      "<p><a name='top'></a>Go <a href='#Bookmark12_sec-2.1'>there</a> or "
      "<a href='http://example.com/a%20b?x=1#frag'>web</a> <a href='javascript:void(0)'>js</a></p>"
      "<h2 id='sec'>Sec</h2><p id='top'>dup</p><a href='other.htm#x'><b>b</b>c</a>");
  auto texts = Texts(doc, doc.main);
  ASSERT_EQ(texts.size(), 4u);
  EXPECT_EQ(texts[0], "Go {#" + U8(MapBookmarkName(u"Bookmark12_sec-2.1")) +
                          "|there} or {http://example.com/a%20b?x=1#frag|web} js");
  EXPECT_EQ(texts[3], "{other.htm#x|bc}");
  const Bookmark* top = doc.main.FindBookmark(u"top");
  ASSERT_NE(top, nullptr);
  EXPECT_EQ(top->start, 0u);
  EXPECT_EQ(top->end, 0u);
  const Bookmark* sec = doc.main.FindBookmark(u"sec");
  ASSERT_NE(sec, nullptr);
  EXPECT_EQ(doc.main.text().substr(sec->start, 3), u"Sec");
  EXPECT_EQ(doc.main.bookmarks().size(), 2u);  // the second "top" loses
}

TEST(HtmlImportLinkTest, LinksDoNotSpanParagraphs) {
  DocModel doc = ImportSnippet("<a href='#x'>one<p>two</p>three</a>");
  EXPECT_EQ(Texts(doc, doc.main), (V{"{#x|one}", "{#x|two}", "{#x|three}"}));
}

// Pages below folder may read only from it, as from the folder a help file was extracted to.
struct ScratchFolderGuard {
  explicit ScratchFolderGuard(std::u16string f) : folder(std::move(f)) { AddScratchFolder(folder); }
  ~ScratchFolderGuard() { RemoveScratchFolder(folder); }
  std::u16string folder;
};

std::string PngHeader(int width, int height) {
  std::string b("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR", 16);
  for (int v : {width, height}) {
    for (int shift = 24; shift >= 0; shift -= 8) b.push_back(static_cast<char>((v >> shift) & 0xFF));
  }
  b += std::string("\x08\x06\0\0\0\0\0\0\0", 9);
  b += std::string("\0\0\0\0IEND\xae\x42\x60\x82", 12);
  return b;
}

TEST(HtmlImportPictureTest, InlineFloatingSizedAndMissing) {
  tomeshift::testing::MemoryFileSystem fs;
  ScopedFileSystem guard(fs);
  // As extracted from a help file: "../pages/" climbs to its top folder and back.
  const ScratchFolderGuard scratch(u"/help");
  fs.AddFile(u"/help/pages/img/shot.png", PngHeader(200, 100));
  fs.AddFile(u"/help/pages/logo.PNG", PngHeader(64, 64));
  std::vector<HtmlImportWarning> warnings;
  DocModel doc = ImportSnippet(
      "<p><img src='IMG/Shot.png'> <img src='img/shot.png' width=100> <img src='logo.png' style='height:24px'>"
      "<img src='logo.png' align=right><img src='none.gif' alt='x'><span style='float:left'><img src='logo.png' "
      "style='float:left'></span>"
      "<img src='../pages/img/shot.png' width='50%'></p>",
      &warnings, u"/help/pages/topic.htm");
  ASSERT_EQ(doc.pictures.size(), 6u);
  const Picture& natural = doc.pictures[0];
  EXPECT_TRUE(natural.linked);
  EXPECT_FALSE(natural.floating);
  EXPECT_DOUBLE_EQ(natural.width, 150);
  EXPECT_DOUBLE_EQ(natural.height, 75);
  EXPECT_DOUBLE_EQ(natural.natural_width, 150);
  EXPECT_EQ(fs.NativePath(natural.link_path), fs.NativePath(u"/help/pages/img/shot.png"));
  EXPECT_DOUBLE_EQ(doc.pictures[1].width, 75);
  EXPECT_DOUBLE_EQ(doc.pictures[1].height, 37.5);
  EXPECT_DOUBLE_EQ(doc.pictures[2].height, 18);
  EXPECT_DOUBLE_EQ(doc.pictures[2].width, 18);
  EXPECT_TRUE(doc.pictures[3].floating);
  EXPECT_EQ(doc.pictures[3].float_align, 2);
  EXPECT_TRUE(doc.pictures[4].floating);
  EXPECT_EQ(doc.pictures[4].float_align, 0);
  EXPECT_NEAR(doc.pictures[5].width,
              doc.final_section.page.width / 20.0 / 2 - doc.final_section.page.left / 40.0 -
                  doc.final_section.page.right / 40.0,
              0.01);
  ASSERT_EQ(warnings.size(), 1u);
  EXPECT_EQ(warnings[0].page, u"/help/pages/topic.htm");
  EXPECT_NE(warnings[0].message.find(u"none.gif"), std::u16string::npos);
  EXPECT_EQ(Texts(doc, doc.main), V{"[pic 0] [pic 1] [pic 2][pic 3][pic 4][pic 5]"});
}

TEST(HtmlImportStyleSheetTest, LinkedAndImportedSheetsThroughTheFileSystem) {
  tomeshift::testing::MemoryFileSystem fs;
  ScopedFileSystem guard(fs);
  const ScratchFolderGuard scratch(u"/help");
  fs.AddFile(u"/help/css/main.css", "@import 'base.css'; p { color: #00ff00 }");
  fs.AddFile(u"/help/css/base.css", "p { color: red; font-weight: bold }");
  std::vector<HtmlImportWarning> warnings;
  DocModel doc = ImportSnippet(
      "<link rel=stylesheet href='../css/Main.css'><link rel='stylesheet' href='gone.css'>"
      "<link rel='alternate stylesheet' href='../css/base.css'><p>x</p>",
      &warnings, u"/help/pages/p.htm");
  auto ps = Paragraphs(doc, doc.main);
  ASSERT_EQ(ps.size(), 1u);
  EXPECT_EQ(ps[0].runs[0].color, 0x00FF00);
  EXPECT_EQ(ps[0].runs[0].bold, 1);
  ASSERT_EQ(warnings.size(), 1u);
  EXPECT_NE(warnings[0].message.find(u"gone.css"), std::u16string::npos);
}

}  // namespace
}  // namespace tomeshift::word

namespace tomeshift::word {
namespace {

TEST(HtmlImportTableTest, ColumnsSizedByContentAsBrowsersDo) {
  std::string long_text(400, 'x');
  for (std::size_t i = 5; i < long_text.size(); i += 6) long_text[i] = ' ';
  const std::string unbreakable(200, 'x');
  DocModel doc =
      ImportSnippet("<table><tr><td>float</td><td>" + long_text +
                    "</td></tr></table>"
                    "<table><tr><td>a</td><td>b</td></tr></table>"
                    "<table width=600><tr><td width=100>a</td><td>b</td></tr></table>"
                    "<table><tr><td>Предыдущая</td><td>" +
                    long_text + "</td><td>XMLPUBFUN</td></tr></table><table><tr><td>Следующая</td><td>" + unbreakable +
                    "</td></tr></table>"
                    "<table width=1300><tr><td>a</td><td nowrap>one two three four</td></tr></table>"
                    "<table><tr><td>" +
                    long_text + "</td><td><ul><li>Следующая</li></ul></td></tr></table>");
  auto texts = testing::Texts(doc, doc.main);
  const int page_text = doc.final_section.page.width - doc.final_section.page.left - doc.final_section.page.right;
  const Table& wide = TableAt(doc, texts[0]);
  ASSERT_EQ(wide.column_widths.size(), 2u);
  EXPECT_LT(wide.column_widths[0], 1000);  // "float" and its padding
  EXPECT_GT(wide.column_widths[0], 470);   // never narrower than the word (22 pt in Times) and the padding
  EXPECT_NEAR(wide.column_widths[0] + wide.column_widths[1], page_text, 2);  // long text fills the line
  const Table& narrow = TableAt(doc, texts[1]);
  EXPECT_LT(narrow.width, 1000);  // a small table stays small
  const Table& fixed = TableAt(doc, texts[2]);
  EXPECT_EQ(fixed.width, 9000);
  EXPECT_EQ(fixed.column_widths[0], 1500);
  EXPECT_EQ(fixed.column_widths[1], 7500);
  // Words wider per letter than the average (Cyrillic, capitals) keep their width beside long text.
  const Table& words = TableAt(doc, texts[3]);
  EXPECT_GT(words.column_widths[0], 10 * 0.58 * 0.92 * 240 + 30);
  EXPECT_GT(words.column_widths[2], (0.722 * 3 + 0.667 * 2 + 0.556 + 0.722 * 3) * 240 + 30);
  // Too wide even at its words: the widest column gives way, the narrow one keeps its word.
  const Table& squeezed = TableAt(doc, texts[4]);
  EXPECT_GT(squeezed.column_widths[0], 9 * 0.58 * 0.92 * 240 + 30);
  EXPECT_NEAR(squeezed.column_widths[0] + squeezed.column_widths[1], page_text, 2);
  // A table wider than the page is narrowed to it; a nowrap cell keeps its line whole.
  const Table& pixels = TableAt(doc, texts[5]);
  EXPECT_EQ(pixels.width, page_text);
  EXPECT_GT(pixels.column_widths[1], 18 * 0.5 * 0.92 * 240);
  // A list's indent in a cell comes on top of its words.
  EXPECT_GT(TableAt(doc, texts[6]).column_widths[1], 600 + 9 * 0.58 * 0.92 * 240 + 30);
}

TEST(HtmlImportTableTest, BordersOnlyWhereMarkupOrStyleDrawsThem) {
  DocModel doc = ImportSnippet(R"(<table border=1 rules=rows frame=void><tr><td>a</td><td>b</td></tr>
      <tr><td>c</td><td>d</td></tr></table>
    <table border=1 style="border:0; border-collapse:collapse"><tr><th style="border:0; border-bottom:1px solid #aaa">h</th></tr>
      <tr><td style="border:0">v</td></tr></table>
    <table style="border-collapse:collapse"><thead style="border-bottom:2px solid red"><tr><th>h</th><th>i</th></tr></thead>
      <tbody><tr style="border-top:1px solid blue"><td>v</td><td>w</td></tr></tbody></table>
    <table frame=box><tr><td>x</td></tr></table><table><tr><td>y</td></tr></table>)");
  auto texts = Texts(doc, doc.main);
  ASSERT_EQ(texts.size(), 6u);
  const BorderLine none, thin{6, 0x808080};
  using Sides = std::array<BorderLine, 4>;  // top, left, bottom, right
  // rules=rows, frame=void: lines between the rows only.
  const Table& rows = TableAt(doc, texts[0]);
  EXPECT_EQ(rows.border_size, 0);
  EXPECT_EQ(rows.rows[0].cells[0].borders, (Sides{none, none, thin, none}));
  EXPECT_EQ(rows.rows[1].cells[1].borders, (Sides{thin, none, none, none}));
  // The style sheet takes back what the border attribute drew: a rule under the header alone.
  const Table& ruled = TableAt(doc, texts[1]);
  const BorderLine rule{6, 0xAAAAAA};
  EXPECT_EQ(ruled.rows[0].cells[0].borders, (Sides{none, none, rule, none}));
  EXPECT_EQ(ruled.rows[1].cells[0].borders, (Sides{rule, none, none, none}));
  // Collapsed: the lines of row groups and rows, the wider winning on a shared edge.
  const Table& groups = TableAt(doc, texts[2]);
  const BorderLine red{12, 0xFF0000};  // 2px
  EXPECT_EQ(groups.rows[0].cells[1].borders, (Sides{none, none, red, none}));
  EXPECT_EQ(groups.rows[1].cells[0].borders, (Sides{red, none, none, none}));
  // Lines all alike stay one line for the grid; none at all, none.
  EXPECT_EQ(TableAt(doc, texts[3]).border_size, 6);
  EXPECT_FALSE(TableAt(doc, texts[3]).rows[0].cells[0].borders.has_value());
  EXPECT_EQ(TableAt(doc, texts[4]).border_size, 0);
}

}  // namespace
}  // namespace tomeshift::word
