// Random tag soup through every scanner of a topic page: nothing may crash or loop, positions stay
// inside the body, and no text is invented.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "converter/chm_topic_file.h"
#include "converter/topic_comparison.h"
#include "text/html_tag_tree.h"
#include "text/unicode.h"

namespace tomeshift {
namespace {

std::u16string TagSoup(std::mt19937& random) {
  const char16_t* const pieces[] = {
      u"<p>",
      u"</p>",
      u"<div>",
      u"</div>",
      u"<td>",
      u"</td>",
      u"<tr>",
      u"</tr>",
      u"<table>",
      u"</table>",
      u"<br/>",
      u"<img src=\"a/prev.gif\">",
      u"<img src='logo.gif'>",
      u"<a name=x>",
      u"<a name=\"#y\">",
      u"</a>",
      u"<h1>",
      u"</h1>",
      u"<script>",
      u"</script>",
      u"<span style=\"display:none\">",
      u"</span>",
      u"<li>",
      u"</body>",
      u"<body>",
      u"<",
      u">",
      u"/",
      u" ",
      u"\r\n",
      u"&amp;",
      u"&#",
      u"text",
      u"Title",
      u"y",
      u"=",
      u"\"",
      u"'",
      u"<!-- c -->",
      u"</",
      u"<>",
      u"</root>",
      u"\u00e9\u4e2d",
  };
  std::u16string soup;
  for (int n = static_cast<int>(random() % 60); n > 0; --n) soup += pieces[random() % std::size(pieces)];
  return soup;
}

TEST(TopicScannersRandom, TagSoupNeitherCrashesNorLoops) {
  std::mt19937 random(3);
  for (int round = 0; round < 300; ++round) {
    std::vector<std::unique_ptr<TChmTopicFile>> pages;
    std::vector<TChmTopicFile*> pointers;
    for (int n = 0; n < 6; ++n) {
      auto page = std::make_unique<TChmTopicFile>();
      page->Title1 = u"Title";
      page->LoadPageText(TagSoup(random));
      pointers.push_back(page.get());
      pages.push_back(std::move(page));
    }
    RunComparisonPasses(pointers, random() % 7);
    for (auto& page : pages) {
      const std::u16string page_text = page->BeforeBody + page->Body + page->AfterBody;
      EXPECT_GE(page->SamePointH, -1);
      EXPECT_LE(page->SamePointL, page->h + 1);
      for (int shift = 0; shift < 3; ++shift) {
        page->SamePointL = static_cast<int>(random() % (page->h + 3)) - 1;
        page->SamePointH = static_cast<int>(random() % (page->h + 3)) - 1;
        const std::u16string body = page->Distiller();
        EXPECT_LE(body.size(), page->Body.size() * 2 + 2);
      }
      page->FindAnchors();
      page->Bookmarks.Add(u"x", u"X");
      page->Bookmarks.Add(u"y", u"Y");
      page->ProcessBookmarks();
      for (int n = 0; n < page->Bookmarks.Count(); ++n) EXPECT_LE(page->Bookmarks[n].Position, page->h + 1u);
      const TBodySplit split = SplitBody(page_text);
      EXPECT_LE(split.BeforeBody.size() + split.Body.size() + split.AfterBody.size(), page_text.size());
      const std::u16string section = DistillSection(page->Body, u"Title");
      // Open elements get their end tags, a cut table its table tags; nothing is repeated.
      EXPECT_LE(section.size(), page->Body.size() * 2 + 24) << U8(page->Body) << "\n=> " << U8(section);
    }
  }
}

TEST(TopicScannersRandom, BlockScannersAlwaysReachTheEnds) {
  std::mt19937 random(5);
  for (int round = 0; round < 500; ++round) {
    TChmTopicFile page;
    page.LoadPageText(TagSoup(random));
    page.IniticalizeTags();
    page.i = 1;
    int steps = 0;
    for (page.SearchDown(); page.FindText; page.SearchDown()) ASSERT_LT(++steps, 1000);
    EXPECT_EQ(page.i, page.h + 1);
    page.IniticalizeTags();
    page.i = page.h;
    steps = 0;
    for (page.SearchUp(); page.i > 0; page.SearchUp()) ASSERT_LT(++steps, 1000);
    EXPECT_EQ(page.i, 0);
  }
}

}  // namespace
}  // namespace tomeshift
