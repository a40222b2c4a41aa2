// Pictures of a page: their files found and probed once, their sizes from the page or the picture.
#include <algorithm>
#include <cmath>
#include <mutex>
#include <unordered_map>

#include "platform/file_system.h"
#include "text/text_utils.h"
#include "text/unicode.h"
#include "word/image/image_info.h"
#include "word/import/html_import_walker.h"

namespace tomeshift::word {

namespace {

// Natural sizes by path and file size, process-wide: the pages of a help file share their pictures,
// and reading a large picture for its header on every page would dominate the import.
struct PictureSizeCache {
  std::mutex mutex;
  std::unordered_map<std::u16string, std::pair<std::uint64_t, std::pair<double, double>>> sizes;
};

PictureSizeCache& PictureSizes() {
  static PictureSizeCache cache;
  return cache;
}

std::optional<std::pair<double, double>> CachedPictureSize(const std::u16string& key, std::uint64_t size) {
  PictureSizeCache& c = PictureSizes();
  std::lock_guard<std::mutex> lock(c.mutex);
  auto it = c.sizes.find(key);
  if (it == c.sizes.end() || it->second.first != size) return std::nullopt;
  return it->second.second;
}

void RememberPictureSize(const std::u16string& key, std::uint64_t size, std::pair<double, double> natural) {
  PictureSizeCache& c = PictureSizes();
  std::lock_guard<std::mutex> lock(c.mutex);
  if (c.sizes.size() > 4096) c.sizes.clear();
  c.sizes[key] = {size, natural};
}

}  // namespace

std::optional<std::pair<double, double>> HtmlImportWalker::PictureSize(const std::u16string& path,
                                                                       std::string_view src) {
  std::u16string key = AsciiLower(path);
  std::optional<std::uint64_t> size;
  try {
    size = FileSystem().FileSize(path);
  } catch (const TomeshiftError&) {
  }
  if (!size) {
    Warn(u"Picture not found: " + Utf8ToUtf16(src) + u" (" + path + u")");
    return std::nullopt;
  }
  if (auto natural = CachedPictureSize(key, *size)) return natural;
  std::optional<std::string> bytes;
  try {
    bytes = ReadConfinedFile(path, kMaxPageResourceBytes);
  } catch (const TomeshiftError& err) {
    Warn(u"Picture not read: " + Utf8ToUtf16(err.what()));
    return std::nullopt;
  }
  if (!bytes) {
    Warn(u"Picture not found: " + Utf8ToUtf16(src) + u" (" + path + u")");
    return std::nullopt;
  }
  auto info = ReadImageInfo(*bytes);
  if (!info) {
    Warn(u"Picture not recognised: " + Utf8ToUtf16(src) + u" (" + path + u")");
    return std::nullopt;
  }
  // Browsers show pictures at 96 pixels to the inch whatever the file records.
  std::pair<double, double> natural(info->width * 0.75, info->height * 0.75);
  RememberPictureSize(key, bytes->size(), natural);
  return natural;
}

void HtmlImportWalker::Picture(const HtmlNode& e, const CssComputedStyle& style) {
  std::string_view src = TrimCss(e.Attribute("src"));
  if (src.empty()) return;
  if (src.size() > 5 && AsciiEqualsNoCase(src.substr(0, 5), "data:")) return;  // inline data is not linked
  std::u16string path = Resolve(src, page_path_, u"Picture");
  if (path.empty()) return;
  std::u16string key = AsciiLower(path);
  auto cached = picture_sizes_.find(key);
  std::optional<std::pair<double, double>> natural;
  std::string format;
  if (cached != picture_sizes_.end()) {
    natural = cached->second;
  } else {
    natural = PictureSize(path, src);
    picture_sizes_[key] = natural;
    if (!natural) return;
  }
  if (!natural) return;  // warned when first met
  double nw = natural->first, nh = natural->second;
  std::optional<double> w, h;
  if (style.width && style.width->unit != CssLength::Unit::kAuto)
    w = style.width->ToPoints(style.font_size, text_width_);
  if (style.height && style.height->unit != CssLength::Unit::kAuto && style.height->unit != CssLength::Unit::kPercent)
    h = style.height->ToPoints(style.font_size, 0);
  if (w && !h) h = nw > 0 ? *w * nh / nw : nh;
  if (h && !w) w = nh > 0 ? *h * nw / nh : nw;
  word::Picture p;
  p.link_path = path;
  p.linked = true;
  p.natural_width = nw;
  p.natural_height = nh;
  p.pixel_width = static_cast<int>(std::lround(nw / 0.75));
  p.pixel_height = static_cast<int>(std::lround(nh / 0.75));
  p.width = std::max(0.75, w.value_or(nw));
  p.height = std::max(0.75, h.value_or(nh));
  p.floating = style.float_side != 0;
  p.float_align = style.float_side == 2 ? 2 : 0;
  p.description = Utf8ToUtf16(e.Attribute("alt"));
  std::size_t dot = path.find_last_of(u'.');
  if (dot != std::u16string::npos) format = Utf16ToUtf8(AsciiLower(path.substr(dot + 1)));
  p.format = format == "jpg" ? "jpeg" : format;
  Flow& f = flow();
  EnsureParagraph();
  FlushSpace();
  SyncLink();
  f.builder.AddPicture(std::move(p));
  f.at_line_start = false;
}

}  // namespace tomeshift::word
