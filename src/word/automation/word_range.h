// Range: a span of one story that follows edits made elsewhere, with the word processor's rules
// for what it covers after each operation:
//  - InsertAfter / InsertParagraphAfter: the range grows to include what was inserted.
//  - InsertBefore: likewise, at its start.
//  - Collapse(0) (to the end): the range becomes empty at its end; after a paragraph mark that is the
//    start of the next paragraph. No position lies after a story's final paragraph mark: collapsing
//    there lands just before it.
//  - InsertBreak(2): the range is replaced by the section break and then covers it.
//  - Paste: the range's content is replaced by the clipboard's and the range covers the pasted content.
// Copies of a Range share one position, like references to one range object; Duplicate() does not.
#pragma once

#include <memory>
#include <string>

#include "word/automation/word_font.h"
#include "word/automation/word_style.h"
#include "word/model/document_model.h"

namespace tomeshift::word {

namespace wd {
constexpr int kCollapseEnd = 0, kCollapseStart = 1;
constexpr int kSectionBreakNextPage = 2, kLineBreak = 6, kPageBreak = 7;
constexpr int kCharacter = 1, kParagraph = 4, kStory = 6;
constexpr int kGoToHeading = 11;
constexpr int kGoToFirst = 1, kGoToNext = 2, kGoToPrevious = 3, kGoToLast = -1;
}  // namespace wd

class Range;

class Paragraphs {
 public:
  explicit Paragraphs(FormatTarget t) : t_(std::move(t)) {}
  int Count() const;
  int Alignment() const;  // kWdUndefined when they differ
  void SetAlignment(int a);
  Range Item(int index) const;  // 1-based

 private:
  FormatTarget t_;
};

class Range {
 public:
  Range() = default;
  Range(DocModel* doc, Story* story, std::size_t start, std::size_t end);

  std::size_t Start() const { return pos_->start; }
  std::size_t End() const { return pos_->end; }
  void SetStart(std::size_t v);
  void SetEnd(std::size_t v);
  std::u16string Text() const;
  void SetText(std::u16string_view text);

  void Collapse(int direction = wd::kCollapseStart);
  void InsertAfter(std::u16string_view text);
  void InsertBefore(std::u16string_view text);
  void InsertParagraphAfter();
  void InsertBreak(int type = wd::kPageBreak);
  // Grows to whole units (wdParagraph 4, wdStory 6, wdCharacter 1); returns the characters added.
  int Expand(int unit);
  // Heading targets only; returns a new empty range at the found paragraph's start, or here when
  // there is no such heading. Headings in table cells count, in reading order, and the range
  // returned for one lies in the cell's story.
  Range GoTo(int what, int which) const;

  Style GetStyle() const;
  void SetStyle(int builtin_index);
  void SetStyle(std::u16string_view name);
  void SetStyle(const Style& style);
  Font GetFont() const { return Font(Target()); }
  ParagraphFormat GetParagraphFormat() const { return ParagraphFormat(Target()); }
  Paragraphs GetParagraphs() const { return Paragraphs(Target()); }

  void Copy() const;
  void Paste();
  Range Duplicate() const;

  DocModel* doc() const { return doc_; }
  Story* story() const { return story_; }
  bool valid() const { return pos_ != nullptr; }

 private:
  FormatTarget Target() const { return FormatTarget{doc_, story_, pos_, -1}; }
  // Inserts at pos with the word processor's run inheritance; keeps the final paragraph mark last.
  std::size_t InsertText(std::size_t pos, std::u16string_view text);
  void ApplyStyleIndex(int model_index);

  DocModel* doc_ = nullptr;
  Story* story_ = nullptr;
  std::shared_ptr<RangePos> pos_;
};

// Finds the heading paragraph (effective outline level below 10) after, before, first or last.
// Returns the start of its paragraph, or npos.
std::size_t FindHeading(const DocModel& doc, const Story& s, std::size_t from, int which);

// A paragraph start in some story of a document.
struct HeadingSpot {
  Story* story = nullptr;  // nullptr: none found
  std::size_t start = 0;
};
// The heading paragraph first, last, before or after the paragraph starting at `here` of here_story
// (none: the document's start), in reading order over the main text and its tables' cells.
HeadingSpot FindHeadingInDocument(DocModel& doc, const Story* here_story, std::size_t here, int which);

}  // namespace tomeshift::word
