// Range semantics for the call sequences the document assembly makes, checked against the word
// processor's documented behaviour.
#include <gtest/gtest.h>

#include "text/unicode.h"
#include "word/automation/engine_clipboard.h"
#include "word/automation/word_application.h"
#include "word/model/story_builder.h"
#include "word/model/word_error.h"
#include "word/word_test_util.h"

namespace tomeshift::word {
namespace {

using testing::Visible;

class RangeTest : public ::testing::Test {
 protected:
  Application app;
  Document& doc = app.GetDocuments().Add();
  Range r = doc.Content();

  std::string Text() { return Visible(doc.model().main); }
  std::string Covered() { return Visible(doc.model().main, r.Start(), r.End()); }
  int StyleAt(std::size_t pos) {
    const Story& s = doc.model().main;
    return doc.model().style(doc.model().para(s.attr(s.BlockEnd(pos)).fmt).style).builtin;
  }
  int AlignmentOfMark(std::size_t mark) { return doc.model().para(doc.model().main.attr(mark).fmt).alignment; }

  void Cover(const std::u16string& title) {
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

  void TocCaption(const std::u16string& caption) {
    r.Collapse(0);
    r.InsertAfter(caption);
    r.GetFont().SetSize(28);
    r.GetParagraphFormat().SetAlignment(0);
    r.InsertParagraphAfter();
    r.Collapse(0);
    TocAddArgs a;
    a.Range = r;
    a.UpperHeadingLevel = 1;
    a.LowerHeadingLevel = 3;
    r = doc.GetTablesOfContents().Add(a).GetRange();
    r.Collapse(0);
    r.InsertBreak(2);
  }

  void Heading(int level, const std::u16string& text, const std::u16string& bookmark) {
    r.Collapse(0);
    r.SetStyle(-level - 2);
    r.InsertAfter(text);
    r.SetStyle(-level - 2);
    r = doc.GetBookmarks().Add(bookmark, r).GetRange();
    r.Collapse(0);
    r.InsertParagraphAfter();
    r.Collapse(0);
  }

  void Body(const std::vector<std::u16string>& paragraphs) {
    Document& page = app.GetDocuments().Add();
    testing::FillPage(page.model(), paragraphs);
    Range c = page.Content();
    c.Copy();
    r.Collapse(0);
    r.SetStyle(-1);
    r.Paste();
    page.Close(0);
  }
};

TEST_F(RangeTest, CoverSequenceLeavesTitleCentredAndRangeOnTheBreak) {
  Cover(u"Guide");
  EXPECT_EQ(Text(), "¶¶¶¶¶¶Guide¶¶¶§¶");
  EXPECT_EQ(Covered(), "§");
  EXPECT_EQ(r.GetFont().Size(), 11);  // the break carries no title formatting
  Range title = doc.GetRange(6, 11);
  EXPECT_EQ(title.GetFont().Size(), 36);
  EXPECT_EQ(title.GetParagraphFormat().Alignment(), 1);
  EXPECT_EQ(AlignmentOfMark(13), 0);  // the paragraph set back to the left
  EXPECT_EQ(AlignmentOfMark(12), 1);
  EXPECT_EQ(doc.GetSections().Count(), 2);
}

TEST_F(RangeTest, InsertAfterGrowsAndCollapseEndStaysBeforeTheFinalMark) {
  r.InsertAfter(u"abc");  // nothing goes after the final mark: the text lands before it
  EXPECT_EQ(Text(), "abc¶");
  EXPECT_EQ(Covered(), "abc¶");
  Range whole = doc.Content();
  whole.Collapse(0);
  EXPECT_EQ(whole.Start(), doc.model().main.size() - 1);
  whole.InsertAfter(u"x");
  EXPECT_EQ(Text(), "abcx¶");
  EXPECT_EQ(Covered(), "abcx¶");  // it held the final mark, so it holds what went before it  // text inserted at a
                                  // range's end by another range stays outside it
}

TEST_F(RangeTest, CollapseAfterParagraphMarkIsStartOfNextParagraph) {
  r.SetText(u"one\rtwo");
  Range p = doc.GetRange(2, 2);
  p.Expand(4);
  EXPECT_EQ(Visible(doc.model().main, p.Start(), p.End()), "one¶");
  p.Collapse(0);
  EXPECT_EQ(doc.model().main.at(p.Start()), u't');
}

TEST_F(RangeTest, TocCaptionThenContentsThenBreak) {
  Cover(u"T");
  TocCaption(u"Contents");
  EXPECT_EQ(Text(), "¶¶¶¶¶¶T¶¶¶§Contents¶{No table of contents entries found.}§¶");
  EXPECT_EQ(Covered(), "§");
  Range caption = doc.GetRange(11, 19);
  EXPECT_EQ(caption.GetFont().Size(), 28);
  EXPECT_EQ(caption.GetParagraphFormat().Alignment(), 0);
  EXPECT_EQ(doc.GetSections().Count(), 3);
}

TEST_F(RangeTest, HeadingIsCoveredExactlyByItsBookmark) {
  Heading(0, u"2.3 Installing", u"Bookmark1");
  EXPECT_EQ(Text(), "2.3 Installing¶¶");
  Range b = doc.GetBookmarks().Item(u"Bookmark1").GetRange();
  EXPECT_EQ(Visible(doc.model().main, b.Start(), b.End()), "2.3 Installing");
  EXPECT_EQ(StyleAt(0), -2);
  EXPECT_EQ(r.Start(), 15u);  // the empty paragraph after the heading
  Heading(1, u"Next", u"Bookmark2");
  EXPECT_EQ(Text(), "2.3 Installing¶Next¶¶");
  EXPECT_EQ(StyleAt(15), -3);
  // The first bookmark did not grow with text inserted after it.
  b = doc.GetBookmarks().Item(u"Bookmark1").GetRange();
  EXPECT_EQ(Visible(doc.model().main, b.Start(), b.End()), "2.3 Installing");
}

TEST_F(RangeTest, PasteCoversThePastedContentAndKeepsStyles) {
  Heading(0, u"Intro", u"Bookmark1");
  Body({u"First", u"Second"});
  EXPECT_EQ(Text(), "Intro¶First¶Second¶¶");
  EXPECT_EQ(Covered(), "First¶Second¶");
  EXPECT_EQ(StyleAt(6), -1);
  Heading(0, u"Next", u"Bookmark2");
  EXPECT_EQ(Text(), "Intro¶First¶Second¶Next¶¶");
  EXPECT_EQ(StyleAt(19), -2);
}

TEST_F(RangeTest, SectionBreakBeforeATopic) {
  Heading(0, u"A", u"Bookmark1");
  Body({u"body"});
  r.Collapse(0);
  r.InsertParagraphAfter();
  r.Collapse(0);
  r.InsertBreak(2);
  Heading(0, u"B", u"Bookmark2");
  EXPECT_EQ(Text(), "A¶body¶¶§B¶¶");
  EXPECT_EQ(doc.GetSections().Count(), 2);
  Range b = doc.GetBookmarks().Item(u"Bookmark2").GetRange();
  EXPECT_EQ(Visible(doc.model().main, b.Start(), b.End()), "B");
}

TEST_F(RangeTest, WebEntryIsAHyperlinkParagraph) {
  Heading(0, u"Site", u"Bookmark1");
  r.Collapse(0);
  r.SetStyle(-1);
  Hyperlink h = doc.GetHyperlinks().Add(r, u"http://example.com/", {}, {}, u"http://example.com/");
  r = h.GetRange();
  r.Collapse(0);
  r.InsertParagraphAfter();
  EXPECT_EQ(Text(), "Site¶{http://example.com/}¶¶");
  EXPECT_EQ(h.TextToDisplay(), u"http://example.com/");
  EXPECT_EQ(h.Address(), u"http://example.com/");
  EXPECT_EQ(doc.GetHyperlinks().Count(), 1);
}

TEST_F(RangeTest, TocUpdateListsHeadingsWithLinksAndPageNumbers) {
  TocCaption(u"Contents");
  Heading(0, u"One", u"Bookmark1");
  Heading(1, u"One.A", u"Bookmark2");
  Heading(3, u"Too deep", u"Bookmark3");
  doc.GetTablesOfContents().Item(1).Update();
  std::string t = Text();
  // The contents fill page 1; the headings follow the section break on page 2.
  EXPECT_NE(t.find("{{One→{2}}¶{One.A→{2}}¶}"), std::string::npos) << t;
  EXPECT_EQ(t.find("Too deep→"), std::string::npos);
  EXPECT_TRUE(doc.GetBookmarks().Exists(u"Bookmark1"));
}

TEST_F(RangeTest, GoToHeadingWalksHeadingsAndStopsAtTheLast) {
  r.SetText(u"intro\rH1\rtext\rH2\rmore");
  doc.GetRange(6, 6).SetStyle(-2);
  doc.GetRange(14, 14).SetStyle(-3);
  Range h = doc.GoTo(11, 1);
  h.Expand(4);
  EXPECT_EQ(Visible(doc.model().main, h.Start(), h.End()), "H1¶");
  EXPECT_EQ(h.GetParagraphFormat().OutlineLevel(), 1);
  Range next = h.GoTo(11, 2);
  EXPECT_EQ(next.Start(), 14u);
  EXPECT_EQ(next.GoTo(11, 2).Start(), 14u);  // no further heading: the position stays
}

TEST_F(RangeTest, GoToWithoutHeadingsStaysAtTheStart) {
  r.SetText(u"plain\rtext");
  Range h = doc.GoTo(11, 1);
  std::size_t start = h.Start();
  h.Expand(4);
  EXPECT_EQ(h.GetParagraphFormat().OutlineLevel(), 10);
  EXPECT_EQ(h.GoTo(11, 2).Start(), start);
}

// A document whose headings also stand in table cells, one of them in a table inside a cell.
//   main: "Intro" [table: cell "Cell heading" / cell [table: cell "Nested heading"], cell "plain"] "Closing heading"
TEST(GoToHeadingTest, ReachesHeadingsInTableCellsInReadingOrder) {
  Application app;
  Document& doc = app.GetDocuments().Add();
  DocModel& m = doc.model();
  const int h2 = m.StyleByBuiltin(-3), h3 = m.StyleByBuiltin(-4);
  auto cell_with = [&](const char16_t* text, int style) {
    TableCell c;
    StoryBuilder b(m, c.story);
    b.Text(text);
    ParaProps p;
    p.style = style;
    b.EndParagraph(p);
    b.Finish();
    return c;
  };
  Table inner;
  inner.rows.resize(1);
  inner.rows[0].cells.push_back(cell_with(u"Nested heading", h3));
  Table outer;
  outer.rows.resize(2);
  outer.rows[0].cells.push_back(cell_with(u"Cell heading", h2));
  {
    TableCell c;
    StoryBuilder b(m, c.story);
    b.AddTable(std::move(inner));
    b.Finish();
    outer.rows[0].cells.push_back(std::move(c));
  }
  outer.rows[1].cells.push_back(cell_with(u"plain", 0));
  {
    StoryBuilder b(m, m.main);
    b.Text(u"Intro");
    b.EndParagraph();
    b.AddTable(std::move(outer));
    b.Text(u"Closing heading");
    ParaProps p;
    p.style = h2;
    b.EndParagraph(p);
    b.Finish();
  }

  std::vector<std::string> seen;
  Range h = doc.GoTo(11, 1);
  for (int guard = 0; guard < 10; ++guard) {
    h.Expand(4);
    if (h.GetParagraphFormat().OutlineLevel() < 10) seen.push_back(Visible(*h.story(), h.Start(), h.End()));
    Range next = h.GoTo(11, 2);
    if (next.Start() == h.Start() && next.story() == h.story()) break;
    h = next;
  }
  EXPECT_EQ(seen, (std::vector<std::string>{"Cell heading¶", "Nested heading¶", "Closing heading¶"}));

  // Backwards and to the last one as well.
  Range last = doc.GoTo(11, -1);
  EXPECT_EQ(last.story(), &m.main);
  Range before = last.GoTo(11, 3);
  before.Expand(4);
  EXPECT_EQ(Visible(*before.story(), before.Start(), before.End()), "Nested heading¶");
  // Restyling a cell heading through its range makes it body text, as in the main text.
  before.GetParagraphFormat().SetStyle(-1);
  Range first = doc.GoTo(11, 1);
  first.Expand(4);
  EXPECT_EQ(Visible(*first.story(), first.Start(), first.End()), "Cell heading¶");
  first.GetParagraphFormat().SetStyle(-1);
  EXPECT_EQ(doc.GoTo(11, 1).story(), &m.main);
}

TEST_F(RangeTest, HeadingPassTakesLookFromTheStyle) {
  r.SetText(u"Title\rbody");
  doc.GetRange(1, 1).SetStyle(-2);
  Style h1 = doc.GetStyles().Item(-2);
  h1.GetFont().SetName(u"Arial");
  h1.GetFont().SetSize(20);
  Range p = doc.GoTo(11, 1);
  p.Expand(4);
  Style s = p.GetParagraphFormat().GetStyle();
  p.GetParagraphFormat().SetStyle(-1);
  Style from = doc.GetStyles().Item(s);
  p.GetFont().SetName(from.GetFont().Name());
  p.GetFont().SetSize(from.GetFont().Size() > 14 ? 14 : from.GetFont().Size());
  EXPECT_EQ(p.GetParagraphFormat().OutlineLevel(), 10);
  EXPECT_EQ(p.GetFont().Name(), u"Arial");
  EXPECT_EQ(p.GetFont().Size(), 14);
}

TEST_F(RangeTest, WordErrorsForBadNamesAndMissingStyles) {
  struct Case {
    const char16_t* name;
    bool ok;
  } cases[] = {{u"Bookmark12", true},
               {u"a_b_1", true},
               {u"_hidden", false},
               {u"1abc", false},
               {u"with space", false},
               {u"Bookmark12_sec-2.1", false},
               {u"", false},
               {u"a234567890123456789012345678901234567890", true},
               {u"a2345678901234567890123456789012345678901", false}};
  for (const auto& c : cases) {
    if (c.ok)
      EXPECT_NO_THROW(doc.GetBookmarks().Add(c.name, r)) << U8(c.name);
    else
      EXPECT_THROW(doc.GetBookmarks().Add(c.name, r), WordError) << U8(c.name);
  }
  EXPECT_THROW(doc.GetStyles().Item(-11), WordError);
  EXPECT_THROW(r.SetStyle(-11), WordError);
  EXPECT_THROW(doc.GetStyles().Item(doc.GetStyles().Count() + 1), WordError);
  EXPECT_EQ(doc.GetStyles().Item(-10).NameLocal(), u"Heading 9");
  EXPECT_EQ(doc.GetStyles().Item(1).NameLocal(), u"Normal");
  try {
    doc.GetBookmarks().Add(u"bad name", r);
  } catch (const WordError& e) {
    EXPECT_STREQ(e.what(), "Bad bookmark name.");
  }
}

TEST_F(RangeTest, PasteWithEmptyClipboardRaises) {
  EngineClipboard::Clear();
  EXPECT_THROW(r.Paste(), WordError);
}

TEST_F(RangeTest, HeaderAndFooterStartAtTheMarkedSection) {
  Cover(u"T");
  Heading(0, u"A", u"Bookmark1");
  HeaderFooter footer = doc.GetSections().Item(2).Footers().Item(1);
  footer.SetLinkToPrevious(false);
  footer.GetPageNumbers().SetRestartNumberingAtSection(true);
  footer.GetPageNumbers().SetStartingNumber(1);
  footer.GetPageNumbers().Add(1, true);
  HeaderFooter header = doc.GetSections().Item(2).Headers().Item(1);
  header.SetLinkToPrevious(false);
  header.GetRange().InsertAfter(u"T");
  header.GetRange().GetParagraphs().SetAlignment(1);
  EXPECT_TRUE(doc.GetSections().Item(1).Footers().Item(1).LinkToPrevious() == false);
  EXPECT_EQ(doc.model().sections[0].footer, -1);  // the cover keeps no footer
  EXPECT_EQ(Visible(*footer.GetRange().story()), "{1}¶");
  EXPECT_EQ(Visible(*header.GetRange().story()), "T¶");
  EXPECT_EQ(header.GetRange().GetParagraphs().Alignment(), 1);
  EXPECT_TRUE(doc.model().final_section.numbering.restart);
}

}  // namespace
}  // namespace tomeshift::word
