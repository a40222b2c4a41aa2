#include "word/image/gif_decoder.h"

#include <array>
#include <cstdint>
#include <vector>

namespace tomeshift::word {
namespace {

class Reader {
 public:
  explicit Reader(std::string_view b) : b_(b) {}
  bool Has(std::size_t n) const { return pos_ + n <= b_.size(); }
  std::uint8_t U8() { return Has(1) ? static_cast<std::uint8_t>(b_[pos_++]) : (ok_ = false, 0); }
  std::uint16_t U16() {
    const std::uint16_t lo = U8();
    return static_cast<std::uint16_t>(lo | (U8() << 8));
  }
  void Skip(std::size_t n) { Has(n) ? void(pos_ += n) : void(ok_ = false); }
  // Concatenated data sub-blocks up to the terminator.
  std::string Blocks() {
    std::string out;
    for (;;) {
      const std::uint8_t n = U8();
      if (!ok_ || n == 0) break;
      if (!Has(n)) {
        out.append(b_.substr(pos_));  // a cut-off image keeps what is there
        pos_ = b_.size();
        break;
      }
      out.append(b_.substr(pos_, n));
      pos_ += n;
    }
    return out;
  }
  bool ok() const { return ok_; }

 private:
  std::string_view b_;
  std::size_t pos_ = 0;
  bool ok_ = true;
};

// LZW as GIF uses it: variable code width up to 12 bits, clear and end codes.
std::vector<std::uint8_t> Lzw(const std::string& data, int min_size, std::size_t want) {
  std::vector<std::uint8_t> out;
  out.reserve(want);
  if (min_size < 2 || min_size > 8) return out;
  const int clear = 1 << min_size, end = clear + 1;
  std::vector<std::uint16_t> prefix(4096);
  std::vector<std::uint8_t> suffix(4096), stack;
  stack.reserve(4097);
  int width = min_size + 1, next = end + 1, prev = -1;
  std::uint8_t first = 0;
  for (int c = 0; c < clear; ++c) suffix[static_cast<std::size_t>(c)] = static_cast<std::uint8_t>(c);
  std::uint32_t bits = 0;
  int nbits = 0;
  std::size_t at = 0;
  while (out.size() < want) {
    while (nbits < width && at < data.size()) {
      bits |= static_cast<std::uint32_t>(static_cast<std::uint8_t>(data[at++])) << nbits;
      nbits += 8;
    }
    if (nbits < width) break;
    const int code = static_cast<int>(bits & ((1u << width) - 1));
    bits >>= width;
    nbits -= width;
    if (code == clear) {
      width = min_size + 1;
      next = end + 1;
      prev = -1;
      continue;
    }
    if (code == end) break;
    if (prev < 0) {
      if (code >= clear) break;
      out.push_back(static_cast<std::uint8_t>(code));
      prev = code;
      first = static_cast<std::uint8_t>(code);
      continue;
    }
    int cur = code;
    stack.clear();
    if (code >= next) {
      if (code > next) break;  // corrupt
      stack.push_back(first);
      cur = prev;
    }
    while (cur >= clear) {
      stack.push_back(suffix[static_cast<std::size_t>(cur)]);
      cur = prefix[static_cast<std::size_t>(cur)];
    }
    stack.push_back(static_cast<std::uint8_t>(cur));
    first = static_cast<std::uint8_t>(cur);
    for (auto it = stack.rbegin(); it != stack.rend() && out.size() < want; ++it) out.push_back(*it);
    if (next < 4096) {
      prefix[static_cast<std::size_t>(next)] = static_cast<std::uint16_t>(prev);
      suffix[static_cast<std::size_t>(next)] = first;
      ++next;
      if (next == (1 << width) && width < 12) ++width;
    }
    prev = code;
  }
  return out;
}

}  // namespace

std::optional<TDocImage> TDocGifDecoder::Decode(std::string_view bytes) {
  if (bytes.size() < 13 || (bytes.substr(0, 6) != "GIF87a" && bytes.substr(0, 6) != "GIF89a")) return std::nullopt;
  Reader r(bytes);
  r.Skip(6);
  TDocImage img;
  img.width = r.U16();
  img.height = r.U16();
  const std::uint8_t flags = r.U8();
  const std::uint8_t background = r.U8();
  r.Skip(1);
  if (img.width <= 0 || img.height <= 0 || static_cast<long long>(img.width) * img.height > kMaxPixels)
    return std::nullopt;
  std::array<std::uint8_t, 768> global{};
  int global_count = 0;
  if (flags & 0x80) {
    global_count = 2 << (flags & 7);
    for (int i = 0; i < global_count * 3; ++i) global[static_cast<std::size_t>(i)] = r.U8();
  }
  (void)background;
  int transparent = -1;
  while (r.ok()) {
    const std::uint8_t block = r.U8();
    if (block == 0x21) {
      const std::uint8_t label = r.U8();
      std::string ext = r.Blocks();
      if (label == 0xF9 && ext.size() >= 4 && (ext[0] & 1)) transparent = static_cast<std::uint8_t>(ext[3]);
      continue;
    }
    if (block != 0x2C) break;
    const int left = r.U16(), top = r.U16(), w = r.U16(), h = r.U16();
    const std::uint8_t iflags = r.U8();
    std::array<std::uint8_t, 768> local{};
    const std::array<std::uint8_t, 768>* palette = &global;
    int count = global_count;
    if (iflags & 0x80) {
      count = 2 << (iflags & 7);
      for (int i = 0; i < count * 3; ++i) local[static_cast<std::size_t>(i)] = r.U8();
      palette = &local;
    }
    const int min_size = r.U8();
    if (!r.ok() || static_cast<long long>(w) * h > kMaxPixels) return std::nullopt;
    const std::string data = r.Blocks();
    const std::vector<std::uint8_t> idx =
        Lzw(data, min_size, static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
    img.rgba.assign(static_cast<std::size_t>(img.width) * static_cast<std::size_t>(img.height) * 4, '\0');
    // Interlaced rows come in four passes.
    std::vector<int> rows;
    rows.reserve(static_cast<std::size_t>(h));
    if (iflags & 0x40) {
      for (int start : {0, 4, 2, 1}) {
        const int step = start == 0 ? 8 : start == 4 ? 8 : start == 2 ? 4 : 2;
        for (int y = start; y < h; y += step) rows.push_back(y);
      }
    } else {
      for (int y = 0; y < h; ++y) rows.push_back(y);
    }
    for (std::size_t n = 0; n < idx.size(); ++n) {
      const int row = rows[n / static_cast<std::size_t>(w)];
      const int x = left + static_cast<int>(n % static_cast<std::size_t>(w)), y = top + row;
      if (x >= img.width || y >= img.height) continue;
      const int c = idx[n];
      if (c == transparent || c >= count) continue;
      const std::size_t at =
          (static_cast<std::size_t>(y) * static_cast<std::size_t>(img.width) + static_cast<std::size_t>(x)) * 4;
      img.rgba[at] = static_cast<char>((*palette)[static_cast<std::size_t>(c) * 3]);
      img.rgba[at + 1] = static_cast<char>((*palette)[static_cast<std::size_t>(c) * 3 + 1]);
      img.rgba[at + 2] = static_cast<char>((*palette)[static_cast<std::size_t>(c) * 3 + 2]);
      img.rgba[at + 3] = static_cast<char>(0xFF);
    }
    return img;
  }
  return std::nullopt;
}

}  // namespace tomeshift::word
