// Pictures as automation sees them: InlineShapes (in the text) and Shapes (floating), both in the
// order of the document, with their links to files. Type: inline 4 linked / 3 embedded picture;
// floating 11 linked / 13 embedded picture.
#pragma once

#include <cstdint>
#include <vector>

#include "word/model/document_model.h"

namespace tomeshift::word {

class LinkFormat {
 public:
  LinkFormat(DocModel* doc, std::uint32_t picture) : doc_(doc), id_(picture) {}
  bool SavePictureWithDocument() const { return pic().save_with_document; }
  void SetSavePictureWithDocument(bool on);
  std::u16string SourceFullName() const { return pic().link_path; }
  // Embeds the file's bytes (converted to PNG when the word processor cannot take its format) and
  // drops the link. A file that cannot be read leaves the picture empty; it is then not written.
  void BreakLink();

 private:
  Picture& pic() const { return doc_->pictures[id_]; }
  DocModel* doc_;
  std::uint32_t id_;
};

// Shared by InlineShape and Shape.
class PictureShape {
 public:
  PictureShape(DocModel* doc, std::uint32_t picture) : doc_(doc), id_(picture) {}
  LinkFormat GetLinkFormat() const { return LinkFormat(doc_, id_); }
  bool LockAspectRatio() const { return pic().lock_aspect_ratio; }
  void SetLockAspectRatio(bool on) { pic().lock_aspect_ratio = on; }
  double Width() const { return pic().width; }
  double Height() const { return pic().height; }
  // With the aspect ratio locked the other side follows.
  void SetWidth(double points);
  void SetHeight(double points);
  double ScaleWidth() const;  // percent of the natural size
  double ScaleHeight() const;
  void SetScaleWidth(double percent);
  void SetScaleHeight(double percent);
  std::uint32_t picture_id() const { return id_; }

 protected:
  Picture& pic() const { return doc_->pictures[id_]; }
  DocModel* doc_;
  std::uint32_t id_;
};

class InlineShape : public PictureShape {
 public:
  using PictureShape::PictureShape;
  int Type() const { return pic().linked ? 4 : 3; }
};

class Shape : public PictureShape {
 public:
  using PictureShape::PictureShape;
  int Type() const { return pic().linked ? 11 : 13; }
};

// Picture ids of the main story (table cells included) in document order; cached per edit.
class PictureIndex {
 public:
  const std::vector<std::uint32_t>& Get(const DocModel& doc, bool floating);

 private:
  std::uint64_t version_ = ~0ULL;
  std::size_t count_ = 0;
  std::vector<std::uint32_t> inline_, floating_;
};

}  // namespace tomeshift::word
