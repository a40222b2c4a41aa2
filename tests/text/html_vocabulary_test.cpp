#include "text/html_vocabulary.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "text/text_utils.h"
#include "text/unicode.h"

namespace tomeshift {
namespace {

TEST(HtmlVocabulary, ListSizesAndOrder) {
  EXPECT_EQ(BreakTags().Count(), 35);
  EXPECT_EQ(BlockTags().Count(), 33);
  EXPECT_EQ(NonDocumentTags().Count(), 16);
  EXPECT_EQ(EmptyTags().Count(), 20);
  EXPECT_EQ(UrlAttributes().Count(), 3);
  EXPECT_EQ(PageExtensions().Count(), 4);
  EXPECT_EQ(EntityTable().Count(), 261);
  for (const TStringList* list : {&BreakTags(), &BlockTags(), &NonDocumentTags(), &EmptyTags()}) {
    for (int i = 0; i < list->Count(); ++i) {
      EXPECT_EQ((*list)[i], UpperCase((*list)[i]));
      if (i > 0) {
        EXPECT_LT(CompareText((*list)[i - 1], (*list)[i]), 0);
      }
    }
  }
}

TEST(HtmlVocabulary, MembershipTests) {
  using Test = bool (*)(std::u16string_view);
  struct Case {
    Test test;
    const char* name;
    const char16_t* word;
    bool expected;
  };
  const Case cases[] = {
      {IsBreakTag, "break", u"p", true},
      {IsBreakTag, "break", u"P", true},
      {IsBreakTag, "break", u"p ", false},
      {IsBreakTag, "break", u"Br", true},
      {IsBreakTag, "break", u"td", true},
      {IsBreakTag, "break", u"span", false},
      {IsBreakTag, "break", u"", false},
      {IsBlockTag, "block", u"P", false},
      {IsBlockTag, "block", u"BR", false},
      {IsBlockTag, "block", u"TD", true},
      {IsBlockTag, "block", u"li", true},
      {IsBlockTag, "block", u"Table", true},
      {IsNonDocumentTag, "nondoc", u"title", true},
      {IsNonDocumentTag, "nondoc", u"Script", true},
      {IsNonDocumentTag, "nondoc", u"body", false},
      {IsEmptyTag, "empty", u"img", true},
      {IsEmptyTag, "empty", u"LI", true},
      {IsEmptyTag, "empty", u"colgroup", true},
      {IsEmptyTag, "empty", u"body", false},
      {IsBreakTag, "break", u"body", false},
      {IsUrlAttribute, "url", u"Background", true},
      {IsUrlAttribute, "url", u"href", true},
      {IsUrlAttribute, "url", u"CODEBASE", false},
      {IsUrlAttribute, "url", u"DATA", false},
      {IsPageExtension, "ext", u".htm", true},
      {IsPageExtension, "ext", u".Html", true},
      {IsPageExtension, "ext", u".sht", true},
      {IsPageExtension, "ext", u"htm", false},
      {IsPageExtension, "ext", u".asp", false},
      {IsPageExtension, "ext", u".xml", false},
  };
  for (const auto& c : cases) EXPECT_EQ(c.test(c.word), c.expected) << c.name << " " << U8(c.word);
}

TEST(HtmlVocabulary, EntityLookups) {
  struct Case {
    const char16_t* name;
    int code;  // -1: absent
  };
  const Case cases[] = {
      {u"amp", 38},     {u"AMP", 38},       {u"Amp", -1},     {u"nbsp", 32},    {u"NBSP", 32},   {u"euro", -1},
      {u"uml", 168},    {u"die", 168},      {u"sum", 8721},   {u"minus", 8722}, {u"and", 8743},  {u"or", 8744},
      {u"asymp", 8776}, {u"thetasym", 977}, {u"Aacute", 193}, {u"aacute", 225}, {u"AACUTE", -1}, {u"lang", 9001},
      {u"sup", 8835},   {u"sup1", 185},     {u"brkbar", 166}, {u"hibar", 175},  {u"COPY", 169},  {u"REG", 174},
      {u"QUOT", 34},    {u"LT", 60},        {u"GT", 62},      {u"zwnj", 8204},  {u"", -1},       {u"amp;", -1},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(EntityCode(c.name), c.code) << U8(c.name);
    EXPECT_EQ(EntityValue(c.name), c.code < 0 ? u"" : IntToStr(c.code)) << U8(c.name);
  }
}

TEST(HtmlVocabulary, SafeToBuildFromSeveralThreadsAtOnce) {
  std::vector<std::thread> threads;
  std::vector<int> answers(8);
  for (int t = 0; t < 8; ++t) {
    threads.emplace_back([t, &answers] { answers[t] = EntityCode(u"hellip") + (IsBreakTag(u"div") ? 1 : 0); });
  }
  for (auto& th : threads) th.join();
  for (const int a : answers) EXPECT_EQ(a, 8230 + 1);
}

}  // namespace
}  // namespace tomeshift
