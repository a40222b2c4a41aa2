// Navigation that help pages repeat with changing link texts, which text comparison alone misses: a
// line of links with a few fixed words between them ("Next: ◦, Previous: ◦, Up: ◦", "◦ | ◦ | next"),
// and a page's own table of contents (a list of links to entries of the contents, perhaps under a
// caption), which the document's table of contents replaces.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tomeshift {

// Stands for the text of one link in a block's shape.
inline constexpr char16_t kLinkMark = u'\uFFFC';

// A block with the texts of its links masked.
struct TBlockShape {
  std::u16string Text;                // lower case, white space collapsed, each link as one kLinkMark
  std::vector<std::u16string> Links;  // the targets, as written
  // Links with at most a few words between them: navigation may look like this, a sentence with a
  // link in it does not.
  bool LinkLine = false;
  bool FixedWords = false;  // words besides the links ("Next:", "Up:"), not just separators and numbers
  bool FixedMarks = false;  // anything besides the links, separators included ("◦ »", "◦ |")
};

// The shape of one block's markup (the text between two break tags, tags included).
TBlockShape ShapeOfBlock(std::u16string_view markup);

// Two link lines alike once their link texts are masked (the block similarity rule on the shapes).
bool SimilarShapes(const TBlockShape& a, const TBlockShape& b);

struct TNavigationCut {
  // Link lines with fixed words that most pages carry at their top or bottom.
  std::vector<TBlockShape> Shapes;
  // Whether a link (as written in the page) leads to an entry of the contents.
  std::function<bool(std::u16string_view href)> IsContentsLink;
  // Whether a text is the title of an entry of the contents (as TitleKey has it). A bar names the
  // neighbours it does not link ("About this manual | Home | Chapter 2. Daily use").
  std::function<bool(std::u16string_view key)> IsContentsTitle;
};

// The body without the elements that hold nothing but navigation: lines like one of cut.Shapes, and
// lists of at least two lines that only link to entries of the contents (under at most one short
// caption), where lines that are only an entry's title count as such links once one line is a real
// link. An element with any other text stays whole.
std::u16string CutNavigationElements(std::u16string_view body, const TNavigationCut& cut);

// The body without its first block when that only repeats one of the titles (the page's own title
// heading, "Chapter 2. Daily use" under the entry "2. Daily use"): the document's heading stands for
// it. A heading element that held only that text goes with it.
std::u16string DropTitleBlock(std::u16string_view body, const std::vector<std::u16string>& titles);

// The file name of a picture tag's source: after the last '\\', '/' or ':'.
std::u16string PictureFileName(std::u16string_view tagText);
// "Previous" and "next" buttons are navigation, never content.
bool IsNavigationPicture(std::u16string_view fileName);

// The title as a heading repeats it: lower case, without a leading section number, permalink signs
// and surplus white space.
std::u16string TitleKey(std::u16string_view title);

}  // namespace tomeshift
