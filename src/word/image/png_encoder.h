// Writes PNG files (the zlib adapter: no other file includes zlib.h).
#pragma once

#include <string>
#include <string_view>

namespace tomeshift::word {

// rgba: width * height * 4 bytes, rows top to bottom.
std::string EncodePng(std::string_view rgba, int width, int height);

}  // namespace tomeshift::word
