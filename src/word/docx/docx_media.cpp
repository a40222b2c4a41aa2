#include "word/docx/docx_media.h"

#include <memory>

#include "word/image/image_info.h"

namespace tomeshift::word {

const DocxMedia::Item* DocxMedia::Embed(const Picture& picture) {
  if (picture.bytes.empty()) return nullptr;
  const std::string* bytes = &picture.bytes;
  std::string format = picture.format;
  if (!WordAcceptsFormat(format)) {
    auto png = ConvertToPng(picture.bytes, format);
    if (!png) return nullptr;
    converted_.push_back(std::make_unique<std::string>(std::move(*png)));
    bytes = converted_.back().get();
    format = "png";
  }
  // Equal pictures share one media file (a logo on every page).
  std::string key =
      format + ':' + std::to_string(std::hash<std::string>()(*bytes)) + ':' + std::to_string(bytes->size());
  if (auto it = by_content_.find(key); it != by_content_.end() && *items_[it->second].bytes == *bytes)
    return &items_[it->second];
  std::string ext = format == "jpeg" ? "jpeg" : format;
  items_.push_back(Item{"media/image" + std::to_string(items_.size() + 1) + "." + ext, format, bytes});
  by_content_[key] = items_.size() - 1;
  return &items_.back();
}

}  // namespace tomeshift::word
