// Dotted chapter numbers ("2.3", "1..1", "4.") derived from the nesting levels of the contents
// entries, in list order.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace tomeshift {

class TChapterCounter {
 public:
  // Counts an entry at the given level and returns its number. Levels outside 0 to 8 change no
  // counter, so such an entry repeats the number before it.
  std::u16string Next(std::int32_t level);

 private:
  std::array<std::int64_t, 9> counters_{};
};

// The number a title begins with, as its author wrote it ("2.1", "1.1.3.", "A.2."): one to three digits
// or a capital letter with its dot, then dot-separated groups of one to three digits, then a blank and
// the title's words. Empty when the title begins otherwise ("2024 release notes", "A tour", "1.5"). In a
// help file where few titles are numbered (most_titles_numbered false), only a number with a dot counts:
// "10 minutes to ..." is a title, not a chapter.
std::u16string_view OwnChapterNumber(std::u16string_view title, bool most_titles_numbered = true);

}  // namespace tomeshift
