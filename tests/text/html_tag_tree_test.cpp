#include "text/html_tag_tree.h"

#include <gtest/gtest.h>

#include "text/unicode.h"

namespace tomeshift {
namespace {

TEST(HtmlTagTree, SetCountFreesFromTheEndAndNeverGrows) {
  THtmlTags tags;
  for (const char16_t* name : {u"Root", u"div", u"p"}) tags.Add().Name = name;
  tags.SetCount(5);
  EXPECT_EQ(tags.GetCount(), 3);
  tags.SetCount(1);
  ASSERT_EQ(tags.GetCount(), 1);
  EXPECT_EQ(tags[0].Name, u"Root");
  const THtmlTag fresh;
  EXPECT_TRUE(fresh.NotCut && fresh.InTop);
  EXPECT_FALSE(fresh.Hide || fresh.NonDoc || fresh.Block);
}

TEST(HtmlTagTree, FoldingMovesTextTagsAndCountsIntoTheParent) {
  THtmlTag parent, child;
  parent.Inner = u"a";
  parent.InnerText = u"a";
  parent.CharCount = 1;
  child.Start = u"<b>";
  child.Inner = u"bold";
  child.InnerText = u"bold";
  child.Tail = u"</b>";
  child.CharCount = 4;
  FoldTag(child, parent);
  EXPECT_EQ(parent.Inner, u"a<b>bold</b>");
  EXPECT_EQ(parent.InnerText, u"abold");
  EXPECT_EQ(parent.CharCount, 5u);
}

TEST(HtmlTagTree, WhitespaceHelpersTouchOnlyTheFourHtmlSpaces) {
  struct Case {
    std::u16string in, collapsed, trimmed;
  };
  const Case cases[] = {
      {u"\ta\r\n b ", u"a b", u"a\r\n b"},
      {u"", u"", u""},
      {u" \t\r\n", u"", u""},
      {u"x", u"x", u"x"},
      // A no-break space and a vertical tab are text, not whitespace.
      {u"\u00a0a\u00a0", u"\u00a0a\u00a0", u"\u00a0a\u00a0"},
      {u"\va  b\v", u"\va b\v", u"\va  b\v"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CollapseWhitespace(c.in), c.collapsed) << U8(c.in);
    EXPECT_EQ(TrimWhitespace(c.in), c.trimmed) << U8(c.in);
  }
}

TEST(HtmlTagTree, SplitBodyFindsTheBodyTagsInAnyCase) {
  struct Case {
    const char* page;
    const char* head;
    const char* body;
    const char* tail;
  };
  const Case cases[] = {
      {"<html><BODY class=x>text</Body></html>", "<html><BODY class=x>", "text", "</Body></html>"},
      {"<p>no body tags</p>", "", "<p>no body tags</p>", ""},
      {"<html><body\nonload=f()>a</BODY>\n</html>", "<html><body\nonload=f()>", "a", "</BODY>\n</html>"},
      // "<bodyx>" is another tag; "<tbody>" does not end the body either.
      {"<bodyx><body>a<tbody>b</tbody></body>", "<bodyx><body>", "a<tbody>b</tbody>", "</body>"},
      // Two end tags: the tail starts at the last, the body stops at the first.
      {"<body>one</body>two</body>", "<body>", "one", "</body>"},
      // A start tag without an end tag: the rest of the page is the body.
      {"<head></head><body>all of it", "<head></head><body>", "all of it", ""},
      // A start tag that never closes is no body tag at all.
      {"text <body", "", "text <body", ""},
  };
  for (const auto& c : cases) {
    const TBodySplit split = SplitBody(U16(c.page));
    EXPECT_EQ(U8(split.BeforeBody), c.head) << c.page;
    EXPECT_EQ(U8(split.Body), c.body) << c.page;
    EXPECT_EQ(U8(split.AfterBody), c.tail) << c.page;
  }
}

TEST(HtmlTagTree, SplitBodyLosesNoTextWhenTheEndTagIsMissing) {
  const std::u16string page = u"<html><body><p>First</p><p>Second</p>";
  const TBodySplit split = SplitBody(page);
  EXPECT_EQ(split.BeforeBody + split.Body + split.AfterBody, page);
  EXPECT_EQ(split.Body, u"<p>First</p><p>Second</p>");
}

TEST(HtmlTagTree, TitlesMatchAllowsCaseAndShortFrames) {
  struct Case {
    const char16_t* text;
    const char16_t* title;
    bool match;
  };
  const Case cases[] = {
      {u"Getting Started", u"getting started", true},
      {u"Getting Started", u"Getting Started with the Editor", false},  // 16 of 31 missing: above 40 percent
      {u"1. Getting Started", u"Getting Started", true},                // 3 of 18 extra
      {u"Started", u"Getting Started", false},                          // contained, but 8 of 15 missing
      {u"Getting Going", u"Getting Started", false},                    // close in length, not contained
      {u"", u"", true},
      {u"", u"Title", false},
  };
  for (const auto& c : cases) EXPECT_EQ(TitlesMatch(c.text, c.title), c.match) << U8(c.text) << " / " << U8(c.title);
}

TEST(HtmlTagTree, BalanceTableFragmentClosesCutRowsAndCells) {
  struct Case {
    const char* in;
    const char* out;
  };
  const Case cases[] = {
      {"<td>a</td>", "<table><tr><td>a</td></tr></table>"},
      {"<TR><td class=x>a</td></TR>", "<table><TR><td class=x>a</td></TR></table>"},
      {"<td valign=top>a</td>\n<td>b", "<table><tr><td valign=top>a</td>\n<td>b</tr></table>"},
      {"<p>a</p>", "<p>a</p>"},
      {"plain text", "plain text"},
      {"", ""},
      // Only the outermost tags count: a row in the middle changes nothing.
      {"<div><tr><td>a</td></tr></div>", "<div><tr><td>a</td></tr></div>"},
  };
  for (const auto& c : cases) EXPECT_EQ(U8(BalanceTableFragment(U16(c.in))), c.out) << c.in;
}

TEST(HtmlTagTree, DistillSectionDropsTheLeadingHeading) {
  const std::u16string paragraph =
      u"<p>Run the installer and follow the steps it shows; it asks for the target folder first.</p>";
  struct Case {
    std::u16string section;
    std::u16string title;
    std::u16string expected;
  };
  const Case cases[] = {
      // A short first block is the heading even when it differs from the title.
      {u"<h2>Setup</h2>" + paragraph, u"Installing", paragraph},
      // Inside a wrapper the heading goes too; the paragraph is the smallest element with the text.
      {u"<div class=s><a name=inst></a><h3>Installing</h3>" + paragraph + u"</div>", u"Installing", paragraph},
      // Two paragraphs: the wrapper holds the text, and comes back without the heading.
      {u"<div class=s><h3>Installing</h3>" + paragraph + paragraph + u"</div>", u"Installing",
       u"<div class=s>" + paragraph + paragraph + u"</div>"},
      // A first block that reads like a sentence is content, not a heading.
      {u"<div><p>This section explains installation.</p>" + paragraph + u"</div>", u"Installing",
       u"<div><p>This section explains installation.</p>" + paragraph + u"</div>"},
      // A short definition term is the text the entry names (a signature under the entry "Builder"), unless
      // it is the title itself.
      {u"<dl><dt id=b>class sphinx.Builder(app)</dt><dd>" + paragraph + u"</dd></dl>", u"Builder",
       u"<dl><dt id=b>class sphinx.Builder(app)</dt><dd>" + paragraph + u"</dd></dl>"},
      {u"<dl><dt id=b>Builder</dt><dd>" + paragraph + u"</dd></dl>", u"Builder", paragraph},
      // A section shorter than its title keeps its text, not the title (a Doxygen member).
      {u"<a id=h></a><h2 class=memtitle>&#9670;&nbsp;Height</h2><div class=memitem><p>float Height</p></div>",
       u"Height", u"<p>float Height</p>"},
      // A long first block that matches the title is still dropped.
      {u"<div><h2>Installing the program on a workstation that has no network at all</h2>" + paragraph + u"</div>",
       u"Installing the program on a workstation that has no network at all", paragraph},
  };
  for (const auto& c : cases) EXPECT_EQ(U8(DistillSection(c.section, c.title)), U8(c.expected)) << U8(c.section);
}

TEST(HtmlTagTree, DistillSectionKeepsTinySectionsAsTheyAre) {
  // Fewer than six visible characters: the collected text (here without its heading), or the input
  // itself when that is blank.
  EXPECT_EQ(DistillSection(u"<p>Hi</p> there", u"T"), u" there");
  EXPECT_EQ(DistillSection(u"<p></p>", u"T"), u"<p></p>");
  EXPECT_EQ(DistillSection(u"", u"T"), u"");
  // Text inside script and style does not count.
  EXPECT_EQ(DistillSection(u"<script>var a = 1234567890;</script>ok", u"T"), u"<script>var a = 1234567890;</script>ok");
}

TEST(HtmlTagTree, DistillSectionDropsStrayEndTagsWithoutClosingTheRoot) {
  const std::u16string body = u"<p>Enough visible text here.</p>";
  EXPECT_EQ(DistillSection(u"</root></div>" + body + u"</span>", u"Title that does not match at all"), body);
  // A section cut from a table's middle comes back as a table.
  const char* cells = "<td>First cell with text.</td><td>Second cell, which holds a lot more text than the first.</td>";
  EXPECT_EQ(U8(DistillSection(U16(cells), u"X")), std::string("<table><tr>") + cells + "</tr></table>");
}

TEST(HtmlTagTree, DistillSectionTreatsAStrayGreaterThanAsText) {
  const std::u16string body = u"<p>Choose <b>Tools</b> > <b>Options</b> and then the last tab.</p>";
  EXPECT_EQ(DistillSection(body, u"Options dialog"), body);
}

}  // namespace
}  // namespace tomeshift
