// Pages in the shapes that documentation generators write (see tests/fixtures/converter/topic-pages):
// after the comparison passes and the distiller, every page keeps all of its content text and none of
// the navigation it shares with the others.
#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "converter/chm_topic_file.h"
#include "converter/topic_comparison.h"
#include "platform/text_files.h"
#include "text/path_helpers.h"
#include "text/unicode.h"

namespace tomeshift {
namespace {

const std::string kFixtures = std::string(TOMESHIFT_FIXTURES_DIR) + "/converter/topic-pages/";

// Text as a reader sees it: no tags, references decoded, every run of spaces one space.
std::u16string PlainText(std::u16string_view html) {
  std::u16string text;
  bool inTag = false;
  for (char16_t c : html) {
    if (c == u'<') inTag = true;
    if (!inTag) text += c;
    if (c == u'>' && inTag) {
      inTag = false;
      text += u' ';
    }
  }
  std::u16string result;
  for (char16_t c : DecodeHtmlEntities(text)) {
    const bool space = c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'\u00a0';
    if (space) {
      if (!result.empty() && result.back() != u' ') result += u' ';
    } else {
      result += c;
    }
  }
  while (!result.empty() && result.back() == u' ') result.pop_back();
  return result;
}

struct MarkedPage {
  std::u16string text;  // without the marker comments
  std::vector<std::u16string> content, navigation;
};

// Cuts out the regions between "<!-- begin X -->" and "<!-- end X -->" and drops the markers.
MarkedPage ReadMarked(const std::u16string& path) {
  MarkedPage page;
  std::u16string rest = ReadPageText(path);
  for (;;) {
    const std::size_t begin = rest.find(u"<!-- begin ");
    if (begin == std::u16string::npos) break;
    const std::size_t nameEnd = rest.find(u" -->", begin);
    const std::u16string name = rest.substr(begin + 11, nameEnd - begin - 11);
    const std::u16string endMarker = u"<!-- end " + name + u" -->";
    const std::size_t end = rest.find(endMarker, nameEnd);
    if (end == std::u16string::npos) ADD_FAILURE() << "unterminated region in " << U8(path);
    const std::u16string region = rest.substr(nameEnd + 4, end - nameEnd - 4);
    (name == u"content" ? page.content : page.navigation).push_back(region);
    rest = rest.substr(0, begin) + region + rest.substr(end + endMarker.size());
  }
  page.text = rest;
  return page;
}

// The navigation's own phrases: each text run between tags that says something.
std::vector<std::u16string> Phrases(std::u16string_view html) {
  std::vector<std::u16string> phrases;
  std::u16string run;
  bool inTag = false;
  const auto flush = [&] {
    const std::u16string phrase = PlainText(run);
    if (phrase.size() >= 4) phrases.push_back(phrase);
    run.clear();
  };
  for (char16_t c : html) {
    if (c == u'<') {
      inTag = true;
      flush();
    } else if (c == u'>') {
      inTag = false;
    } else if (!inTag) {
      run += c;
    }
  }
  flush();
  return phrases;
}

class TopicPageShapes : public ::testing::TestWithParam<const char*> {};

TEST_P(TopicPageShapes, DistilledBodiesKeepTheContentAndDropTheNavigation) {
  const std::string folder = kFixtures + GetParam() + "/";
  std::ifstream toc(folder + "toc.txt");
  std::vector<std::unique_ptr<TChmTopicFile>> pages;
  std::vector<MarkedPage> marked;
  for (std::string line; std::getline(toc, line);) {
    const std::size_t bar = line.find('|');
    if (bar == std::string::npos) continue;
    marked.push_back(ReadMarked(U16(folder + line.substr(0, bar))));
    auto page = std::make_unique<TChmTopicFile>();
    page->Filename = U16(line.substr(0, bar));
    page->Title1 = U16(line.substr(bar + 1));
    page->LoadPageText(marked.back().text);
    pages.push_back(std::move(page));
  }
  ASSERT_EQ(pages.size(), 4u);
  std::vector<TChmTopicFile*> pointers;
  for (auto& page : pages) pointers.push_back(page.get());
  RunComparisonPasses(pointers, pointers.size());

  for (std::size_t n = 0; n < pages.size(); ++n) {
    const TChmTopicFile& page = *pages[n];
    const std::u16string body = page.Distiller();
    const std::u16string text = PlainText(body);
    SCOPED_TRACE(U8(page.Filename) + " distilled to:\n" + U8(body));
    EXPECT_TRUE(page.TitleFound);
    for (const auto& region : marked[n].content) {
      const std::u16string wanted = PlainText(region);
      ASSERT_FALSE(wanted.empty());
      EXPECT_NE(text.find(wanted), std::u16string::npos) << "missing content: " << U8(wanted);
    }
    for (const auto& region : marked[n].navigation)
      for (const auto& phrase : Phrases(region))
        EXPECT_EQ(text.find(phrase), std::u16string::npos) << "navigation left: " << U8(phrase);
    EXPECT_NE(text.find(page.Title1), 0u) << "the title heading is still there";
  }
}

INSTANTIATE_TEST_SUITE_P(Generators, TopicPageShapes,
                         ::testing::Values("reference-manual", "layout-table", "doc-portal"), [](const auto& info) {
                           std::string name = info.param;
                           for (char& c : name)
                             if (c == '-') c = '_';
                           return name;
                         });

}  // namespace
}  // namespace tomeshift
