// Decodes the first frame of a GIF into RGBA: the Word 97-2003 format has no GIF pictures, so they
// are written as PNG.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tomeshift::word {

struct TDocImage {
  int width = 0, height = 0;
  std::string rgba;  // width * height * 4 bytes, rows top to bottom
};

class TDocGifDecoder {
 public:
  // nullopt for data that is not a GIF, is cut short, or is larger than kMaxPixels.
  static std::optional<TDocImage> Decode(std::string_view bytes);
  static constexpr long long kMaxPixels = 40LL * 1000 * 1000;
};

}  // namespace tomeshift::word
