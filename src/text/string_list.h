// A list of text lines with the semantics the converter's lists need: optionally kept sorted
// (duplicates then ignored), case-insensitive or case-sensitive comparison, "name<sep>value" lines,
// and one non-owning object pointer per line.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tomeshift {

struct TStringListOptions {
  bool sorted = true;           // keep sorted; Add ignores a line that is already present
  bool case_sensitive = false;  // compare lines and names with regard to case
  char16_t name_value_separator = u'=';
};

class TStringList {
 public:
  explicit TStringList(TStringListOptions options = {});

  int Count() const { return static_cast<int>(items_.size()); }
  bool Empty() const { return items_.empty(); }
  const std::u16string& operator[](int index) const { return items_[static_cast<std::size_t>(index)].text; }
  const std::u16string& Strings(int index) const { return (*this)[index]; }

  // Adds a line and returns its index. In a sorted list a line that is already present is not
  // added again; the index of the present line is returned and its object is left as it was.
  int Add(std::u16string_view line, void* object = nullptr);
  // Unsorted lists only: inserts at index (sorted lists add at their sorted place instead).
  void Insert(int index, std::u16string_view line, void* object = nullptr);
  void Delete(int index);
  void Clear() { items_.clear(); }

  // Index of the line equal to text (by the list's comparison), or -1.
  int IndexOf(std::u16string_view text) const;
  bool Contains(std::u16string_view text) const { return IndexOf(text) >= 0; }
  // Index of the first line whose name part equals name, or -1.
  int IndexOfName(std::u16string_view name) const;

  // The part before the first separator (the whole line when there is none) and the part after it.
  std::u16string Names(int index) const;
  std::u16string ValueFromIndex(int index) const;
  // The value of the first line named name; empty when there is none.
  std::u16string Values(std::u16string_view name) const;
  // Sets the value of the line named name, adding "name<sep>value" when absent.
  void SetValue(std::u16string_view name, std::u16string_view value);

  void* Objects(int index) const { return items_[static_cast<std::size_t>(index)].object; }
  template <class T>
  T* ObjectAs(int index) const {
    return static_cast<T*>(Objects(index));
  }
  void SetObject(int index, void* object) { items_[static_cast<std::size_t>(index)].object = object; }

  bool Sorted() const { return options_.sorted; }
  bool CaseSensitive() const { return options_.case_sensitive; }
  char16_t NameValueSeparator() const { return options_.name_value_separator; }

 private:
  struct Item {
    std::u16string text;
    void* object = nullptr;
  };
  int Compare(std::u16string_view a, std::u16string_view b) const;
  // Sorted lists order by name first, then by the rest of the line, so that a name can be found by
  // binary search even when names are prefixes of one another ("sup" and "sup1").
  int CompareLines(std::u16string_view a, std::u16string_view b) const;
  std::u16string_view NameOf(std::u16string_view line) const;
  // Binary search in a sorted list: true when found; index is the match or the insertion point.
  bool Find(std::u16string_view line, int& index) const;

  TStringListOptions options_;
  std::vector<Item> items_;
};

}  // namespace tomeshift
