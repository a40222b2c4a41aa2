#include "converter/chapter_numbers.h"

#include "text/text_utils.h"

namespace tomeshift {

std::u16string TChapterCounter::Next(std::int32_t level) {
  if (level >= 0 && level < static_cast<std::int32_t>(counters_.size())) {
    const auto l = static_cast<std::size_t>(level);
    ++counters_[l];
    for (std::size_t deeper = l + 1; deeper < counters_.size(); ++deeper) counters_[deeper] = 0;
  }
  // The top number always gets its dot, so a top-level entry reads "3." and a skipped second level
  // shows as an empty place ("1..1").
  std::u16string number;
  if (counters_[0] > 0) number += IntToStr(counters_[0]);
  number += u'.';
  if (counters_[1] > 0) number += IntToStr(counters_[1]);
  for (std::size_t l = 2; l < counters_.size(); ++l) {
    if (counters_[l] > 0) {
      number += u'.';
      number += IntToStr(counters_[l]);
    }
  }
  return number;
}

}  // namespace tomeshift
