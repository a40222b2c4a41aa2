// One story of a document (main text, a header, a footer, a table cell): text with one attribute
// pair per character, the bookmarks that lie in it and the live ranges that follow its edits.
//
// Structure lives in the text itself, as in the word processor's own piece table: paragraphs end
// with kParagraph, a section ends with kSection (which also ends its paragraph), a table is one
// block character kTable, and pictures and field boundaries are single object characters whose
// `obj` names the object in the owning DocModel. Positions are 0-based character offsets.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace tomeshift::word {

namespace ch {
constexpr char16_t kParagraph = u'\r';  // fmt: paragraph props
constexpr char16_t kSection = u'\x0C';  // fmt: paragraph props; obj: section id (next-page break)
constexpr char16_t kLineBreak = u'\x0B';
constexpr char16_t kPageBreak = u'\x0E';
constexpr char16_t kTab = u'\t';
constexpr char16_t kPicture = u'\x01';     // obj: picture id (inline, or the anchor of a floating one)
constexpr char16_t kTable = u'\x07';       // a whole table as one block; obj: table id
constexpr char16_t kFieldBegin = u'\x13';  // obj: field id; the field's result follows
constexpr char16_t kFieldEnd = u'\x15';    // obj: field id
}  // namespace ch

inline bool IsBlockEnd(char16_t c) { return c == ch::kParagraph || c == ch::kSection || c == ch::kTable; }
inline bool IsObjectChar(char16_t c) {
  return c == ch::kPicture || c == ch::kTable || c == ch::kFieldBegin || c == ch::kFieldEnd || c == ch::kSection;
}

struct CharAttr {
  std::uint32_t fmt = 0;  // run props id for text, paragraph props id for kParagraph/kSection
  std::uint32_t obj = 0;  // object id for object characters
  bool operator==(const CharAttr&) const = default;
};

struct Bookmark {
  std::u16string name;
  std::size_t start = 0;
  std::size_t end = 0;
};

// Shared by every copy of one automation Range, like the word processor's range objects.
struct RangePos {
  std::size_t start = 0;
  std::size_t end = 0;
};

class Story {
 public:
  Story();  // one empty paragraph, as every story has
  Story(const Story& other);
  Story& operator=(const Story& other);
  Story(Story&&) noexcept = default;
  Story& operator=(Story&&) noexcept = default;

  const std::u16string& text() const { return text_; }
  const std::vector<CharAttr>& attrs() const { return attrs_; }
  std::size_t size() const { return text_.size(); }
  char16_t at(std::size_t i) const { return text_[i]; }
  const CharAttr& attr(std::size_t i) const { return attrs_[i]; }
  void set_attr(std::size_t i, CharAttr a) { attrs_[i] = a; }

  // Inserts at pos; bookmarks and live ranges move as the word processor moves them: a position
  // equal to pos moves when it is the start (the text lands before it), stays when it is an end.
  void Insert(std::size_t pos, std::u16string_view text, CharAttr attr);
  void Insert(std::size_t pos, std::u16string_view text, const CharAttr* attrs);
  void Erase(std::size_t pos, std::size_t len);
  // Drops everything (bookmarks too); leaves no paragraph mark. For builders that refill a story.
  void Clear();
  void Reserve(std::size_t n) {
    text_.reserve(n);
    attrs_.reserve(n);
  }

  // Bookmarks are added at the end (or all dropped by Clear); their names are not changed in place,
  // which keeps the name index of FindBookmark valid.
  std::vector<Bookmark>& bookmarks() {
    ForgetBookmarkBound();  // positions may change through this
    return bookmarks_;
  }
  const std::vector<Bookmark>& bookmarks() const { return bookmarks_; }
  // Case-insensitive, as bookmark names are; the first of equal names; nullptr when absent.
  Bookmark* FindBookmark(std::u16string_view name);
  const Bookmark* FindBookmark(std::u16string_view name) const;

  std::shared_ptr<RangePos> Track(std::size_t start, std::size_t end);
  // Grows with every edit; lets callers cache what they derived from the text.
  std::uint64_t version() const { return version_; }

  // Start of the block (paragraph or table) holding pos, and the index of its terminator.
  std::size_t BlockStart(std::size_t pos) const;
  std::size_t BlockEnd(std::size_t pos) const;

 private:
  std::size_t FindBookmarkIndex(std::u16string_view name) const;  // SIZE_MAX when absent
  void ForgetBookmarkBound() {
    bounded_ = 0;
    bound_ = 0;
  }
  void Shift(std::size_t pos, std::size_t len);
  void Shrink(std::size_t pos, std::size_t len);

  std::u16string text_;
  std::vector<CharAttr> attrs_;
  std::vector<Bookmark> bookmarks_;
  std::vector<std::weak_ptr<RangePos>> ranges_;
  std::uint64_t version_ = 0;
  // Folded name -> index of the first bookmark of that name, for bookmarks_[0, indexed_): documents
  // of thousands of topics look names up thousands of times.
  mutable std::unordered_map<std::u16string, std::size_t> bookmark_index_;
  mutable std::size_t indexed_ = 0;
  // No position of bookmarks_[0, bounded_) lies beyond bound_: text added after them (a document
  // built from its start to its end) moves none, and need not visit them.
  std::size_t bounded_ = 0;
  std::size_t bound_ = 0;
};

}  // namespace tomeshift::word
