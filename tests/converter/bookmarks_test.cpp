#include "converter/bookmarks.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "converter/chm_topic_file.h"
#include "platform/text_files.h"
#include "support/scratch_dir.h"
#include "text/unicode.h"

namespace tomeshift {
namespace {

TEST(Bookmarks, LookupIgnoresCaseAndOneLeadingHash) {
  TBookmarks marks;
  marks.Add(u"intro", u"Introduction");
  marks.Add(u"setup", u"Setting up");
  EXPECT_EQ(marks.GetItemByName(u"#Setup"), &marks[1]);
  EXPECT_EQ(marks.GetItemIdByName(u"SETUP"), 1);
  EXPECT_EQ(marks.GetItemIdByName(u"##setup"), -1);
  EXPECT_EQ(marks.GetItemByName(u""), nullptr);
  EXPECT_EQ(marks.GetItemByName(u"#"), nullptr);
  EXPECT_EQ(marks.GetItemIdByName(u"missing"), -1);
}

TEST(Bookmarks, SortOrdersByPosition) {
  struct Case {
    std::vector<std::uint32_t> positions;
    std::vector<int> order;  // creation indexes after sorting
  };
  const Case cases[] = {
      {{120, 0, 45}, {1, 2, 0}},
      {{5}, {0}},
      {{}, {}},
      // Equal positions: the exchange with the smaller item moves the first 7 behind the second.
      {{7, 7, 3}, {2, 1, 0}},
  };
  for (const auto& c : cases) {
    TBookmarks marks;
    for (std::size_t n = 0; n < c.positions.size(); ++n)
      marks.Add(U16(std::to_string(n)), {}).Position = c.positions[n];
    marks.Sort();
    ASSERT_EQ(marks.Count(), static_cast<int>(c.order.size()));
    std::vector<std::uint32_t> sorted;
    for (int n = 0; n < marks.Count(); ++n) sorted.push_back(marks[n].Position);
    EXPECT_TRUE(std::is_sorted(sorted.begin(), sorted.end()));
    for (int n = 0; n < marks.Count(); ++n)
      EXPECT_EQ(marks[n].Name, U16(std::to_string(c.order[static_cast<std::size_t>(n)])));
  }
}

TEST(Bookmarks, AnchorsAreCollectedFromNameAttributesOnly) {
  TChmTopicFile page;
  page.Body =
      u"<p><a name=\"intro\"></a>x <A NAME='#Setup' href=\"#skip\">y</A> <a href=\"#other\">z</a>"
      u"<a name=intro></a><a name=\"\"></a><a\tname=usage>u</a><abbr name=nope>n</abbr></p>";
  page.FindAnchors();
  ASSERT_EQ(page.Anchors.Count(), 3);
  EXPECT_EQ(page.Anchors[0], u"intro");
  EXPECT_EQ(page.Anchors[1], u"Setup");
  EXPECT_EQ(page.Anchors[2], u"usage");
}

TEST(Bookmarks, EachBookmarkStartsWhereTheBlockOfItsAnchorStarts) {
  TChmTopicFile page;
  //         1234567890123456789012345678901234567890
  page.Body =
      u"<div><p class=x><a name=\"intro\">In</a></p><h2 id=s><a name=setup>S</a></h2>"
      u"<b>loose</b></div> <a name='#tail'>t</a><a name=missing>"
      u"<div class=\"section\" id=\"usage\"><h2>Usage</h2><span id=usage>again</span></div><p title='id=x'>";
  page.Bookmarks.Add(u"setup", u"Setup");
  page.Bookmarks.Add(u"intro", u"Intro");
  page.Bookmarks.Add(u"tail", u"Tail");
  page.Bookmarks.Add(u"absent", u"Absent");
  page.Bookmarks.Add(u"usage", u"Usage");
  page.Bookmarks.Add(u"x", u"Not an anchor");
  page.ProcessBookmarks();
  EXPECT_EQ(page.Bookmarks[1].Position, 6u);   // '<' of "<p class=x>"
  EXPECT_EQ(page.Bookmarks[0].Position, 43u);  // '<' of "<h2 id=s>"
  // After an end tag of a block, the next block starts right behind it.
  EXPECT_EQ(page.Bookmarks[2].Position, page.Body.find(u"</div>") + 7);
  EXPECT_EQ(page.Bookmarks[3].Position, 0u);
  // An id marks a section as a name does; the first of two anchors of one name counts.
  EXPECT_EQ(page.Bookmarks[4].Position, page.Body.find(u"<div class") + 1);
  EXPECT_EQ(page.Bookmarks[5].Position, 0u);
  EXPECT_EQ(page.AnchorBlocks.at(u"S"), 43u);
  EXPECT_EQ(page.AnchorBlocks.size(), 6u);  // intro, s, setup, tail, missing, usage
}

TEST(Bookmarks, SplitWritesOneDistilledSectionFilePerBookmark) {
  testing::ScratchDir dir;
  const std::u16string folder = U16(dir.folder());
  std::filesystem::create_directories(dir.path() / "html");
  const std::u16string usage = u"<p>Open the program from the start menu and pick a file to convert.</p>";
  const std::u16string setup = u"<p>Run the installer and accept the licence to get going quickly.</p>";
  const std::u16string intro = u"<p><a name=\"intro\"></a>Intro</p>";
  // Without an entry for the whole page, the first section takes the text before it; with one, that
  // entry does (the page file keeps it) and the section whose anchor is missing gets nothing.
  for (const bool whole : {false, true}) {
    SCOPED_TRACE(whole);
    TChmTopicFile page;
    page.Filename = folder + u"html\\guide.v2.htm";
    page.NamedWithoutAnchor = whole;
    page.BeforeBody = u"<html><head><title>Guide</title></head><body>";
    page.AfterBody = u"</body></html>";
    page.Body = u"<h1>Guide</h1>" + intro + u"<h2><a name=setup>Setup</a></h2>" + setup +
                u"<h2><a name='#usage'>Usage</a></h2>" + usage;
    page.Bookmarks.Add(u"usage", u"Usage");
    page.Bookmarks.Add(u"setup", u"Setting up");
    page.Bookmarks.Add(u"intro", u"Introduction");
    page.Bookmarks.Add(u"gone", u"Gone");  // its anchor is not in the page
    page.ProcessBookmarks();
    page.Bookmarks.Sort();
    ASSERT_EQ(page.Bookmarks[0].Name, u"gone");
    ASSERT_EQ(page.Bookmarks[1].Name, u"intro");
    page.SplitFileByBookmark();

    const auto read = [&](const char* name) { return ReadPageText(folder + u"html\\" + U16(name)); };
    const std::u16string frame = page.BeforeBody;
    EXPECT_EQ(read("guide.v2_0.htm"), frame + (whole ? u"" : u"<h1>Guide</h1>") + page.AfterBody);
    EXPECT_EQ(read("guide.v2_1.htm"), frame + intro + page.AfterBody);
    EXPECT_EQ(read("guide.v2_2.htm"), frame + setup + page.AfterBody);
    EXPECT_EQ(read("guide.v2_3.htm"), frame + usage + page.AfterBody);
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "html" / "guide.v2_4.htm"));
    EXPECT_EQ(page.Preamble(), u"<h1>Guide</h1>");
  }
}

TEST(Bookmarks, AnchorsInOneBlockLeaveTheFirstSectionEmpty) {
  testing::ScratchDir dir;
  TChmTopicFile page;
  page.Filename = U16(dir.folder()) + u"page";  // no extension: the index is simply appended
  page.BeforeBody = u"<body>";
  page.AfterBody = u"</body>";
  page.Body = u"<p><a name=a></a><a name=b></a>Both anchors sit in this one paragraph of text.</p>";
  page.Bookmarks.Add(u"a", u"A");
  page.Bookmarks.Add(u"b", u"B");
  page.ProcessBookmarks();
  page.Bookmarks.Sort();
  page.SplitFileByBookmark();
  EXPECT_EQ(ReadPageText(U16(dir.folder()) + u"page_0"), u"<body></body>");
  EXPECT_EQ(ReadPageText(U16(dir.folder()) + u"page_1"), u"<body>" + page.Body + u"</body>");
}

}  // namespace
}  // namespace tomeshift
