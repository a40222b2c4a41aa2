// The topic tree the converter works on: one contents entry, and the ordered, owning list of
// entries with its index by lower-cased page path.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "text/string_list.h"

namespace tomeshift {

// Values of TTitleList::Status.
inline constexpr std::uint32_t kStatusPage = 0;        // a page that is distilled and inserted
inline constexpr std::uint32_t kStatusHeading = 2;     // a heading without a page
inline constexpr std::uint32_t kStatusWebAddress = 3;  // Url is an "http://" address

class TTitleList {
 public:
  std::u16string Topic;
  std::uint32_t Index = 0;  // position among the entries the contents loader made, from 0
  std::int32_t Level = 0;   // 0 for items of the outermost list
  std::u16string Url;       // the page, possibly with "#anchor"; empty for a heading
  std::uint32_t Icon = 0;
  std::uint32_t Status = kStatusPage;
  std::u16string Keywords;
  std::u16string ContextNumber;
  std::u16string ChapterNumber;
  std::u16string Bookmark;
  // Set when an earlier entry names the same page or section: that entry holds the text, this one
  // only refers to it.
  const TTitleList* BodyEntry = nullptr;
};

class TTitleLists {
 public:
  TTitleLists();

  int Count() const { return static_cast<int>(items_.size()); }
  bool Empty() const { return items_.empty(); }
  // The entry at a position from 0; throws std::out_of_range ("List index out of bounds (n)").
  TTitleList& operator[](int index) const;
  TTitleList& Items(int index) const { return (*this)[index]; }
  // Appends an entry (created when none is given) and returns it.
  TTitleList& Add(std::unique_ptr<TTitleList> item = nullptr);
  TTitleList& Insert(int index, std::unique_ptr<TTitleList> item = nullptr);
  void Delete(int index);
  void Clear();
  int IndexOf(const TTitleList* item) const;

  auto begin() const { return items_.begin(); }
  auto end() const { return items_.end(); }

  // Rebuilds Urls: one sorted line per distinct lower-cased Url, carrying the first entry with it.
  void initializeUrls();
  // The entry whose lower-cased Url equals the lower-cased argument exactly (no anchor removed, no
  // path normalised); nullptr when there is none. Valid only after initializeUrls.
  TTitleList* GetItemByUrl(std::u16string_view Url) const;

  TStringList Urls;

 private:
  std::vector<std::unique_ptr<TTitleList>> items_;
};

}  // namespace tomeshift
