// The distiller stage of the converter chain: turns the extracted folder into cleaned pages, in
// place, and completes the topic list: contents links normalised, pages and style sheets found,
// shared navigation cut, pages split at the anchors several entries point to, pages outside the
// contents gathered, chapters numbered, bookmarks named and links between topics rewritten.
#pragma once

#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "converter/chm_decompile.h"
#include "converter/chm_topic_file.h"
#include "converter/link_rewriting.h"
#include "text/string_list.h"

namespace tomeshift {

// The pages being distilled, owned, in the order they were added.
class TChmTopicFileList {
 public:
  int Count() const { return static_cast<int>(items_.size()); }
  TChmTopicFile& operator[](int index) const { return *items_.at(static_cast<std::size_t>(index)); }
  TChmTopicFile& Add(std::unique_ptr<TChmTopicFile> item);
  void Clear();
  // The first page whose Filename equals FileName ignoring case; nullptr when there is none.
  TChmTopicFile* GetItemByFilename(std::u16string_view FileName) const;

  auto begin() const { return items_.begin(); }
  auto end() const { return items_.end(); }

 private:
  std::vector<std::unique_ptr<TChmTopicFile>> items_;
  std::unordered_map<std::u16string, TChmTopicFile*> byName_;  // upper-cased Filename -> first page
};

class TCHMDistill : public TCHMDecompile {
 public:
  TCHMDistill();
  ~TCHMDistill() override;

  // Contents pages (full paths, anchor removed), each with the first entry that names it.
  TStringList Files;
  bool AddHint = false;
  std::u16string HintFormat = u"See [Title No.]";
  bool Discard = false;
  std::u16string Addenda = u"Addenda";
  // Pages reached by links from contents pages that the contents does not list.
  TStringList NonTocicFiles;
  // Style sheets linked from the discovered pages.
  TStringList CSSFiles;
  // One page per line of Files, then per line of NonTocicFiles.
  TChmTopicFileList TopicList;
  // Most contents titles carry their own numbers ("2.1 Installing"): ChapterNumber holds the title's
  // number (empty for titles without one), and headings show the titles as they are.
  bool TitlesNumbered = false;

  // Distills the pages of rootFolder and completes List. Runs once per object.
  virtual void Execute();

  // The stages, in the order Execute runs them.
  void ProcessTocLink();
  void FillFileList();
  void ChangeCSS();
  void RemoveSame();
  void NonTocFileToToc();
  void GetChapterNumber();
  void GetBookmark();
  void DistillPages();
  void ProcessTocLink2();
  // Later entries that name the page or section of an earlier one refer to it (BodyEntry).
  void MarkRepeatedEntries();

  // Link rewriting, bound to this help file's scratch folder and topic list.
  std::u16string ProcessDecompiledUrl(std::u16string_view Url, std::u16string_view CurrentUrl);
  std::u16string ProcessSCR(std::u16string_view S, std::u16string_view CurrentUrl);
  std::u16string ChangeUrlBookmark(std::u16string_view text, const TTitleList& Base);
  bool IsOutOfRootfolder(std::u16string_view url) const;

 private:
  TLinkContext LinkContext();
  // The full path of an entry's page (anchor removed) in the one spelling Files uses; empty when
  // the page would lie outside rootFolder.
  std::u16string PagePath(std::u16string_view url) const;
  // The file of the part of a split page that an anchored page entry stands for; empty when none.
  std::u16string SplitPartPath(const TTitleList& entry) const;
  // The entry a link to page or page#anchor lands on: the entry with that Url, else, in a page split
  // at its bookmarks, the entry whose part holds the anchor (or the page's first text).
  bool FindLinkTarget(std::u16string_view url, TLinkTopic& entry) const;
  // In a split page, the entry that holds the text before the first section.
  const TTitleList* PreambleOwner(std::u16string_view page, const TChmTopicFile& file) const;
  // Rewrites the links of one page and queues the pages it links to that are not yet known.
  void GetLinkPages(const std::u16string& path, std::vector<std::u16string>& pending);

  std::set<std::u16string> extractedHelpFiles_;  // sub-folders already tried, upper-cased
  // Contents pages that hold a frameset as extracted (the distiller keeps no frameset tags).
  std::set<std::u16string> framesetPages_;
  int addendaStart_ = -1;  // list position of the Addenda heading; -1 when there is none
};

}  // namespace tomeshift
