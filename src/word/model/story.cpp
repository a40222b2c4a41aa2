#include "word/model/story.h"

#include <algorithm>

#include "text/text_utils.h"
namespace tomeshift::word {

Story::Story() : text_(1, ch::kParagraph), attrs_(1) {}

Story::Story(const Story& other) : text_(other.text_), attrs_(other.attrs_), bookmarks_(other.bookmarks_) {}

Story& Story::operator=(const Story& other) {
  if (this != &other) {
    text_ = other.text_;
    attrs_ = other.attrs_;
    bookmarks_ = other.bookmarks_;
    ranges_.clear();
    bookmark_index_.clear();
    indexed_ = 0;
    ForgetBookmarkBound();
  }
  return *this;
}

void Story::Clear() {
  text_.clear();
  attrs_.clear();
  bookmarks_.clear();
  bookmark_index_.clear();
  indexed_ = 0;
  ForgetBookmarkBound();
  ++version_;
}

void Story::Insert(std::size_t pos, std::u16string_view text, CharAttr attr) {
  if (text.empty()) return;
  pos = std::min(pos, text_.size());
  text_.insert(pos, text);
  attrs_.insert(attrs_.begin() + static_cast<std::ptrdiff_t>(pos), text.size(), attr);
  Shift(pos, text.size());
}

void Story::Insert(std::size_t pos, std::u16string_view text, const CharAttr* attrs) {
  if (text.empty()) return;
  pos = std::min(pos, text_.size());
  text_.insert(pos, text);
  attrs_.insert(attrs_.begin() + static_cast<std::ptrdiff_t>(pos), attrs, attrs + text.size());
  Shift(pos, text.size());
}

void Story::Erase(std::size_t pos, std::size_t len) {
  if (pos >= text_.size() || len == 0) return;
  len = std::min(len, text_.size() - pos);
  text_.erase(pos, len);
  attrs_.erase(attrs_.begin() + static_cast<std::ptrdiff_t>(pos),
               attrs_.begin() + static_cast<std::ptrdiff_t>(pos + len));
  Shrink(pos, len);
}

void Story::Shift(std::size_t pos, std::size_t len) {
  ++version_;
  auto move = [&](std::size_t& s, std::size_t& e) {
    if (s == e) {
      if (pos <= s) s = e = s + len;
      return;
    }
    if (pos <= s) s += len;
    if (pos < e) e += len;
  };
  if (bounded_ > bookmarks_.size()) ForgetBookmarkBound();  // a moved-from story
  for (; bounded_ < bookmarks_.size(); ++bounded_)
    bound_ = std::max({bound_, bookmarks_[bounded_].start, bookmarks_[bounded_].end});
  if (pos <= bound_) {
    bound_ = 0;
    for (auto& b : bookmarks_) {
      move(b.start, b.end);
      bound_ = std::max({bound_, b.start, b.end});
    }
  }
  std::size_t live = 0;
  for (auto& w : ranges_) {
    if (auto r = w.lock()) {
      move(r->start, r->end);
      ranges_[live++] = w;
    }
  }
  ranges_.resize(live);
}

void Story::Shrink(std::size_t pos, std::size_t len) {
  ++version_;
  auto move = [&](std::size_t& x) {
    if (x >= pos + len)
      x -= len;
    else if (x > pos)
      x = pos;
  };
  for (auto& b : bookmarks_) {
    move(b.start);
    move(b.end);
  }
  for (auto& w : ranges_)
    if (auto r = w.lock()) {
      move(r->start);
      move(r->end);
    }
}

std::size_t Story::FindBookmarkIndex(std::u16string_view name) const {
  if (bookmarks_.size() < indexed_) {  // dropped meanwhile (a moved-from story, a refill)
    bookmark_index_.clear();
    indexed_ = 0;
  }
  for (; indexed_ < bookmarks_.size(); ++indexed_)
    bookmark_index_.emplace(AsciiLower(bookmarks_[indexed_].name), indexed_);
  const auto it = bookmark_index_.find(AsciiLower(name));
  if (it == bookmark_index_.end()) return SIZE_MAX;
  if (it->second < bookmarks_.size() && AsciiEqualsNoCase(bookmarks_[it->second].name, name)) return it->second;
  // Changed in a way the index cannot follow: look the slow way and start the index afresh.
  bookmark_index_.clear();
  indexed_ = 0;
  for (std::size_t i = 0; i < bookmarks_.size(); ++i)
    if (AsciiEqualsNoCase(bookmarks_[i].name, name)) return i;
  return SIZE_MAX;
}

Bookmark* Story::FindBookmark(std::u16string_view name) {
  const std::size_t i = FindBookmarkIndex(name);
  if (i == SIZE_MAX) return nullptr;
  ForgetBookmarkBound();  // the caller may move it
  return &bookmarks_[i];
}

const Bookmark* Story::FindBookmark(std::u16string_view name) const {
  const std::size_t i = FindBookmarkIndex(name);
  return i == SIZE_MAX ? nullptr : &bookmarks_[i];
}

std::shared_ptr<RangePos> Story::Track(std::size_t start, std::size_t end) {
  auto r = std::make_shared<RangePos>(RangePos{start, end});
  if (ranges_.size() > 64) std::erase_if(ranges_, [](const auto& w) { return w.expired(); });
  ranges_.push_back(r);
  return r;
}

std::size_t Story::BlockStart(std::size_t pos) const {
  pos = std::min(pos, text_.size());
  while (pos > 0 && !IsBlockEnd(text_[pos - 1])) --pos;
  return pos;
}

std::size_t Story::BlockEnd(std::size_t pos) const {
  while (pos < text_.size() && !IsBlockEnd(text_[pos])) ++pos;
  return pos < text_.size() ? pos : (text_.empty() ? 0 : text_.size() - 1);
}

}  // namespace tomeshift::word
