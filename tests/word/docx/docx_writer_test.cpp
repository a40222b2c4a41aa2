// The .docx writer: parts compared as XML trees, package structure, atomic saving.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/errors.h"
#include "support/docx_reader.h"
#include "support/scratch_dir.h"
#include "text/unicode.h"
#include "word/docx/docx_packager.h"
#include "word/docx/xml_writer.h"
#include "word/model/bookmark_names.h"
#include "word/model/story_builder.h"
#include "word/word_test_util.h"

namespace tomeshift::word {
namespace {

using tomeshift::testing::DocxReader;
using tomeshift::testing::ParseXml;
using tomeshift::testing::ScratchDir;
using tomeshift::testing::XmlEqual;

constexpr const char* kNs =
    R"( xmlns:w="http://schemas.openxmlformats.org/wordprocessingml/2006/main" xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships" xmlns:wp="http://schemas.openxmlformats.org/drawingml/2006/wordprocessingDrawing" xmlns:a="http://schemas.openxmlformats.org/drawingml/2006/main" xmlns:pic="http://schemas.openxmlformats.org/drawingml/2006/picture")";

void ExpectSameXml(const std::string& actual, const std::string& expected) {
  std::string diff;
  EXPECT_TRUE(XmlEqual(ParseXml(actual), ParseXml(expected), &diff)) << diff << "\nactual:\n" << actual;
}

TEST(XmlWriterTest, EscapesAndDropsForbiddenCharacters) {
  XmlWriter x;
  x.Start("e");
  x.Attr("a", std::u16string_view(u"\"<&>\t"));
  x.Text(std::u16string(u"a\uFFFEb") + char16_t(0xD800) + u"c<&>\x01" + u"\U0001F600");
  EXPECT_EQ(x.TakeString(), "<e a=\"&quot;&lt;&amp;&gt;&#9;\">abc&lt;&amp;&gt;\xF0\x9F\x98\x80</e>");
}

TEST(DocxWriterTest, DocumentPartAsXmlTree) {
  DocModel doc;
  {
    StoryBuilder b(doc, doc.main);
    b.Text(u"Hello ");
    RunProps bold;
    bold.bold = 1;
    b.BeginBookmark(u"Bookmark1_sec-2.1");
    b.Text(u"world", bold);
    b.EndBookmark(u"Bookmark1_sec-2.1");
    ParaProps h1;
    h1.style = doc.StyleByBuiltin(-2);
    b.EndParagraph(h1);
    b.BeginHyperlink({}, u"Bookmark1_sec-2.1");
    b.Text(u"see  it");
    b.EndHyperlink();
    ParaProps centred;
    centred.alignment = 1;
    b.EndParagraph(centred);
  }
  ScratchDir dir;
  auto path = dir.path() / "tree.docx";
  DocxPackager::Save(doc, U16(path.string()));
  DocxReader r(path);
  std::string name = U8(MapBookmarkName(u"Bookmark1_sec-2.1"));
  ExpectSameXml(r.Part("word/document.xml"),
                std::string("<w:document") + kNs + R"(><w:body>
    <w:p><w:pPr><w:pStyle w:val="Heading1"/></w:pPr>
      <w:r><w:t xml:space="preserve">Hello </w:t></w:r>
      <w:bookmarkStart w:id="0" w:name=")" +
                    name + R"("/>
      <w:r><w:rPr><w:b/></w:rPr><w:t>world</w:t></w:r>
      <w:bookmarkEnd w:id="0"/></w:p>
    <w:p><w:pPr><w:jc w:val="center"/></w:pPr>
      <w:hyperlink w:anchor=")" +
                    name + R"(" w:history="1"><w:r><w:t xml:space="preserve">see  it</w:t></w:r></w:hyperlink></w:p>
    <w:sectPr><w:pgSz w:w="11906" w:h="16838"/>
      <w:pgMar w:top="1440" w:right="1440" w:bottom="1440" w:left="1440" w:header="708" w:footer="708" w:gutter="0"/>
      <w:cols w:space="708"/></w:sectPr>
  </w:body></w:document>)");
  EXPECT_EQ(r.PartNames(),
            (std::vector<std::string>{"[Content_Types].xml", "_rels/.rels", "docProps/core.xml", "docProps/app.xml",
                                      "word/document.xml", "word/_rels/document.xml.rels", "word/styles.xml",
                                      "word/settings.xml"}));
  ExpectSameXml(r.Part("_rels/.rels"),
                R"(<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">
    <Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" Target="word/document.xml"/>
    <Relationship Id="rId2" Type="http://schemas.openxmlformats.org/package/2006/relationships/metadata/core-properties" Target="docProps/core.xml"/>
    <Relationship Id="rId3" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/extended-properties" Target="docProps/app.xml"/>
  </Relationships>)");
  // The title falls back to the first line of text.
  EXPECT_EQ(ParseXml(r.Part("docProps/core.xml")).Child("dc:title")->text, "Hello world");
}

TEST(DocxWriterTest, PicturesLinksAndContentTypes) {
  DocModel doc;
  ScratchDir dir;
  auto png = dir.Write("pic.png", testing::MakePng(40, 20));
  {
    StoryBuilder b(doc, doc.main);
    Picture embedded;
    embedded.bytes = testing::MakePng(40, 20);
    embedded.format = "png";
    embedded.width = 30;
    embedded.height = 15;
    b.AddPicture(embedded);
    Picture linked;
    linked.linked = true;
    linked.link_path = U16(png.string());
    linked.width = linked.height = 10;
    linked.floating = true;
    b.AddPicture(linked);
    b.BeginHyperlink(u"http://example.com/a?b&c", {});
    b.Text(u"site");
    b.EndHyperlink();
    b.EndParagraph();
  }
  auto path = dir.path() / "pics.docx";
  DocxPackager::Save(doc, U16(path.string()));
  DocxReader r(path);
  auto pics = r.Pictures();
  ASSERT_EQ(pics.size(), 2u);
  EXPECT_EQ(pics[0].embed_target, "media/image1.png");
  EXPECT_EQ(pics[0].cx, 30 * 12700);
  EXPECT_FALSE(pics[0].floating);
  EXPECT_EQ(pics[1].link_target, "file://" + png.string());
  EXPECT_TRUE(pics[1].floating);
  EXPECT_EQ(r.ExternalLinks(), std::vector<std::string>{"http://example.com/a?b&c"});
  EXPECT_EQ(r.Part("word/media/image1.png"), testing::MakePng(40, 20));
  ExpectSameXml(r.Part("[Content_Types].xml"),
                R"(<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">
    <Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>
    <Default Extension="xml" ContentType="application/xml"/>
    <Default Extension="png" ContentType="image/png"/>
    <Override PartName="/word/document.xml" ContentType="application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml"/>
    <Override PartName="/word/styles.xml" ContentType="application/vnd.openxmlformats-officedocument.wordprocessingml.styles+xml"/>
    <Override PartName="/word/settings.xml" ContentType="application/vnd.openxmlformats-officedocument.wordprocessingml.settings+xml"/>
    <Override PartName="/docProps/core.xml" ContentType="application/vnd.openxmlformats-package.core-properties+xml"/>
    <Override PartName="/docProps/app.xml" ContentType="application/vnd.openxmlformats-officedocument.extended-properties+xml"/>
  </Types>)");
}

TEST(DocxWriterTest, TableGridWithSpans) {
  DocModel doc;
  Table t;
  auto cell = [&](const std::u16string& text, int cols = 1, int rows = 1) {
    TableCell c;
    StoryBuilder b(doc, c.story);
    b.Text(text);
    b.Finish();
    c.col_span = cols;
    c.row_span = rows;
    return c;
  };
  t.rows.resize(3);
  t.rows[0].header = true;
  t.rows[0].cells.push_back(cell(u"wide", 2));
  t.rows[0].cells.push_back(cell(u"tall", 1, 2));
  t.rows[1].cells.push_back(cell(u"a"));
  t.rows[1].cells.push_back(cell(u"b"));
  t.rows[2].cells.push_back(cell(u"c"));
  {
    StoryBuilder b(doc, doc.main);
    b.AddTable(std::move(t));
  }
  ScratchDir dir;
  auto path = dir.path() / "table.docx";
  DocxPackager::Save(doc, U16(path.string()));
  DocxReader r(path);
  auto xml = r.Xml("word/document.xml");
  auto rows = xml.All("w:tr");
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(xml.All("w:gridCol").size(), 3u);
  auto cells = [](const tomeshift::testing::XmlNode* row) { return row->All("w:tc").size(); };
  EXPECT_EQ(cells(rows[0]), 2u);
  EXPECT_EQ(cells(rows[1]), 3u);  // a, b and the continuation of "tall"
  EXPECT_EQ(cells(rows[2]), 3u);  // c and two filler cells
  EXPECT_EQ(rows[0]->All("w:gridSpan").front()->Attr("w:val"), "2");
  EXPECT_EQ(rows[0]->All("w:vMerge").front()->Attr("w:val"), "restart");
  EXPECT_EQ(rows[1]->All("w:vMerge").size(), 1u);
  EXPECT_NE(rows[0]->Child("w:trPr")->Child("w:tblHeader"), nullptr);
  // Every cell ends with a paragraph.
  for (const auto* tc : xml.All("w:tc")) EXPECT_FALSE(tc->children.empty() || tc->children.back().name != "w:p");
}

TEST(DocxWriterTest, ListNumberTakesTheFontOfTheItemsText) {
  DocModel doc;
  doc.lists.push_back(ListDef{{ListLevel{}}});
  {
    StoryBuilder b(doc, doc.main);
    RunProps serif;
    serif.font = u"Georgia";
    serif.size = 26;
    serif.bold = 1;
    b.Text(u"step", serif);
    ParaProps item;
    item.num_id = 1;
    b.EndParagraph(item);
  }
  ScratchDir dir;
  auto path = dir.path() / "list.docx";
  DocxPackager::Save(doc, U16(path.string()));
  const auto xml = DocxReader(path).Xml("word/document.xml");
  const auto* mark = xml.All("w:p").front()->Child("w:pPr")->Child("w:rPr");
  ASSERT_NE(mark, nullptr);
  EXPECT_EQ(mark->Child("w:rFonts")->Attr("w:ascii"), "Georgia");
  EXPECT_EQ(mark->Child("w:sz")->Attr("w:val"), "26");
  EXPECT_EQ(mark->Child("w:b"), nullptr);  // only the font: a bold or linked word leaves the number plain
}

TEST(DocxWriterTest, FailedSaveKeepsTheExistingFileAndNamesIt) {
  ScratchDir dir;
  DocModel doc;
  // A name so long that no temporary name fits beside it.
  std::string name(240, 'x');
  name += ".docx";
  auto target = dir.Write(name, "precious");
  try {
    DocxPackager::Save(doc, U16(target.string()));
    FAIL() << "saving should fail";
  } catch (const FileError& e) {
    EXPECT_EQ(e.path(), target.string());
    EXPECT_FALSE(e.reason().empty());
  }
  EXPECT_EQ(tomeshift::testing::ReadBinaryFile(target), "precious");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);

  auto missing = dir.path() / "no-such-folder" / "a.docx";
  EXPECT_THROW(DocxPackager::Save(doc, U16(missing.string())), FileError);
}

TEST(DocxWriterTest, SavingReplacesAnExistingFile) {
  ScratchDir dir;
  auto target = dir.Write("out.docx", "old");
  DocModel doc;
  DocxPackager::Save(doc, U16(target.string()));
  DocxReader r(target);
  EXPECT_TRUE(r.HasPart("word/document.xml"));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

}  // namespace
}  // namespace tomeshift::word
