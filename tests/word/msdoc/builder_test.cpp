#include "word/msdoc/builder.h"

#include <gtest/gtest.h>

#include "support/scratch_dir.h"
#include "text/unicode.h"
#include "word/msdoc/compound_file.h"
#include "word/msdoc/test_tools.h"

namespace tomeshift::word {
namespace {

using tomeshift::testing::ScratchDir;
using namespace tomeshift::word::testing;

// Heading styles as the writer defines them: outline level and keep-with-next.
void AddHeadingStyles(TDocBuilder& b) {
  auto& st = b.styles();
  for (std::uint16_t n = 1; n <= 9; ++n) {
    st[n].used = true;
    st[n].name = u"heading " + std::u16string(1, static_cast<char16_t>(u'0' + n));
    st[n].sti = n;
    st[n].base = 0;
    TGrpprl p;
    p.Add8(sprm::kPOutLvl, static_cast<std::uint8_t>(n - 1));
    st[n].papx = p.bytes();
    TGrpprl c;
    c.Add8(sprm::kCFBold, 1);
    st[n].chpx = c.bytes();
  }
}

// Two sections, a header and a footer with a page number restarting at 1, a bookmarked heading and a
// page reference to it: what every converted help file has.
std::string SmallDocument() {
  TDocBuilder b;
  b.title = u"Builder sample";
  AddHeadingStyles(b);
  TGrpprl none, spec;
  spec.Add8(sprm::kCFSpec, 1);
  const auto fspec = b.Chpx(spec);
  const auto normal = b.Papx(0, none);
  b.AppendText(u"Cover page", 0);
  b.EndParagraph(u'\x0C', 0, normal);
  TGrpprl sep;
  sep.Add16(sprm::kSXaPage, 11906);
  sep.Add16(sprm::kSYaPage, 16838);
  b.EndSection(sep, {});
  const auto start = b.Cp();
  b.AppendText(u"Installing", 0);
  b.AddBookmark(u"Bookmark1", start, b.Cp());
  b.EndParagraph(u'\r', 0, b.Papx(1, none));
  b.AppendText(u"Steps \u0448\u0430\u0433\u0438 on page ", 0);
  b.FieldBegin(flt::kPageRef, fspec);
  b.AppendText(u" PAGEREF Bookmark1 \\h ", 0);
  b.FieldSeparator(fspec);
  b.AppendText(u"1", 0);
  b.FieldEnd(fspec, false);
  b.EndParagraph(u'\r', 0, normal);
  const auto header = b.BeginHeaderStory();
  b.AppendText(u"Running title", 0);
  b.EndParagraph(u'\r', 0, normal);
  b.EndHeaderStory();
  const auto footer = b.BeginHeaderStory();
  b.FieldBegin(flt::kPage, fspec);
  b.AppendText(u" PAGE ", 0);
  b.FieldSeparator(fspec);
  b.AppendText(u"1", 0);
  b.FieldEnd(fspec, false);
  b.EndParagraph(u'\r', 0, normal);
  b.EndHeaderStory();
  TGrpprl last = sep;
  last.Add8(sprm::kSFPgnRestart, 1);
  last.Add16(sprm::kSPgnStart97, 1);
  b.FinalSection(last, {-1, header, -1, footer, -1, -1});
  return b.Build();
}

TEST(DocBuilder, OutsideReadersOpenASmallDocument) {
  ScratchDir dir;
  const auto doc = dir.Write("small.doc", SmallDocument());

  const auto anti = RunCommand("antiword -m UTF-8.txt " + Quote(doc));
  EXPECT_EQ(anti.status, 0);
  EXPECT_NE(anti.out.find("Installing"), std::string::npos) << anti.out;
  EXPECT_NE(anti.out.find("Steps \xD1\x88\xD0\xB0\xD0\xB3\xD0\xB8 on page 1"), std::string::npos) << anti.out;
  const auto cat = RunCommand("catdoc -d utf-8 " + Quote(doc));
  EXPECT_NE(cat.out.find("Cover page"), std::string::npos) << cat.out;
  EXPECT_NE(cat.out.find("Running title"), std::string::npos) << cat.out;
  const auto wv = RunCommand("wvText " + Quote(doc) + " " + Quote(dir.path() / "wv.txt"));
  EXPECT_NE(dir.Read("wv.txt").find("Installing"), std::string::npos);

  const auto pdf = LibreOfficeConvert({doc}, "pdf", dir.path());
  ASSERT_FALSE(pdf[0].empty());
  EXPECT_EQ(PdfPages(pdf[0]), 2);
  EXPECT_NE(RunCommand("pdfinfo " + Quote(pdf[0])).out.find("Builder sample"), std::string::npos);
  const auto page2 = RunCommand("pdftotext -f 2 -l 2 " + Quote(pdf[0]) + " -").out;
  EXPECT_NE(page2.find("Running title"), std::string::npos) << page2;
  // The footer's page number restarts at 1 in the second section.
  EXPECT_NE(page2.find("\n1\n"), std::string::npos) << page2;

  const auto docx = LibreOfficeConvert({doc}, "docx", dir.path());
  ASSERT_FALSE(docx[0].empty());
  const std::string xml = ZipEntry(docx[0], "word/document.xml");
  EXPECT_NE(xml.find("w:name=\"Bookmark1\""), std::string::npos);
  EXPECT_NE(xml.find("PAGEREF Bookmark1"), std::string::npos);
  EXPECT_NE(xml.find("<w:pStyle w:val=\"Heading1\"/>"), std::string::npos);
}

// Thousands of paragraphs with changing properties fill many FKPs of both kinds; a mistake in paging
// shows as lost or reordered text or a reader refusing the file.
TEST(DocBuilder, ManyFormattedParagraphsSpanManyPagesInOrder) {
  TDocBuilder b;
  AddHeadingStyles(b);
  std::string expected;
  for (int i = 0; i < 6000; ++i) {
    TGrpprl c, p;
    if (i % 3 == 0) c.Add8(sprm::kCFBold, 1);
    if (i % 5 == 0) c.Add16(sprm::kCHps, static_cast<std::uint16_t>(20 + i % 7 * 2));
    p.Add16(sprm::kPDyaAfter, static_cast<std::uint16_t>(i % 11 * 20));
    const std::string word = "para" + std::to_string(i);
    b.AppendText(U16(word), b.Chpx(c));
    b.AppendText(u" tail", 0);
    b.EndParagraph(u'\r', 0, b.Papx(static_cast<std::uint16_t>(i % 10 == 0 ? 1 + i % 9 : 0), p));
    expected += word + " tail\n";
  }
  ScratchDir dir;
  const auto doc = dir.Write("many.doc", b.Build());
  const auto anti = RunCommand("antiword -w 0 " + Quote(doc));
  EXPECT_EQ(anti.status, 0);
  std::string compact;
  for (const auto& w : Words(anti.out)) compact += w + (w == "tail" ? "\n" : " ");
  EXPECT_EQ(compact, expected);
}

TEST(DocBuilder, StreamsAndFibDescribeTheText) {
  TCompoundFileReader reader(SmallDocument());
  for (const char16_t* name : {u"WordDocument", u"1Table", u"\x05SummaryInformation",
                               u"\x01"
                               u"CompObj"})
    EXPECT_TRUE(reader.HasStream(name));
  const std::string word = reader.ReadStream(u"WordDocument");
  ASSERT_GT(word.size(), 1024u);
  EXPECT_EQ(static_cast<unsigned char>(word[0]), 0xEC);
  EXPECT_EQ(static_cast<unsigned char>(word[1]), 0xA5);
  // The text sits at 0x400, in UTF-16 since it has Cyrillic letters.
  EXPECT_EQ(word.substr(0x400, 10), std::string("C\0o\0v\0e\0r\0", 10));

  // Text that code page 1252 holds takes one byte a character, and readers still find it.
  TDocBuilder latin;
  latin.AppendText(u"Caf\u00E9 \u201Cquoted\u201D", 0);
  latin.EndParagraph(u'\r', 0, 0);
  const std::string bytes = latin.Build();
  EXPECT_EQ(TCompoundFileReader(bytes).ReadStream(u"WordDocument").substr(0x400, 14), "Caf\xE9 \x93quoted\x94\r");
  ScratchDir dir;
  const auto doc = dir.Write("latin.doc", bytes);
  EXPECT_NE(RunCommand("antiword -m UTF-8.txt " + Quote(doc)).out.find("Caf\xC3\xA9 \xE2\x80\x9Cquoted\xE2\x80\x9D"),
            std::string::npos);
}

}  // namespace
}  // namespace tomeshift::word
