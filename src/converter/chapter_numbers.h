// Dotted chapter numbers ("2.3", "1..1", "4.") derived from the nesting levels of the contents
// entries, in list order.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace tomeshift {

class TChapterCounter {
 public:
  // Counts an entry at the given level and returns its number. Levels outside 0 to 8 change no
  // counter, so such an entry repeats the number before it.
  std::u16string Next(std::int32_t level);

 private:
  std::array<std::int64_t, 9> counters_{};
};

}  // namespace tomeshift
