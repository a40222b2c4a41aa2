#include "word/image/gif_decoder.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <vector>

namespace tomeshift::word {
namespace {

// A plain GIF LZW encoder (the textbook one, growing codes to 12 bits and clearing when full), so
// that decoding is checked against real compressed streams, runs (the KwKwK case) included.
std::string LzwEncode(const std::vector<std::uint8_t>& idx, int min_size) {
  const int clear = 1 << min_size, end = clear + 1;
  std::string out;
  std::uint32_t bits = 0;
  int nbits = 0, width = min_size + 1, next = end + 1;
  auto emit = [&](int code) {
    bits |= static_cast<std::uint32_t>(code) << nbits;
    nbits += width;
    while (nbits >= 8) {
      out.push_back(static_cast<char>(bits & 0xFF));
      bits >>= 8;
      nbits -= 8;
    }
  };
  std::map<std::pair<int, int>, int> table;
  emit(clear);
  int prefix = -1;
  for (std::uint8_t c : idx) {
    if (prefix < 0) {
      prefix = c;
      continue;
    }
    auto it = table.find({prefix, c});
    if (it != table.end()) {
      prefix = it->second;
      continue;
    }
    emit(prefix);
    if (next < 4096) {
      table[{prefix, c}] = next++;
      if (next > (1 << width) && width < 12) ++width;
    } else {
      emit(clear);
      table.clear();
      width = min_size + 1;
      next = end + 1;
    }
    prefix = c;
  }
  if (prefix >= 0) emit(prefix);
  emit(end);
  if (nbits > 0) out.push_back(static_cast<char>(bits & 0xFF));
  return out;
}

std::string Gif(int w, int h, const std::vector<std::uint8_t>& idx, int colors_log2, int transparent, bool interlaced) {
  std::string g = "GIF89a";
  auto u16 = [&](int v) {
    g.push_back(static_cast<char>(v & 0xFF));
    g.push_back(static_cast<char>(v >> 8));
  };
  u16(w);
  u16(h);
  g.push_back(static_cast<char>(0x80 | (colors_log2 - 1)));
  g.push_back(0);
  g.push_back(0);
  for (int i = 0; i < (1 << colors_log2); ++i) {
    g.push_back(static_cast<char>(i * 7));
    g.push_back(static_cast<char>(255 - i));
    g.push_back(static_cast<char>(i * 3));
  }
  if (transparent >= 0) {
    g += std::string("\x21\xF9\x04\x01\x00\x00", 6);
    g.push_back(static_cast<char>(transparent));
    g.push_back(0);
  }
  g.push_back(0x2C);
  u16(0);
  u16(0);
  u16(w);
  u16(h);
  g.push_back(interlaced ? 0x40 : 0);
  // Interlaced files store rows in pass order.
  std::vector<std::uint8_t> stored;
  std::vector<int> rows;
  if (interlaced) {
    for (int y = 0; y < h; y += 8) rows.push_back(y);
    for (int y = 4; y < h; y += 8) rows.push_back(y);
    for (int y = 2; y < h; y += 4) rows.push_back(y);
    for (int y = 1; y < h; y += 2) rows.push_back(y);
  } else {
    for (int y = 0; y < h; ++y) rows.push_back(y);
  }
  for (int y : rows) stored.insert(stored.end(), idx.begin() + y * w, idx.begin() + (y + 1) * w);
  const int min_size = std::max(2, colors_log2);
  g.push_back(static_cast<char>(min_size));
  const std::string data = LzwEncode(stored, min_size);
  for (std::size_t at = 0; at < data.size(); at += 255) {
    const std::size_t n = std::min<std::size_t>(255, data.size() - at);
    g.push_back(static_cast<char>(n));
    g.append(data, at, n);
  }
  g.push_back(0);
  g.push_back(0x3B);
  return g;
}

TEST(DocGifDecoder, DecodesWhatAnEncoderWrote) {
  struct Case {
    int w, h, colors_log2, transparent;
    bool interlaced;
    int pattern;  // 0 noise, 1 long runs, 2 stripes
  };
  const Case cases[] = {
      {1, 1, 1, -1, false, 0},  {37, 23, 8, -1, true, 0}, {300, 200, 8, 5, false, 0},
      {64, 64, 2, 0, false, 1}, {513, 9, 4, -1, true, 2}, {1000, 100, 1, -1, false, 1},
  };
  std::mt19937 rng(7);
  for (const auto& c : cases) {
    std::vector<std::uint8_t> idx(static_cast<std::size_t>(c.w * c.h));
    const int n = 1 << c.colors_log2;
    for (std::size_t i = 0; i < idx.size(); ++i) {
      idx[i] = static_cast<std::uint8_t>(c.pattern == 0   ? rng() % n
                                         : c.pattern == 1 ? (i / 97) % n
                                                          : (i % 13 < 6 ? 0 : n - 1));
    }
    const auto img = TDocGifDecoder::Decode(Gif(c.w, c.h, idx, c.colors_log2, c.transparent, c.interlaced));
    ASSERT_TRUE(img.has_value()) << c.w << "x" << c.h;
    ASSERT_EQ(img->width, c.w);
    ASSERT_EQ(img->height, c.h);
    int wrong = 0;
    for (std::size_t i = 0; i < idx.size(); ++i) {
      const auto* px = reinterpret_cast<const unsigned char*>(img->rgba.data() + i * 4);
      const int k = idx[i];
      if (k == c.transparent) {
        wrong += px[3] != 0;
      } else {
        wrong +=
            px[0] != static_cast<unsigned char>(k * 7) || px[1] != static_cast<unsigned char>(255 - k) || px[3] != 255;
      }
    }
    EXPECT_EQ(wrong, 0) << c.w << "x" << c.h;
  }
}

TEST(DocGifDecoder, RejectsWhatIsNotAUsableGif) {
  EXPECT_FALSE(TDocGifDecoder::Decode("GIF89a").has_value());
  EXPECT_FALSE(TDocGifDecoder::Decode("\x89PNG\r\n\x1a\n0000000000").has_value());
  std::string huge = Gif(1, 1, {0}, 1, -1, false);
  huge[6] = huge[7] = huge[8] = huge[9] = static_cast<char>(0xFF);  // 65535 x 65535
  EXPECT_FALSE(TDocGifDecoder::Decode(huge).has_value());
  // Cut short inside the image data: what is there is kept, the rest stays transparent.
  std::vector<std::uint8_t> idx(400, 1);
  std::string cut = Gif(20, 20, idx, 1, -1, false);
  cut.resize(cut.size() - 6);
  EXPECT_TRUE(TDocGifDecoder::Decode(cut).has_value());
}

}  // namespace
}  // namespace tomeshift::word
