// Random tag soup through every scanner of a topic page: nothing may crash or loop, positions stay
// inside the body, and no text is invented.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <string>

#include "converter/chm_topic_file.h"
#include "converter/topic_comparison.h"
#include "support/reference_passes.h"
#include "text/html_tag_tree.h"
#include "text/text_utils.h"
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

// Where the passes cut each page, as one comparable text.
std::string Cuts(const std::vector<std::unique_ptr<TChmTopicFile>>& pages) {
  std::ostringstream out;
  for (const auto& p : pages)
    out << p->SamePointL << ' ' << p->SamePointH << ' ' << p->TitleFound << ' ' << U8(p->Title3) << '\n';
  return out.str();
}

// Runs both on fresh copies of the same pages and compares where they cut: with the walks, and with
// their budget spent from the start, when only equal blocks are alike.
void ExpectSameCuts(const std::vector<std::pair<std::u16string, std::u16string>>& sources, std::size_t contents,
                    const std::string& label) {
  const auto equal = [](std::u16string_view x, std::u16string_view y) {
    return !x.empty() && LowerCase(x) == LowerCase(y);
  };
  for (const std::size_t stepsPerPage : {kComparisonStepsPerPage, std::size_t{0}}) {
    std::vector<std::unique_ptr<TChmTopicFile>> indexed, pairwise;
    std::vector<TChmTopicFile*> a, b;
    for (const auto& [title, text] : sources) {
      for (auto* list : {&indexed, &pairwise}) {
        auto page = std::make_unique<TChmTopicFile>();
        page->Title1 = title;
        page->LoadPageText(text);
        list->push_back(std::move(page));
      }
      a.push_back(indexed.back().get());
      b.push_back(pairwise.back().get());
    }
    const int threshold = SharedBlockThreshold(contents);
    bool cutShort = false;
    if (stepsPerPage != 0) {
      RunComparisonPasses(a, contents, true, &cutShort);
      testing::ReferencePasses(b, contents, threshold);
    } else {
      RunComparisonPasses(a, contents, false, &cutShort, stepsPerPage);
      testing::ReferencePasses(b, contents, threshold, equal);
    }
    EXPECT_EQ(cutShort, stepsPerPage == 0 && threshold > 0) << label;
    EXPECT_EQ(Cuts(indexed), Cuts(pairwise)) << label << ", budget " << stepsPerPage;
  }
}

TEST(TopicScannersRandom, PassesCutWhereComparingEveryPairWould) {
  // Pages of the fixtures, folder by folder, as the help files they come from hold them.
  std::map<std::string, std::vector<std::pair<std::u16string, std::u16string>>> folders;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(TOMESHIFT_FIXTURES_DIR)) {
    const std::string ext = entry.path().extension().string();
    if (ext != ".htm" && ext != ".html") continue;
    std::ifstream in(entry.path(), std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    folders[entry.path().parent_path().string()].emplace_back(U16(entry.path().stem().string()), U16(bytes));
  }
  for (const auto& [folder, pages] : folders)
    for (std::size_t contents : {pages.size(), pages.size() / 2}) ExpectSameCuts(pages, contents, folder);

  // Navigation bars and footers with small differences over pages of every length and title form.
  std::mt19937 random(11);
  const char* const words[] = {"alpha", "beta", "gamma", "topic", "page", "help", "next", "home", "index"};
  const auto text = [&](int n) {
    std::string t;
    for (int k = 0; k < n; ++k) t += std::string(words[random() % std::size(words)]) + " ";
    return t;
  };
  for (int round = 0; round < 40; ++round) {
    std::vector<std::pair<std::u16string, std::u16string>> pages;
    const int count = 3 + static_cast<int>(random() % 30);
    for (int n = 0; n < count; ++n) {
      const std::string title = "Topic " + std::to_string(random() % 50);
      std::string body = "<p>Home | Index | Page " + std::to_string(random() % 3) + "</p><h1>" + title + "</h1>";
      for (int k = static_cast<int>(random() % 4); k > 0; --k) body += "<p>" + text(1 + random() % 25) + "</p>";
      if (random() % 4 != 0) body += "<p>Copyright 20" + std::to_string(10 + random() % 3) + " Product</p>";
      pages.emplace_back(U16(title), U16("<html><body>" + body + "</body></html>"));
    }
    ExpectSameCuts(pages, static_cast<std::size_t>(random() % (count + 1)), "round " + std::to_string(round));
  }
}

}  // namespace
}  // namespace tomeshift
