#include "word/story.h"

#include <algorithm>

namespace tomeshift::word {

namespace {
char16_t FoldAscii(char16_t c) { return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 32) : c; }
}  // namespace

bool EqualsIgnoreCase(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
  return true;
}

Story::Story() : text_(1, ch::kParagraph), attrs_(1) {}

Story::Story(const Story& other) : text_(other.text_), attrs_(other.attrs_), bookmarks_(other.bookmarks_) {}

Story& Story::operator=(const Story& other) {
  if (this != &other) {
    text_ = other.text_;
    attrs_ = other.attrs_;
    bookmarks_ = other.bookmarks_;
    ranges_.clear();
  }
  return *this;
}

void Story::Clear() {
  text_.clear();
  attrs_.clear();
  bookmarks_.clear();
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
  attrs_.erase(attrs_.begin() + static_cast<std::ptrdiff_t>(pos), attrs_.begin() + static_cast<std::ptrdiff_t>(pos + len));
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
  for (auto& b : bookmarks_) move(b.start, b.end);
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
    if (x >= pos + len) x -= len;
    else if (x > pos) x = pos;
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

Bookmark* Story::FindBookmark(std::u16string_view name) {
  for (auto& b : bookmarks_)
    if (EqualsIgnoreCase(b.name, name)) return &b;
  return nullptr;
}

const Bookmark* Story::FindBookmark(std::u16string_view name) const {
  return const_cast<Story*>(this)->FindBookmark(name);
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
