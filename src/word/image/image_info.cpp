#include "word/image/image_info.h"

#include <cstdint>

#include "word/image/png_encoder.h"

namespace tomeshift::word {

namespace {

std::uint32_t Be16(std::string_view b, std::size_t i) {
  return static_cast<std::uint32_t>(static_cast<unsigned char>(b[i]) << 8 | static_cast<unsigned char>(b[i + 1]));
}
std::uint32_t Be32(std::string_view b, std::size_t i) { return Be16(b, i) << 16 | Be16(b, i + 2); }
std::uint32_t Le16(std::string_view b, std::size_t i) {
  return static_cast<std::uint32_t>(static_cast<unsigned char>(b[i]) | static_cast<unsigned char>(b[i + 1]) << 8);
}
std::uint32_t Le32(std::string_view b, std::size_t i) { return Le16(b, i) | Le16(b, i + 2) << 16; }
std::int32_t LeS32(std::string_view b, std::size_t i) { return static_cast<std::int32_t>(Le32(b, i)); }

bool Sane(const ImageInfo& i) { return i.width > 0 && i.height > 0 && i.width <= 100000 && i.height <= 100000; }

std::optional<ImageInfo> Png(std::string_view b) {
  if (b.size() < 24 || b.substr(12, 4) != "IHDR") return std::nullopt;
  ImageInfo i{"png", static_cast<int>(Be32(b, 16)), static_cast<int>(Be32(b, 20))};
  for (std::size_t p = 8; p + 12 <= b.size();) {
    std::uint32_t len = Be32(b, p);
    auto type = b.substr(p + 4, 4);
    if (type == "pHYs" && len >= 9 && p + 17 <= b.size() && b[p + 16] == 1) {
      double x = Be32(b, p + 8) * 0.0254, y = Be32(b, p + 12) * 0.0254;
      if (x >= 10 && y >= 10) i.dpi_x = x, i.dpi_y = y;
    }
    if (type == "IDAT" || type == "IEND" || len > b.size()) break;
    p += 12 + len;
  }
  return i;
}

std::optional<ImageInfo> Jpeg(std::string_view b) {
  ImageInfo i{"jpeg"};
  for (std::size_t p = 2; p + 4 <= b.size();) {
    if (static_cast<unsigned char>(b[p]) != 0xFF) return std::nullopt;
    unsigned marker = static_cast<unsigned char>(b[p + 1]);
    if (marker == 0xFF) {
      ++p;
      continue;
    }
    if (marker == 0xD8 || (marker >= 0xD0 && marker <= 0xD7)) {
      p += 2;
      continue;
    }
    std::uint32_t len = Be16(b, p + 2);
    if (marker == 0xE0 && p + 18 <= b.size() && b.substr(p + 4, 5) == std::string_view("JFIF\0", 5)) {
      unsigned units = static_cast<unsigned char>(b[p + 11]);
      double x = Be16(b, p + 12), y = Be16(b, p + 14);
      if (units == 2) x *= 2.54, y *= 2.54;
      if (units != 0 && x >= 10 && y >= 10) i.dpi_x = x, i.dpi_y = y;
    }
    bool sof = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
    if (sof) {
      if (p + 9 > b.size()) return std::nullopt;
      i.height = static_cast<int>(Be16(b, p + 5));
      i.width = static_cast<int>(Be16(b, p + 7));
      return i;
    }
    p += 2 + len;
  }
  return std::nullopt;
}

std::optional<ImageInfo> Bmp(std::string_view b, std::size_t dib, const char* format, bool icon) {
  if (b.size() < dib + 16) return std::nullopt;
  std::uint32_t header = Le32(b, dib);
  ImageInfo i{format};
  if (header == 12) {
    i.width = static_cast<int>(Le16(b, dib + 4));
    i.height = static_cast<int>(Le16(b, dib + 6));
  } else {
    if (b.size() < dib + 12) return std::nullopt;
    i.width = LeS32(b, dib + 4);
    std::int32_t h = LeS32(b, dib + 8);
    i.height = h < 0 ? -h : h;
    if (icon) i.height /= 2;  // an icon's DIB stacks the mask under the colours
    if (!icon && header >= 40 && b.size() >= dib + 32) {
      double x = LeS32(b, dib + 24) * 0.0254, y = LeS32(b, dib + 28) * 0.0254;
      if (x >= 10 && y >= 10) i.dpi_x = x, i.dpi_y = y;
    }
  }
  return i;
}

std::optional<ImageInfo> Ico(std::string_view b) {
  unsigned count = Le16(b, 4);
  if (count == 0 || b.size() < 6 + 16 * static_cast<std::size_t>(count)) return std::nullopt;
  ImageInfo best{"ico"};
  for (unsigned k = 0; k < count; ++k) {
    std::size_t e = 6 + 16 * static_cast<std::size_t>(k);
    int w = static_cast<unsigned char>(b[e]), h = static_cast<unsigned char>(b[e + 1]);
    if (w == 0) w = 256;
    if (h == 0) h = 256;
    if (w * h > best.width * best.height) best.width = w, best.height = h;
  }
  return best;
}

}  // namespace

std::optional<ImageInfo> ReadImageInfo(std::string_view b) {
  std::optional<ImageInfo> i;
  if (b.size() >= 24 && b.substr(0, 8) == "\x89PNG\r\n\x1a\n")
    i = Png(b);
  else if (b.size() >= 4 && b.substr(0, 2) == "\xFF\xD8")
    i = Jpeg(b);
  else if (b.size() >= 10 && (b.substr(0, 6) == "GIF87a" || b.substr(0, 6) == "GIF89a"))
    i = ImageInfo{"gif", static_cast<int>(Le16(b, 6)), static_cast<int>(Le16(b, 8))};
  else if (b.size() >= 26 && b.substr(0, 2) == "BM")
    i = Bmp(b, 14, "bmp", false);
  else if (b.size() >= 22 && Le16(b, 0) == 0 && (Le16(b, 2) == 1 || Le16(b, 2) == 2))
    i = Ico(b);
  else if (b.size() >= 8 && (b.substr(0, 4) == "II*\0" || b.substr(0, 4) == "MM\0*")) {
    i = ImageInfo{"tiff"};
    // Dimensions from the first directory.
    bool le = b[0] == 'I';
    auto u16 = [&](std::size_t p) { return le ? Le16(b, p) : Be16(b, p); };
    auto u32 = [&](std::size_t p) { return le ? Le32(b, p) : Be32(b, p); };
    std::size_t dir = u32(4);
    if (dir + 2 <= b.size()) {
      unsigned n = u16(dir);
      for (unsigned k = 0; k < n && dir + 2 + 12 * (k + 1) <= b.size(); ++k) {
        std::size_t e = dir + 2 + 12 * k;
        unsigned tag = u16(e), type = u16(e + 2);
        int v = static_cast<int>(type == 3 ? u16(e + 8) : u32(e + 8));
        if (tag == 256) i->width = v;
        if (tag == 257) i->height = v;
      }
    }
  } else if (b.size() >= 22 && Le32(b, 0) == 0x9AC6CDD7u) {
    // Placeable metafile: bounds in units of 1/inch.
    double inch = Le16(b, 14);
    if (inch <= 0) return std::nullopt;
    auto l = static_cast<std::int16_t>(Le16(b, 6)), t = static_cast<std::int16_t>(Le16(b, 8));
    auto r = static_cast<std::int16_t>(Le16(b, 10)), btm = static_cast<std::int16_t>(Le16(b, 12));
    i = ImageInfo{"wmf", static_cast<int>((r - l) * 96 / inch), static_cast<int>((btm - t) * 96 / inch)};
  } else if (b.size() >= 88 && Le32(b, 0) == 1 && b.substr(40, 4) == " EMF") {
    // Frame in hundredths of a millimetre.
    double w = LeS32(b, 32) - LeS32(b, 24), h = LeS32(b, 36) - LeS32(b, 28);
    i = ImageInfo{"emf", static_cast<int>(w / 2540 * 96), static_cast<int>(h / 2540 * 96)};
  }
  if (i && !Sane(*i)) return std::nullopt;
  return i;
}

bool WordAcceptsFormat(std::string_view f) {
  return f == "png" || f == "jpeg" || f == "gif" || f == "bmp" || f == "tiff" || f == "wmf" || f == "emf";
}

std::optional<std::string> ConvertToPng(std::string_view b, std::string_view format) {
  if (format != "ico" || b.size() < 22) return std::nullopt;
  // The largest image of the icon; PNG entries are taken as they are, DIB entries are decoded.
  unsigned count = Le16(b, 4);
  std::size_t best = 0;
  int best_area = -1;
  for (unsigned k = 0; k < count && 6 + 16 * (k + 1) <= b.size(); ++k) {
    std::size_t e = 6 + 16 * static_cast<std::size_t>(k);
    int w = static_cast<unsigned char>(b[e]), h = static_cast<unsigned char>(b[e + 1]);
    int area = (w ? w : 256) * (h ? h : 256);
    if (area > best_area) best_area = area, best = e;
  }
  if (best_area < 0) return std::nullopt;
  std::size_t size = Le32(b, best + 8), offset = Le32(b, best + 12);
  if (offset >= b.size() || size > b.size() - offset) return std::nullopt;
  std::string_view img = b.substr(offset, size);
  if (img.substr(0, 8) == "\x89PNG\r\n\x1a\n") return std::string(img);
  if (img.size() < 40) return std::nullopt;
  int w = LeS32(img, 4), h2 = LeS32(img, 8), bpp = static_cast<int>(Le16(img, 14));
  std::uint32_t compression = Le32(img, 16), used = Le32(img, 32);
  int h = h2 / 2;
  if (w <= 0 || h <= 0 || w > 1024 || h > 1024 || compression != 0) return std::nullopt;
  if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 24 && bpp != 32) return std::nullopt;
  std::size_t colors = bpp <= 8 ? (used ? used : (1u << bpp)) : 0;
  std::size_t hdr = Le32(img, 0);
  std::size_t palette = hdr, pixels = hdr + colors * 4;
  std::size_t stride = ((static_cast<std::size_t>(w) * bpp + 31) / 32) * 4;
  std::size_t mask_stride = ((static_cast<std::size_t>(w) + 31) / 32) * 4;
  std::size_t mask = pixels + stride * static_cast<std::size_t>(h);
  if (mask + mask_stride * static_cast<std::size_t>(h) > img.size() && bpp != 32) return std::nullopt;
  if (mask > img.size()) return std::nullopt;
  std::string rgba(static_cast<std::size_t>(w) * h * 4, '\0');
  for (int y = 0; y < h; ++y) {
    std::size_t row = pixels + stride * static_cast<std::size_t>(h - 1 - y);
    for (int x = 0; x < w; ++x) {
      unsigned char r = 0, g = 0, bl = 0, a = 255;
      if (bpp >= 24) {
        std::size_t p = row + static_cast<std::size_t>(x) * (bpp / 8);
        bl = static_cast<unsigned char>(img[p]), g = static_cast<unsigned char>(img[p + 1]),
        r = static_cast<unsigned char>(img[p + 2]);
        if (bpp == 32) a = static_cast<unsigned char>(img[p + 3]);
      } else {
        std::size_t bit = static_cast<std::size_t>(x) * bpp;
        unsigned v = static_cast<unsigned char>(img[row + bit / 8]);
        v = (v >> (8 - bpp - bit % 8)) & ((1u << bpp) - 1);
        if (v >= colors) v = 0;
        std::size_t c = palette + v * 4;
        bl = static_cast<unsigned char>(img[c]), g = static_cast<unsigned char>(img[c + 1]),
        r = static_cast<unsigned char>(img[c + 2]);
      }
      if (bpp != 32 && mask + mask_stride * static_cast<std::size_t>(h) <= img.size()) {
        std::size_t mrow = mask + mask_stride * static_cast<std::size_t>(h - 1 - y);
        if ((static_cast<unsigned char>(img[mrow + static_cast<std::size_t>(x) / 8]) >> (7 - x % 8)) & 1) a = 0;
      }
      std::size_t o = (static_cast<std::size_t>(y) * w + x) * 4;
      rgba[o] = static_cast<char>(r), rgba[o + 1] = static_cast<char>(g), rgba[o + 2] = static_cast<char>(bl),
      rgba[o + 3] = static_cast<char>(a);
    }
  }
  return EncodePng(rgba, w, h);
}

}  // namespace tomeshift::word
