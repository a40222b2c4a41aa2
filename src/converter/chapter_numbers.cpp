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

namespace {

// Past one to three digits from at; at itself when there are none or more than three.
std::size_t SkipDigits(std::u16string_view text, std::size_t at) {
  std::size_t end = at;
  while (end < text.size() && IsDigit(text[end])) ++end;
  return end - at >= 1 && end - at <= 3 ? end : at;
}

}  // namespace

std::u16string_view OwnChapterNumber(std::u16string_view title, bool most_titles_numbered) {
  std::size_t start = 0;
  while (start < title.size() && IsWhitespace(title[start])) ++start;
  std::size_t end = SkipDigits(title, start);
  if (end == start) {
    // An appendix letter counts only with its dot: "A. Commands", "B.2 Files", not "A tour".
    if (start + 1 >= title.size() || title[start] < u'A' || title[start] > u'Z' || title[start + 1] != u'.') return {};
    end = start + 2;
    const std::size_t group = SkipDigits(title, end);
    if (group == end) {
      if (end < title.size() && !IsWhitespace(title[end])) return {};
    } else {
      end = group;
    }
  }
  while (end < title.size() && title[end] == u'.') {
    const std::size_t group = SkipDigits(title, end + 1);
    if (group == end + 1) {
      ++end;  // a closing dot: "1.1."
      break;
    }
    end = group;
  }
  std::size_t words = end;
  while (words < title.size() && IsWhitespace(title[words])) ++words;
  if (words == end || words >= title.size()) return {};
  const std::u16string_view number = title.substr(start, end - start);
  if (!most_titles_numbered && number.find(u'.') == std::u16string_view::npos) return {};
  return number;
}

}  // namespace tomeshift
