// The element stack that the page scanners keep instead of a document tree, and the small text helpers
// they share. Every scanner makes one pass over the characters; an element collects its own text and,
// when it closes, is folded back into its parent.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tomeshift {

// One open or closed element.
class THtmlTag {
 public:
  std::u16string Name;       // as written, without '<', '/' and attributes; "Root" at the bottom of a stack
  std::u16string Start;      // the whole start tag as written; empty for the root
  std::u16string Inner;      // text, empty tags and folded children collected so far
  std::u16string Tail;       // the whole end tag, once met
  std::u16string InnerText;  // text characters only
  bool HasHeading = false;
  bool NonDoc = false;  // inside an element whose content is not document text (script, style, title...)
  std::uint32_t Blocks = 0;
  std::uint32_t CharCount = 0;  // visible characters, including those of folded children
  bool Block = false;
  bool NotCut = true;  // starts before the page's common tail
  bool InTop = true;   // starts after the page's common head
  bool Hide = false;   // the start tag says display:none
};

// Owning stack of elements; index 0 is the root.
class THtmlTags {
 public:
  int GetCount() const { return static_cast<int>(items_.size()); }
  THtmlTag& operator[](int index) { return *items_[static_cast<std::size_t>(index)]; }
  const THtmlTag& operator[](int index) const { return *items_[static_cast<std::size_t>(index)]; }
  THtmlTag& Last() { return *items_.back(); }
  // Appends a fresh element and returns it.
  THtmlTag& Add();
  // Frees items from the end until n remain; n at or above the count changes nothing.
  void SetCount(int n);
  void Clear() { items_.clear(); }

 private:
  std::vector<std::unique_ptr<THtmlTag>> items_;
};

// Folds a closed element into its parent: text, tags and counts move up.
void FoldTag(THtmlTag& element, THtmlTag& parent);

// Inner whitespace runs become one space; leading and trailing whitespace go.
std::u16string CollapseWhitespace(std::u16string_view text);
// Removes TAB, LF, CR and space (nothing else) from both ends.
std::u16string TrimWhitespace(std::u16string_view text);

struct TBodySplit {
  std::u16string BeforeBody;  // up to and including the body start tag
  std::u16string Body;
  std::u16string AfterBody;  // from the body end tag on
};
// Splits a page at its body tags. Without a body start tag the whole page is the body; with a start
// tag but no end tag after it, the rest of the page is.
TBodySplit SplitBody(std::u16string_view page);

// True when the text is the title: equal without regard to case, or containing / contained in it with
// a length difference below 40 percent of the longer one.
bool TitlesMatch(std::u16string_view text, std::u16string_view title);

// Adds the table tags a fragment cut out of a table's middle needs at its ends (TR/TD only).
std::u16string BalanceTableFragment(std::u16string_view fragment);

// Cuts one section of a distilled topic down to its content: drops the leading heading and returns the
// smallest element that holds nearly all the visible text.
std::u16string DistillSection(std::u16string_view section, std::u16string_view title);

}  // namespace tomeshift
