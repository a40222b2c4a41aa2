#include "converter/chm_topic_file.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "converter/navigation_blocks.h"
#include "converter/topic_comparison.h"
#include "support/reference_passes.h"
#include "support/scratch_dir.h"
#include "text/text_utils.h"
#include "text/unicode.h"

namespace tomeshift {
namespace {

// The similarity walk exactly as described, step by step, to hold the fast version to it.
bool ReferenceSimilar(std::u16string s1, std::u16string s2) {
  if (s1.empty() || s2.empty()) return false;
  s1 = LowerCase(s1);
  s2 = LowerCase(s2);
  if (s1 == s2) return true;
  if (s1.size() < 5 || s2.size() < 5) return false;
  if ((s1.size() > s2.size() ? s1.size() - s2.size() : s2.size() - s1.size()) > 50) return false;
  const std::u16string& a = s2.size() < s1.size() ? s2 : s1;
  const std::u16string& b = s2.size() < s1.size() ? s1 : s2;
  const std::size_t n = a.size(), m = b.size();
  std::size_t p = 1, k = 1, r = 0, t = 0, q = 1;
  for (;;) {
    if (p > n) break;
    if (k > m) {
      ++p;
      k = q;
      continue;
    }
    if (a[p - 1] == b[k - 1]) {
      ++r;
      ++p;
      ++k;
      q = k;
    } else {
      if (r >= 3) t += r;
      r = 0;
      ++k;
    }
  }
  if (r >= 3) t += r;
  return static_cast<double>(t) / static_cast<double>(n) > 0.8;
}

TEST(TopicFileSimilarity, KnownPairs) {
  struct Case {
    const char16_t* a;
    const char16_t* b;
    bool similar;
  };
  const Case cases[] = {
      {u"abc", u"ABC", true},     // equal texts are similar whatever their length
      {u"abcd", u"abce", false},  // otherwise both need five characters
      {u"", u"", false},
      {u"Copyright 2020 Example Corp.", u"Copyright 2021 Example Corp.", true},
      {u"Home > Reference > Widgets", u"Home > Reference > Gadgets", true},
      {u"Installing the server", u"Configuring the client", false},
      // 90 percent of the shorter text in the longer one, but the lengths differ by 51.
      {u"Copyright Example Corp.",
       u"Copyright Example Corp. This page was written by hand and then converted twice over.", false},
      // Scattered single letters in order do not count: runs need three characters.
      {u"abcdefgh", u"axbxcxdxexfxgxh", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(IsSimilarText(c.a, c.b), c.similar) << U8(c.a) << " / " << U8(c.b);
    EXPECT_EQ(ReferenceSimilar(c.a, c.b), c.similar) << U8(c.a) << " / " << U8(c.b);
  }
}

TEST(TopicFileSimilarity, FastWalkAgreesWithTheStepByStepWalk) {
  std::mt19937 random(7);
  const std::u16string alphabet = u"abcAB ";
  const auto make = [&](std::size_t length) {
    std::u16string s;
    for (std::size_t n = 0; n < length; ++n) s += alphabet[random() % alphabet.size()];
    return s;
  };
  int similar = 0;
  for (int n = 0; n < 40000; ++n) {
    std::u16string a = make(random() % 30), b;
    // Half the pairs are edits of each other, so that both answers occur often.
    if (n % 2) {
      b = a;
      for (int e = static_cast<int>(random() % 4); e > 0 && !b.empty(); --e) b[random() % b.size()] = u'x';
      if (random() % 2) b += make(random() % 8);
    } else {
      b = make(random() % 30);
    }
    const bool expected = ReferenceSimilar(a, b);
    similar += expected;
    ASSERT_EQ(IsSimilarText(a, b), expected) << U8(a) << " / " << U8(b);
  }
  EXPECT_GT(similar, 2000);
}

std::unique_ptr<TChmTopicFile> Page(std::u16string_view html, std::u16string_view title = u"") {
  auto page = std::make_unique<TChmTopicFile>();
  page->Title1 = title;
  page->LoadPageText(html);
  return page;
}

std::vector<std::u16string> BlocksDown(TChmTopicFile& page) {
  std::vector<std::u16string> blocks;
  page.IniticalizeTags();
  page.i = 1;
  for (page.SearchDown(); page.FindText; page.SearchDown()) blocks.push_back(page.Text);
  blocks.push_back(u"(end) " + page.Text);
  return blocks;
}

std::vector<std::u16string> BlocksUp(TChmTopicFile& page) {
  std::vector<std::u16string> blocks;
  page.IniticalizeTags();
  page.i = page.h;
  page.SearchUp();
  for (int guard = 0; guard < 100 && page.i > 0; ++guard, page.SearchUp()) blocks.push_back(page.Text);
  blocks.push_back(u"(start) " + page.Text);
  return blocks;
}

const char16_t* const kScannerPage =
    u"<body><div class=nav><img src='Images/PREV.gif'><img src=\"nav\\Next_btn.png\"> <img src=\"art/logo.gif\">"
    u"</div><script>var x = '<p>not a block</p>';</script>"
    u"<h1>Fish&amp;Chips</h1>Line one<br/>line&nbsp;  two\r\n<p></p><span>tail text</span></body>";

TEST(TopicFileScanners, SearchDownGivesTheBlocksFromTheTop) {
  auto page = Page(kScannerPage);
  const std::vector<std::u16string> expected = {u"logo.gif", u"Fish&Chips", u"Line one", u"line  two",
                                                u"(end) tail text"};
  EXPECT_EQ(BlocksDown(*page), expected);
}

TEST(TopicFileScanners, SearchUpGivesTheBlocksFromTheBottomAndReadsScriptText) {
  auto page = Page(kScannerPage);
  // Bottom-up the script is read as text: its "<p>" ends a block.
  // (A named space is decoded after the collapse, so it adds to the space beside it.)
  const std::vector<std::u16string> expected = {u"tail text",   u"line  two",   u"Line one", u"Fish&Chips",
                                                u"';</script>", u"not a block", u"(start) "};
  const auto blocks = BlocksUp(*page);
  ASSERT_GE(blocks.size(), 3u);
  EXPECT_EQ(blocks[0], expected[0]);
  EXPECT_EQ(blocks[1], expected[1]);
  EXPECT_EQ(blocks[2], expected[2]);
  EXPECT_EQ(blocks[3], expected[3]);
}

TEST(TopicFileScanners, TheScanPointsFollowThePassedBreakTags) {
  auto page = Page(u"<div><p>Hello</p></div><p>World</p>");
  page->IniticalizeTags();
  page->i = 1;
  page->SearchDown();
  EXPECT_EQ(page->Text, u"Hello");
  EXPECT_EQ(page->SamePointL, 6);  // the '<' of "<p>": the last break tag before the block
  EXPECT_EQ(page->i, 17);          // left at the '>' of "</p>"

  page->IniticalizeTags();
  page->i = page->h;
  page->SearchUp();
  EXPECT_EQ(page->Text, u"World");
  EXPECT_EQ(page->SamePointH, 32);  // the '<' of the last "</p>"
  EXPECT_EQ(page->i, 24);           // left at the '<' of "<p>"
}

// Topics with titles and text of their own, as real help files have them.
const char* const kTitles[] = {"Installing the server", "Printing reports",  "Backing up data",
                               "Keyboard shortcuts",    "Licensing",         "Connecting to a database",
                               "Exporting charts",      "Scheduling jobs",   "User permissions",
                               "Troubleshooting",       "Glossary of terms", "Release notes"};
const char* const kSentences[] = {
    "Run the setup program from the distribution folder and accept the default location.",
    "Each report can be sent to any printer that the operating system knows about.",
    "Copies of the catalogue are written every night to the folder named in the options.",
    "Most commands have a key combination that is shown next to them in the menus.",
    "A licence key unlocks the features bought with it; the trial runs for thirty days.",
    "Give the host name, the port and the credentials of an account with read access.",
    "Charts leave the program as vector pictures that keep their quality when enlarged.",
    "Jobs start at the time given in their schedule, or when another job has ended.",
    "Rights are granted to groups; a user gets the union of the rights of all groups.",
    "When a step fails, the log file names the cause and the line that was being read.",
    "The terms below are used throughout this guide with the meanings given here.",
    "This release fixes the import of old files and speeds up searching considerably.",
};

std::u16string Title(int n) { return U16(kTitles[n]); }

std::u16string HelpPage(int n, const std::u16string& extraTop = u"") {
  const std::u16string sentence = U16(kSentences[n]), other = U16(kSentences[(n + 5) % 12]);
  return u"<html><head><title>" + Title(n) +
         u"</title></head><body>\n"
         u"<p><img src=\"images/logo.gif\" alt=logo></p>\n"
         u"<p class=crumb><a href=index.htm>Home</a> &gt; <a href=ref.htm>Reference</a> &gt; Widgets</p>\n" +
         extraTop + u"<h1>" + Title(n) + u"</h1>\n<div class=body><p>" + sentence + u"</p>\n<p>" + other +
         u" See the notes at the end of this topic.</p></div>\n"
         u"<p class=footer>Copyright 2024 Example Corporation. All rights reserved.</p>\n</body></html>";
}

std::u16string UniquePart(const TChmTopicFile& page) {
  const int from = std::max(page.SamePointL, 1);
  if (page.SamePointH <= from) return {};
  return page.Body.substr(static_cast<std::size_t>(from - 1), static_cast<std::size_t>(page.SamePointH - from));
}

struct PageSet {
  std::vector<std::unique_ptr<TChmTopicFile>> pages;
  std::vector<TChmTopicFile*> Pointers() {
    std::vector<TChmTopicFile*> result;
    for (auto& page : pages) result.push_back(page.get());
    return result;
  }
  void Run(std::size_t contents, bool byShape = true) {
    const auto pointers = Pointers();
    RunComparisonPasses(pointers, contents, byShape);
  }
};

TEST(TopicFilePasses, SharedHeadAndTailAreCutFromEveryPageThatHasThem) {
  PageSet set;
  for (int n = 0; n < 10; ++n) set.pages.push_back(Page(HelpPage(n), Title(n)));
  // A page outside the contents with the same frame loses it too, though it does not vote.
  set.pages.push_back(Page(HelpPage(11)));
  set.Run(10);
  for (auto& page : set.pages) {
    const std::u16string unique = UniquePart(*page);
    SCOPED_TRACE(U8(page->Body));
    EXPECT_EQ(unique.find(u"logo.gif"), std::u16string::npos);
    EXPECT_EQ(unique.find(u"Reference"), std::u16string::npos);
    EXPECT_EQ(unique.find(u"Copyright"), std::u16string::npos);
    EXPECT_NE(unique.find(u"See the notes"), std::u16string::npos);
  }
  // Every contents page starts with its title after the frame: the title pass takes it as well.
  for (int n = 0; n < 10; ++n) {
    EXPECT_TRUE(set.pages[n]->TitleFound);
    EXPECT_EQ(set.pages[n]->Title3, Title(n));
    EXPECT_NE(UniquePart(*set.pages[n]).find(U16(kSentences[n])), std::u16string::npos);
    EXPECT_EQ(UniquePart(*set.pages[n]).find(u"<h1>"), std::u16string::npos);
  }
  // The page outside the contents is compared with its title element only; its block is noted as well.
  EXPECT_TRUE(set.pages[10]->TitleFound);
  EXPECT_EQ(set.pages[10]->Title3, Title(11));
}

// A footer as DocBook writes it, "Prev | Home | Next": the first and last pages lack a neighbour and hold
// an empty cell ("&nbsp;") instead, which must not stop them out of step with the rest.
TEST(TopicFilePasses, ABarWithoutOneNeighbourIsCutFromEveryPage) {
  PageSet set;
  constexpr int kPages = 10;
  for (int n = 0; n < kPages; ++n) {
    const auto cell = [](const std::u16string& text) { return u"<td>" + text + u"</td>"; };
    const std::u16string footer =
        u"<div class=navfooter><hr><table><tr>" + cell(n == 0 ? u"&nbsp;" : u"<a href=p.htm>Prev</a>&nbsp;") +
        cell(u"<a href=index.htm>Home</a>") + cell(n == kPages - 1 ? u"&nbsp;" : u"&nbsp;<a href=n.htm>Next</a>") +
        u"</tr></table></div>";
    set.pages.push_back(
        Page(u"<html><body><h1>" + Title(n) + u"</h1><p>" + U16(kSentences[n]) + u"</p>" + footer + u"</body></html>",
             Title(n)));
  }
  set.Run(kPages);
  for (int n = 0; n < kPages; ++n) {
    const std::u16string unique = UniquePart(*set.pages[n]);
    SCOPED_TRACE(U8(unique));
    for (const char16_t* word : {u"Home", u"Prev", u"Next"}) EXPECT_EQ(unique.find(word), std::u16string::npos);
    EXPECT_NE(unique.find(U16(kSentences[n])), std::u16string::npos);
  }
}

// Texinfo's node headers: the first page has no "Next:", the last no "Previous:", and a long page repeats
// its header at its bottom, where the passes do not look. Every form seen at the top is cut inside too.
TEST(TopicFilePasses, EachFormOfASharedLinkLineIsCutInsideThePages) {
  PageSet set;
  constexpr int kPages = 10;
  const auto header = [](bool next, bool previous) {
    return std::u16string(u"<div class=header><p>") + (next ? u"Next: <a href=n.htm>N</a>, " : u"") +
           (previous ? u"Previous: <a href=p.htm>P</a>, " : u"") + u"Up: <a href=u.htm>U</a></p></div>";
  };
  for (int n = 0; n < kPages; ++n)
    set.pages.push_back(Page(u"<html><body>" + header(n != 0, n != kPages - 1) + u"<h1>" + Title(n) + u"</h1><p>" +
                                 U16(kSentences[n]) + u"</p></body></html>",
                             Title(n)));
  const auto pointers = set.Pointers();
  TNavigationCut cut;
  cut.Shapes = RunComparisonPasses(pointers, kPages);
  for (const bool next : {false, true}) {
    for (const bool previous : {false, true}) {
      if (!next && !previous) continue;
      const std::u16string body =
          CutNavigationElements(u"<p>" + U16(kSentences[0]) + u"</p>" + header(next, previous), cut);
      EXPECT_EQ(body.find(u"Up:"), std::u16string::npos) << U8(body);
    }
  }
}

TEST(TopicFilePasses, ABlockSharedByTooFewPagesStays) {
  PageSet set;
  for (int n = 0; n < 10; ++n)
    set.pages.push_back(Page(HelpPage(n, n < 7 ? u"<p>See also the glossary of widget terms.</p>\n" : u""), Title(n)));
  set.Run(10);
  for (int n = 0; n < 10; ++n) {
    const std::u16string unique = UniquePart(*set.pages[n]);
    EXPECT_EQ(unique.find(u"Reference"), std::u16string::npos) << n;
    EXPECT_EQ(unique.find(u"Copyright"), std::u16string::npos) << n;
    if (n < 7) {
      EXPECT_NE(unique.find(u"glossary"), std::u16string::npos) << n;
    }
    // The seven pages' next block is not their title, so no title pass: the headings stay.
    EXPECT_NE(unique.find(u"<h1>"), std::u16string::npos) << n;
    EXPECT_FALSE(set.pages[n]->TitleFound);
  }
}

TEST(TopicFilePasses, ThresholdsFollowTheNumberOfContentsPages) {
  EXPECT_EQ(SharedBlockThreshold(0), 0);
  EXPECT_EQ(SharedBlockThreshold(1), 1);
  EXPECT_EQ(SharedBlockThreshold(2), 2);
  EXPECT_EQ(SharedBlockThreshold(5), 4);
  EXPECT_EQ(SharedBlockThreshold(7), 6);
  EXPECT_EQ(SharedBlockThreshold(10), 8);
  struct Case {
    int contents;
    int sharing;  // contents pages that carry the footer
    bool cut;
  };
  const Case cases[] = {
      {1, 1, false},  // no other page can share it
      {2, 2, false},  // one other page, two needed
      {5, 5, true},  {5, 4, false}, {7, 7, true}, {7, 6, false},
  };
  for (const auto& c : cases) {
    PageSet set;
    for (int n = 0; n < c.contents; ++n) {
      const std::u16string id = U16(std::to_string(n));
      const std::u16string footer = n < c.sharing ? u"<p>Footer notice shared by pages</p>" : u"";
      set.pages.push_back(Page(u"<body><p>Own text of page " + id + u", different in each.</p>" + footer + u"</body>"));
    }
    set.Run(static_cast<std::size_t>(c.contents));
    for (int n = 0; n < c.sharing; ++n)
      EXPECT_EQ(UniquePart(*set.pages[n]).find(u"Footer") == std::u16string::npos, c.cut)
          << c.contents << " pages, " << c.sharing << " sharing, page " << n;
  }
}

TEST(TopicFilePasses, WithoutContentsPagesNothingIsCompared) {
  PageSet set;
  for (int n = 0; n < 3; ++n) set.pages.push_back(Page(u"<body><p>Same text everywhere</p></body>"));
  set.Run(0);
  for (auto& page : set.pages) {
    EXPECT_EQ(page->SamePointL, 0);
    EXPECT_EQ(page->SamePointH, page->h);
    EXPECT_EQ(page->Distiller(), u"<p>Same text everywhere</p>");
  }
}

TEST(TopicFilePasses, APageThatIsAllNavigationEndsEmpty) {
  PageSet set;
  for (int n = 0; n < 3; ++n) set.pages.push_back(Page(u"<body><p>Alpha beta</p><p>Gamma delta</p></body>"));
  set.Run(3);
  for (auto& page : set.pages) {
    EXPECT_EQ(UniquePart(*page), u"");
    EXPECT_EQ(page->Distiller(), u"");
  }
}

TEST(TopicFilePasses, NavigationPicturesNeverJoinABlock) {
  // Pages that differ only in their prev/next buttons share the bar; a real picture in it would not.
  PageSet set;
  const char16_t* buttons[] = {u"prev_1.gif", u"Next.GIF", u"btnPrevious.png", u"nav/next2.gif"};
  for (int n = 0; n < 4; ++n) {
    const std::u16string id = U16(std::to_string(n));
    set.pages.push_back(Page(u"<body><p>Bar <img src=\"" + std::u16string(buttons[n]) + u"\"></p><p>Text number " + id +
                             u" is unique to this page.</p></body>"));
  }
  set.Run(4);
  for (auto& page : set.pages) EXPECT_EQ(UniquePart(*page).find(u"Bar"), std::u16string::npos);
}

TEST(TopicFilePasses, FastPassesGiveTheResultsOfThePlainOnes) {
  std::mt19937 random(11);
  const char16_t* const heads[] = {u"<p><img src=logo.gif></p>", u"<div class=crumb>Home &gt; Guide</div>",
                                   u"<p>Back to the <a href=index.htm>index</a></p>", u"<h3>Product Help</h3>"};
  const char16_t* const tails[] = {u"<p>Copyright 2024 Example</p>", u"<hr><p>Send feedback on this topic</p>",
                                   u"<div>Last updated: May 2024</div>"};
  int cut = 0, titled = 0;
  for (int round = 0; round < 20; ++round) {
    const std::size_t total = 5 + random() % 30, contents = random() % (total + 1);
    PageSet fast, plain;
    for (std::size_t n = 0; n < total; ++n) {
      std::u16string html = u"<body>";
      for (const auto* head : heads)
        if (random() % 10) html += head;
      const std::u16string title = Title(static_cast<int>(random() % 12));
      if (random() % 20) html += u"<h1>" + title + u"</h1>";
      for (int p = static_cast<int>(random() % 3); p >= 0; --p)
        html += u"<p>" + U16(kSentences[random() % 12]) + u"</p>";
      for (const auto* tail : tails)
        if (random() % 5) html += tail;
      html += u"</body>";
      fast.pages.push_back(Page(html, n < contents ? title : u""));
      plain.pages.push_back(Page(html, n < contents ? title : u""));
    }
    fast.Run(contents, /*byShape=*/false);
    // The threshold worked out apart from the code under test: 0.8 x N to the nearest integer.
    testing::ReferencePasses(plain.Pointers(), contents,
                             static_cast<int>(std::nearbyint(static_cast<double>(contents) * 0.8)));
    for (std::size_t n = 0; n < total; ++n) {
      SCOPED_TRACE("round " + std::to_string(round) + ", page " + std::to_string(n));
      EXPECT_EQ(fast.pages[n]->SamePointL, plain.pages[n]->SamePointL);
      EXPECT_EQ(fast.pages[n]->SamePointH, plain.pages[n]->SamePointH);
      EXPECT_EQ(fast.pages[n]->TitleFound, plain.pages[n]->TitleFound);
      EXPECT_EQ(fast.pages[n]->Title3, plain.pages[n]->Title3);
      cut += plain.pages[n]->SamePointH < plain.pages[n]->h;
      titled += plain.pages[n]->TitleFound;
    }
  }
  // Both kinds of cut happened, so the comparison above was not vacuous.
  EXPECT_GT(cut, 50) << cut;
  EXPECT_GT(titled, 20) << titled;
}

TEST(TopicFileDistiller, KeepsTheDivInALayoutTableUnlessTheTableHasMuchMore) {
  const std::u16string content(400, u'x');
  struct Case {
    int around;  // visible characters in the table outside the DIV
    bool div;
  };
  for (const Case c : {Case{30, true}, Case{59, true}, Case{61, false}, Case{70, false}}) {
    const std::u16string div = u"<div class=content>" + content + u"</div>";
    const std::u16string row =
        u"<tr><td>" + std::u16string(static_cast<std::size_t>(c.around), u'm') + u"</td><td>" + div + u"</td></tr>";
    auto page = Page(u"<body><table>" + row + u"</table></body>");
    // Beaten by more than 60 characters, the DIV gives way to the smallest element that has them.
    EXPECT_EQ(page->Distiller(), c.div ? div : row) << c.around;
  }
}

TEST(TopicFileDistiller, HiddenElementsAddNothingToTheirParent) {
  const std::u16string visible = u"<p>" + std::u16string(120, u'v') + u"</p>";
  auto page = Page(u"<body><div><div style=\"color:red; DISPLAY:NONE\">" + std::u16string(200, u'h') + u"</div>" +
                   visible + u"</div></body>");
  // Counted, the hidden text would make the outer DIV win.
  EXPECT_EQ(page->Distiller(), visible);
}

TEST(TopicFileDistiller, DropsTheTitleHeadingAndWhatCameBeforeIt) {
  const std::u16string text = u"<p>" + std::u16string(150, u't') + u"</p>";
  auto page = Page(
      u"<html><head><title>Install &amp; Setup</title></head><body><div><span>Back to top</span>"
      u"<h2>Install &amp; setup</h2>" +
      text + u"<p>Short.</p></div></body></html>");
  EXPECT_EQ(page->Title2, u"Install & Setup");
  EXPECT_EQ(page->Distiller(), u"<div>" + text + u"<p>Short.</p></div>");
}

TEST(TopicFileDistiller, SmallPagesKeepTheirWholeUniquePart) {
  auto page = Page(u"<body><p>Header</p><div><b>Only a little text.</div><p>Footer</p></body>");
  page->SamePointL = 14;  // '<' of "<div>"
  page->SamePointH = 47;  // '<' of the last "<p>"
  EXPECT_EQ(page->Distiller(), u"<div><b>Only a little text.</div>");
  // An element opened inside the shared head and closed with its parent loses its tags, not its text.
  page->SamePointL = 22;
  EXPECT_EQ(page->Distiller(), u"<div>Only a little text.</div>");
  page->SamePointL = page->SamePointH = 14;
  EXPECT_EQ(page->Distiller(), u"");
}

TEST(TopicFileDistiller, NavigationPicturesAddNothingContentPicturesDo) {
  // One picture counts like 150 characters of text, which makes its paragraph the content.
  const std::u16string withPicture = u"<p>Diagram: <img src=\"art/diagram.png\"></p>";
  auto page = Page(u"<body><div>" + withPicture + u"<p>Short line.</p></div></body>");
  EXPECT_EQ(page->Distiller(), withPicture);
  const std::u16string withButtons = u"<p>Go: <img src=\"art/prev.png\"><img src=\"art/NEXT.png\"></p>";
  auto small = Page(u"<body><div>" + withButtons + u"</div></body>");
  EXPECT_EQ(small->Distiller(), u"<div>" + withButtons + u"</div>");  // blank result: the whole unique part
}

TEST(TopicFile, ConstructionReadsCleansAndSplitsThePage) {
  testing::ScratchDir dir;
  dir.Write("html/topic.htm",
            "<html><head><title> Fish &amp;amp; chips\r\n</title></head><BODY>"
            "<!-- NoScript version of navheader --><p>nav</p><!-- End noscript navheader version -->"
            "<p style=\"MSO-OUTLINE-LEVEL:2\">Text</p></BODY></html>");
  const std::u16string path = U16(dir.folder()) + u"html\\topic.htm";
  TChmTopicFile page(path, nullptr, u"Fish and chips");
  EXPECT_EQ(page.Filename, path);
  EXPECT_EQ(page.Title1, u"Fish and chips");
  EXPECT_EQ(page.Title2, u"Fish & chips");  // the title text is decoded twice
  EXPECT_EQ(page.BeforeBody, u"<html><head><title> Fish &amp;amp; chips\r\n</title></head><BODY>");
  EXPECT_EQ(page.Body, u"<p style=\"mso-out1ine-1evel:2\">Text</p>");
  EXPECT_EQ(page.AfterBody, u"</BODY></html>");
  EXPECT_EQ(page.h, static_cast<int>(page.Body.size()));
  EXPECT_EQ(page.SamePointL, 0);
  EXPECT_EQ(page.SamePointH, page.h);
  EXPECT_EQ(page.QuoteCount, 0);
}

}  // namespace
}  // namespace tomeshift
