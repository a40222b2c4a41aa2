// Pages nested far deeper than any real page (or with rows that are never closed): the distiller
// keeps all their text and stays linear (the fuzz replay keeps the inputs that used to take minutes).
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "converter/chm_topic_file.h"
#include "text/html_tag_tree.h"

namespace tomeshift {
namespace {

std::size_t Count(std::u16string_view text, std::u16string_view what) {
  std::size_t n = 0;
  for (std::size_t at = text.find(what); at != std::u16string_view::npos; at = text.find(what, at + what.size())) ++n;
  return n;
}

std::u16string Repeat(std::u16string_view piece, int times) {
  std::u16string out;
  for (int i = 0; i < times; ++i) out += piece;
  return out;
}

TEST(DistillerNesting, DeepOrUnclosedElementsKeepEveryWord) {
  const std::u16string words = Repeat(u"content words ", 40);
  struct Case {
    const char* name;
    std::u16string body;
    std::u16string marker;
    std::size_t markers;
    // The smallest element holding nearly all the text wins: an outer one must hold more than 60
    // visible characters more, so up to 15 four-letter words at the start may stay behind.
    std::size_t may_lose = 0;
    std::size_t section_may_lose = 0;
  };
  const Case cases[] = {
      {"nesting below the cap", Repeat(u"<div>", 200) + u"<p>" + words + u"</p>" + Repeat(u"</div>", 200), u"content",
       40},
      {"nesting beyond the cap", Repeat(u"<div>", 2000) + u"<p>" + words + u"</p>" + Repeat(u"</div>", 2000),
       u"content", 40},
      {"beyond the cap, then a sibling",
       Repeat(u"<div>", 1500) + u"<p>" + words + u"</p>" + Repeat(u"</div>", 1500) + u"<p>" + words + u"</p>",
       u"content", 80},
      {"rows never closed", u"<table>" + Repeat(u"<tr><td>cell text</td>", 3000) + u"</table>", u"cell text", 3000, 0,
       1},
      {"nothing closed at all", Repeat(u"<div><span>word ", 3000), u"word", 3000, 15, 2},
  };
  for (const Case& c : cases) {
    auto page = std::make_unique<TChmTopicFile>();
    page->LoadPageText(u"<html><body>" + c.body + u"</body></html>");
    const std::u16string result = page->Distiller();
    EXPECT_LE(Count(result, c.marker), c.markers) << c.name;
    EXPECT_GE(Count(result, c.marker), c.markers - c.may_lose) << c.name;
    EXPECT_LE(result.size(), page->Body.size() + 16) << c.name;

    // The section scanner follows the same rule with a margin of 5 characters, and drops a short
    // first block as the section's heading.
    const std::u16string section = DistillSection(page->Body, u"");
    EXPECT_LE(Count(section, c.marker), c.markers) << c.name << " (section)";
    EXPECT_GE(Count(section, c.marker), c.markers - c.section_may_lose) << c.name << " (section)";
    EXPECT_LE(section.size(), page->Body.size() + 32) << c.name << " (section)";
  }
}

// Scanning upwards gathers a tag backwards; its name is the first word however long the tag. A DIV
// ends the block above it, an unknown element does not (the scan goes on to the end of the P).
TEST(DistillerNesting, BlockScannerUpReadsNamesOfVeryLongTags) {
  const std::u16string run(100000, u'a');
  struct Case {
    std::u16string tag;
    std::u16string stopped_at;
  };
  for (const Case& c : {Case{u"<div " + run + u">", u"div"}, Case{u"<div\t\tclass=" + run + u">", u"div"},
                        Case{u"<" + run + u">", u"p"}}) {
    auto page = std::make_unique<TChmTopicFile>();
    page->LoadPageText(u"<html><body><p>before</p>" + c.tag + u"after</div></body></html>");
    page->IniticalizeTags();
    page->i = page->h;
    page->SearchUp();
    EXPECT_EQ(page->Text, u"after");
    EXPECT_TRUE(page->TagName == c.stopped_at) << c.tag.size();
    page->SearchUp();
    EXPECT_EQ(page->Text, u"before");
  }
}

}  // namespace
}  // namespace tomeshift
