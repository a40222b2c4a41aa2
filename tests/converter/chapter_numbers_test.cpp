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

}  // namespace
}  // namespace tomeshift
