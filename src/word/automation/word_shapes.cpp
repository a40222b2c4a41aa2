#include "word/automation/word_shapes.h"

#include <cmath>

#include "platform/file_system.h"
#include "word/image/image_info.h"
#include "word/model/word_error.h"

namespace tomeshift::word {

void LinkFormat::SetSavePictureWithDocument(bool on) {
  Picture& p = pic();
  p.save_with_document = on;
  if (on && p.bytes.empty() && !p.link_path.empty()) {
    try {
      if (auto bytes = ReadConfinedFile(p.link_path, kMaxPageResourceBytes)) p.bytes = std::move(*bytes);
    } catch (const FileError&) {
      p.bytes.clear();  // the importer has said why when it first met the picture
    }
  }
}

void LinkFormat::BreakLink() {
  Picture& p = pic();
  if (!p.linked) return;
  if (p.bytes.empty() && !p.link_path.empty()) {
    try {
      if (auto bytes = ReadConfinedFile(p.link_path, kMaxPageResourceBytes)) p.bytes = std::move(*bytes);
    } catch (const FileError&) {
      p.bytes.clear();
    }
  }
  if (!p.bytes.empty()) {
    auto info = ReadImageInfo(p.bytes);
    if (!info) {
      p.bytes.clear();
    } else if (!WordAcceptsFormat(info->format)) {
      auto png = ConvertToPng(p.bytes, info->format);
      if (png) {
        p.bytes = std::move(*png);
        p.format = "png";
      } else {
        p.bytes.clear();
      }
    } else {
      p.format = info->format;
    }
  }
  p.linked = false;
  p.link_path.clear();
}

void PictureShape::SetWidth(double w) {
  if (!(w > 0) || w > 22 * 72 * 10) throw WordError("The value is out of range.");
  Picture& p = pic();
  if (p.lock_aspect_ratio && p.width > 0) p.height = p.height * w / p.width;
  p.width = w;
}

void PictureShape::SetHeight(double h) {
  if (!(h > 0) || h > 22 * 72 * 10) throw WordError("The value is out of range.");
  Picture& p = pic();
  if (p.lock_aspect_ratio && p.height > 0) p.width = p.width * h / p.height;
  p.height = h;
}

double PictureShape::ScaleWidth() const {
  const Picture& p = pic();
  return p.natural_width > 0 ? std::round(p.width / p.natural_width * 1000) / 10 : 100;
}

double PictureShape::ScaleHeight() const {
  const Picture& p = pic();
  return p.natural_height > 0 ? std::round(p.height / p.natural_height * 1000) / 10 : 100;
}

void PictureShape::SetScaleWidth(double percent) {
  Picture& p = pic();
  if (!(percent > 0)) throw WordError("The value is out of range.");
  double w = (p.natural_width > 0 ? p.natural_width : p.width) * percent / 100;
  bool lock = p.lock_aspect_ratio;
  p.lock_aspect_ratio = false;
  SetWidth(w);
  p.lock_aspect_ratio = lock;
  if (lock && p.natural_height > 0) p.height = p.natural_height * percent / 100;
}

void PictureShape::SetScaleHeight(double percent) {
  Picture& p = pic();
  if (!(percent > 0)) throw WordError("The value is out of range.");
  double h = (p.natural_height > 0 ? p.natural_height : p.height) * percent / 100;
  bool lock = p.lock_aspect_ratio;
  p.lock_aspect_ratio = false;
  SetHeight(h);
  p.lock_aspect_ratio = lock;
  if (lock && p.natural_width > 0) p.width = p.natural_width * percent / 100;
}

namespace {
void Collect(const DocModel& doc, const Story& s, std::vector<std::uint32_t>& in, std::vector<std::uint32_t>& fl) {
  const auto& t = s.text();
  for (std::size_t i = 0; i < t.size(); ++i) {
    if (t[i] == ch::kPicture) (doc.pictures[s.attr(i).obj].floating ? fl : in).push_back(s.attr(i).obj);
    if (t[i] == ch::kTable)
      for (const auto& row : doc.tables[s.attr(i).obj].rows)
        for (const auto& cell : row.cells) Collect(doc, cell.story, in, fl);
  }
}
}  // namespace

const std::vector<std::uint32_t>& PictureIndex::Get(const DocModel& doc, bool floating) {
  if (version_ != doc.main.version() || count_ != doc.pictures.size()) {
    inline_.clear();
    floating_.clear();
    Collect(doc, doc.main, inline_, floating_);
    version_ = doc.main.version();
    count_ = doc.pictures.size();
  }
  return floating ? floating_ : inline_;
}

}  // namespace tomeshift::word
