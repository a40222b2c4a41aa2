#include "text/string_list.h"

#include <algorithm>
#include <stdexcept>

#include "text/text_utils.h"

namespace tomeshift {

TStringList::TStringList(TStringListOptions options) : options_(options) {}

int TStringList::Compare(std::u16string_view a, std::u16string_view b) const {
  return options_.case_sensitive ? CompareStr(a, b) : CompareText(a, b);
}

std::u16string_view TStringList::NameOf(std::u16string_view line) const {
  const std::size_t sep = line.find(options_.name_value_separator);
  return sep == std::u16string_view::npos ? line : line.substr(0, sep);
}

int TStringList::CompareLines(std::u16string_view a, std::u16string_view b) const {
  // One pass in which the separator sorts before every other character: the same order as
  // comparing names first and then the rest, without looking for the separator beforehand.
  const char16_t sep = options_.name_value_separator;
  const bool fold = !options_.case_sensitive;
  const std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    if (a[i] == b[i]) continue;
    const int ka = a[i] == sep ? -1 : (fold ? UpperChar(a[i]) : a[i]);
    const int kb = b[i] == sep ? -1 : (fold ? UpperChar(b[i]) : b[i]);
    if (ka != kb) return ka < kb ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

bool TStringList::Find(std::u16string_view line, int& index) const {
  int lo = 0;
  int hi = Count() - 1;
  while (lo <= hi) {
    const int mid = lo + (hi - lo) / 2;
    const int c = CompareLines(items_[static_cast<std::size_t>(mid)].text, line);
    if (c < 0) {
      lo = mid + 1;
    } else if (c > 0) {
      hi = mid - 1;
    } else {
      index = mid;
      return true;
    }
  }
  index = lo;
  return false;
}

int TStringList::Add(std::u16string_view line, void* object) {
  if (!options_.sorted) {
    items_.push_back({std::u16string(line), object});
    return Count() - 1;
  }
  int index = 0;
  if (Find(line, index)) return index;
  items_.insert(items_.begin() + index, Item{std::u16string(line), object});
  return index;
}

void TStringList::Insert(int index, std::u16string_view line, void* object) {
  if (options_.sorted) {
    Add(line, object);
    return;
  }
  if (index < 0 || index > Count()) throw std::out_of_range("TStringList::Insert: index out of range");
  items_.insert(items_.begin() + index, Item{std::u16string(line), object});
}

void TStringList::Delete(int index) {
  if (index < 0 || index >= Count()) throw std::out_of_range("TStringList::Delete: index out of range");
  items_.erase(items_.begin() + index);
}

int TStringList::IndexOf(std::u16string_view text) const {
  if (options_.sorted) {
    int index = 0;
    return Find(text, index) ? index : -1;
  }
  for (int i = 0; i < Count(); ++i) {
    if (Compare(items_[static_cast<std::size_t>(i)].text, text) == 0) return i;
  }
  return -1;
}

int TStringList::IndexOfName(std::u16string_view name) const {
  if (options_.sorted) {
    // Lines are ordered by name first, so the first line with this name is the lower bound.
    int lo = 0;
    int hi = Count();
    while (lo < hi) {
      const int mid = lo + (hi - lo) / 2;
      if (Compare(NameOf(items_[static_cast<std::size_t>(mid)].text), name) < 0) {
        lo = mid + 1;
      } else {
        hi = mid;
      }
    }
    if (lo < Count() && Compare(NameOf(items_[static_cast<std::size_t>(lo)].text), name) == 0) return lo;
    return -1;
  }
  for (int i = 0; i < Count(); ++i) {
    if (Compare(NameOf(items_[static_cast<std::size_t>(i)].text), name) == 0) return i;
  }
  return -1;
}

std::u16string TStringList::Names(int index) const { return std::u16string(NameOf((*this)[index])); }

std::u16string TStringList::ValueFromIndex(int index) const {
  const std::u16string& line = (*this)[index];
  const std::size_t sep = line.find(options_.name_value_separator);
  return sep == std::u16string::npos ? std::u16string() : line.substr(sep + 1);
}

std::u16string TStringList::Values(std::u16string_view name) const {
  const int index = IndexOfName(name);
  return index < 0 ? std::u16string() : ValueFromIndex(index);
}

void TStringList::SetValue(std::u16string_view name, std::u16string_view value) {
  std::u16string line(name);
  line += options_.name_value_separator;
  line += value;
  const int index = IndexOfName(name);
  if (index < 0) {
    Add(line);
  } else if (options_.sorted) {
    void* object = Objects(index);
    Delete(index);
    Add(line, object);
  } else {
    items_[static_cast<std::size_t>(index)].text = std::move(line);
  }
}

}  // namespace tomeshift
