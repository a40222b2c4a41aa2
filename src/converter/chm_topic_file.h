// One topic page while the help file is distilled: its text split at the body, the block scanners the
// comparison passes drive (see topic_comparison.h), and the distiller that keeps the page's content.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

#include "converter/bookmarks.h"
#include "text/html_tag_tree.h"
#include "text/string_list.h"

namespace tomeshift {

class TCHMDistill;

// Two block texts are similar when more than 80 percent of the shorter is found in the longer one, in
// order, in runs of at least three characters (case ignored; equal texts always are).
bool IsSimilarText(std::u16string_view S1, std::u16string_view S2);
// The same rule for texts already in lower case (the comparison passes lower each block once).
bool IsSimilarLowered(std::u16string_view a, std::u16string_view b);

class TChmTopicFile {
 public:
  TChmTopicFile();
  // Reads the page from disk (in its declared encoding) and splits it.
  TChmTopicFile(std::u16string_view TopicFile, TCHMDistill* Owner, std::u16string_view Title);
  ~TChmTopicFile();
  TChmTopicFile(const TChmTopicFile&) = delete;
  TChmTopicFile& operator=(const TChmTopicFile&) = delete;

  // Steps after reading: authoring-tool clean-up, body split, page title, scan bounds.
  void LoadPageText(std::u16string_view page);

  TCHMDistill* Owner = nullptr;
  std::u16string Filename;
  TStringList Anchors;  // sorted, case-insensitive, duplicates ignored
  TBookmarks Bookmarks;
  std::int32_t QuoteCount = 0;
  bool NamedWithoutAnchor = false;  // an entry names the whole page, not one of its anchors
  std::u16string BeforeBody;
  std::u16string Body;
  std::u16string AfterBody;
  std::u16string Title1;  // contents entry title; empty outside the contents
  std::u16string Title2;  // the page's title element
  std::u16string Title3;  // the block the title pass took for the page's title

  // Block scanner state (meaningful during the comparison passes only).
  bool InTag = false;
  bool IsTagName = false;
  bool IsStartTag = false;
  bool FindText = false;  // stopped at a found block that has not been passed yet
  std::u16string TagAll;
  std::u16string TagName;
  std::u16string Text;  // the current block
  std::int32_t CurrentIndex = 0;
  std::int32_t i = 0;  // 1-based position in Body
  std::uint32_t L = 0;
  std::int32_t h = 0;           // length of Body: the upper end of scanning
  std::int32_t SamePointH = 0;  // where the common tail begins
  std::int32_t SamePointL = 0;  // where the unique part begins
  bool TitleFound = false;
  // The scanners only need each open element's name and whether it holds document text, so that is
  // all they record here; the text is gathered by Distiller.
  THtmlTags Tags;

  void IniticalizeTags();
  // Next non-empty block from the top; at the end of the body, the raw text after the last break.
  void SearchDown();
  // Next non-empty block from the bottom; at the start, the raw text before the first break.
  void SearchUp();
  // The markup of the current block (between the break tags around it), for comparing blocks by
  // their shape rather than their text.
  std::u16string_view CurrentBlock() const;
  static bool IsSimilar(std::u16string_view S1, std::u16string_view S2) { return IsSimilarText(S1, S2); }
  // Whether the current block (not the argument) is similar to the contents title or the page title.
  bool IsTitle(std::u16string_view Str = {}) const;
  // The page's new body: the element that holds its content, without the shared head and tail and the
  // title heading. Leaves the object unchanged.
  std::u16string Distiller() const;
  static std::u16string PreprocessForSpecialHelpAuthoringTools(std::u16string_view Source);

  // Anchors and section files (bookmarks.cpp).
  void FindAnchors();
  // Places the bookmarks and fills AnchorBlocks.
  void ProcessBookmarks();
  void SplitFileByBookmark();
  // Where the first placed bookmark's section starts (1-based); 0 when none is placed.
  std::uint32_t FirstSectionStart() const;
  // The text before the first section: what the entry naming the whole page holds of a split page.
  std::u16string Preamble() const;
  // Upper-cased anchor name or id -> start of its block (first occurrence); filled by ProcessBookmarks.
  std::unordered_map<std::u16string, std::uint32_t> AnchorBlocks;

 private:
  void PassBreakTagDown();
  void FollowTagDown();
  std::u16string reversedText_;  // SearchUp gathers the block backwards
  std::size_t blockBegin_ = 0;   // the current block's markup: Body[blockBegin_, blockEnd_)
  std::size_t blockEnd_ = 0;
};

}  // namespace tomeshift
