#include "converter/chapter_numbers.h"

#include <gtest/gtest.h>

#include <vector>

#include "text/unicode.h"

namespace tomeshift {
namespace {

struct NumberingCase {
  std::vector<int> levels;
  std::vector<std::u16string> numbers;
};

class ChapterNumbers : public ::testing::TestWithParam<NumberingCase> {};

TEST_P(ChapterNumbers, FollowTheLevelsInListOrder) {
  const NumberingCase& c = GetParam();
  TChapterCounter counter;
  for (std::size_t i = 0; i < c.levels.size(); ++i) {
    EXPECT_EQ(U8(counter.Next(c.levels[i])), U8(c.numbers[i])) << "entry " << i;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Table, ChapterNumbers,
    ::testing::Values(NumberingCase{{0, 1, 1, 2, 0}, {u"1.", u"1.1", u"1.2", u"1.2.1", u"2."}},
                      NumberingCase{{0, 2}, {u"1.", u"1..1"}}, NumberingCase{{1, 1}, {u".1", u".2"}},
                      // five chapters, then the Addenda heading and its two pages
                      NumberingCase{{0, 0, 0, 0, 0, 0, 1, 1},
                                    {u"1.", u"2.", u"3.", u"4.", u"5.", u"6.", u"6.1", u"6.2"}},
                      NumberingCase{{0, 1, 2, 3, 4, 5, 6, 7, 8, 9},
                                    {u"1.", u"1.1", u"1.1.1", u"1.1.1.1", u"1.1.1.1.1", u"1.1.1.1.1.1",
                                     u"1.1.1.1.1.1.1", u"1.1.1.1.1.1.1.1", u"1.1.1.1.1.1.1.1.1", u"1.1.1.1.1.1.1.1.1"}},
                      NumberingCase{{-1}, {u"."}},
                      // a deeper counter restarts under a new parent
                      NumberingCase{{0, 1, 2, 2, 1, 2, 0, 2},
                                    {u"1.", u"1.1", u"1.1.1", u"1.1.2", u"1.2", u"1.2.1", u"2.", u"2..1"}}));

TEST(OwnChapterNumbers, AreTheNumbersTitlesBeginWith) {
  struct Case {
    const char16_t* title;
    const char16_t* most;  // when most titles of the help file are numbered
    const char16_t* few;   // when few are
  } cases[] = {
      {u"2.1 The rules of shogi", u"2.1", u"2.1"},
      {u"1.1.3. Das root-Benutzerkonto", u"1.1.3.", u"1.1.3."},
      {u"  3. Daily use", u"3.", u"3."},
      {u"1 Overview", u"1", u""},
      {u"10 minutes to Kestrel", u"10", u""},
      {u"A. Command summary", u"A.", u"A."},
      {u"A.1. Writing commands", u"A.1.", u"A.1."},
      {u"B.2 Files", u"B.2", u"B.2"},
      {u"A tour of the program", u"", u""},
      {u"Appendix A Exit status", u"", u""},
      {u"2024 release notes", u"", u""},
      {u"3D graphics", u"", u""},
      {u"1.5", u"", u""},
      {u"2. ", u"", u""},
      {u"1..1 Gap", u"", u""},
      {u"Getting started", u"", u""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(U8(std::u16string(OwnChapterNumber(c.title))), U8(c.most)) << U8(c.title);
    EXPECT_EQ(U8(std::u16string(OwnChapterNumber(c.title, false))), U8(c.few)) << U8(c.title);
  }
}

}  // namespace
}  // namespace tomeshift
