// Formatted disk pages (FKPs): the 512-byte pages that carry character and paragraph properties
// by file offset, and the bin tables (PlcBteChpx/PlcBtePapx) that index them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tomeshift::word {

struct TFkpRun {
  std::uint32_t fc = 0;     // first byte of the run in the WordDocument stream
  std::uint32_t props = 0;  // index into the property list given to Build
};

class TDocFkp {
 public:
  enum class Kind { kChpx, kPapx };
  // Runs are contiguous and ascending; the last one ends at fc_end. Property lists hold a CHPX's
  // grpprl, or a PAPX's istd (2 bytes) followed by its grpprl. first_page is the page number the
  // first FKP will have in the stream (its offset / 512). Appends pages to `pages` and returns the bin table.
  static std::string Build(Kind kind, const std::vector<TFkpRun>& runs, std::uint32_t fc_end,
                           const std::vector<std::string>& props, std::uint32_t first_page, std::string& pages);
  // Largest property list that fits a page with room to spare; larger PAPXs go to the Data stream.
  static constexpr std::size_t kMaxProps = 400;
};

}  // namespace tomeshift::word
