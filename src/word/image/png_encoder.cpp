#include "word/image/png_encoder.h"

#include <zlib.h>

#include <cstdint>
#include <stdexcept>

namespace tomeshift::word {

namespace {
void Put32(std::string& out, std::uint32_t v) {
  for (int s = 24; s >= 0; s -= 8) out += static_cast<char>((v >> s) & 0xFF);
}
void Chunk(std::string& out, const char* type, std::string_view data) {
  Put32(out, static_cast<std::uint32_t>(data.size()));
  std::string body(type, 4);
  body.append(data);
  out += body;
  Put32(out, static_cast<std::uint32_t>(
                 crc32(0, reinterpret_cast<const Bytef*>(body.data()), static_cast<uInt>(body.size()))));
}
}  // namespace

std::string EncodePng(std::string_view rgba, int width, int height) {
  std::string raw;
  raw.reserve((static_cast<std::size_t>(width) * 4 + 1) * height);
  for (int y = 0; y < height; ++y) {
    raw += '\0';
    raw.append(rgba.substr(static_cast<std::size_t>(y) * width * 4, static_cast<std::size_t>(width) * 4));
  }
  uLongf len = compressBound(static_cast<uLong>(raw.size()));
  std::string z(len, '\0');
  if (compress2(reinterpret_cast<Bytef*>(z.data()), &len, reinterpret_cast<const Bytef*>(raw.data()),
                static_cast<uLong>(raw.size()), 6) != Z_OK)
    throw std::runtime_error("PNG compression failed");
  z.resize(len);
  std::string out("\x89PNG\r\n\x1a\n", 8);
  std::string ihdr;
  Put32(ihdr, static_cast<std::uint32_t>(width));
  Put32(ihdr, static_cast<std::uint32_t>(height));
  ihdr += std::string("\x08\x06\x00\x00\x00", 5);
  Chunk(out, "IHDR", ihdr);
  Chunk(out, "IDAT", z);
  Chunk(out, "IEND", "");
  return out;
}

}  // namespace tomeshift::word
