// Anchors inside a page that contents entries point to. When several entries point into one page, the
// page is cut into one section file per bookmark (see TChmTopicFile::SplitFileByBookmark).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tomeshift {

class TBookmark {
 public:
  std::u16string Name;         // anchor name, without a leading '#'
  std::u16string Title;        // title of the contents entry that points to the anchor
  std::uint32_t Position = 0;  // 1-based start of the bookmark's section in the distilled body; 0 until placed
};

// Owning list in creation order until Sort; indexes (from 0) are part of the section file names.
class TBookmarks {
 public:
  int Count() const { return static_cast<int>(items_.size()); }
  TBookmark& operator[](int index) { return *items_[static_cast<std::size_t>(index)]; }
  const TBookmark& operator[](int index) const { return *items_[static_cast<std::size_t>(index)]; }
  TBookmark& Add(std::u16string name, std::u16string title);
  void Clear() { items_.clear(); }

  // The first bookmark named so (one leading '#' ignored, any case); none for an empty name.
  TBookmark* GetItemByName(std::u16string_view name) const;
  int GetItemIdByName(std::u16string_view name) const;
  // Orders by Position (a plain exchange sort, so equal positions keep the order it leaves them in).
  void Sort();

 private:
  std::vector<std::unique_ptr<TBookmark>> items_;
};

}  // namespace tomeshift
