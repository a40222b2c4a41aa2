#include "converter/chm_distill.h"

#include <algorithm>
#include <unordered_set>

#include "converter/chapter_numbers.h"
#include "converter/css_fixes.h"
#include "converter/navigation_blocks.h"
#include "converter/topic_comparison.h"
#include "platform/cancellation.h"
#include "platform/code_pages.h"
#include "platform/errors.h"
#include "platform/file_system.h"
#include "platform/text_files.h"
#include "platform/user_interaction.h"
#include "text/html_tag_tree.h"
#include "text/html_vocabulary.h"
#include "text/path_helpers.h"
#include "text/text_utils.h"
#include "text/unicode.h"

namespace tomeshift {

namespace {

constexpr std::size_t kMaxReportedMissingPages = 20;

bool IsWebAddress(std::u16string_view url) { return StartsText(u"http://", url) || StartsText(u"https://", url); }

// "page.htm" and 2 give "page_2.htm": the name under which a page's section files are written.
std::u16string SectionUrl(std::u16string_view page, int index) {
  const std::size_t slash = page.find_last_of(u"\\/");
  const std::size_t dot = page.rfind(u'.');
  const bool hasExtension = dot != std::u16string_view::npos && (slash == std::u16string_view::npos || dot > slash);
  const std::size_t stem = hasExtension ? dot : page.size();
  return std::u16string(page.substr(0, stem)) + u"_" + IntToStr(index) + std::u16string(page.substr(stem));
}

}  // namespace

TChmTopicFile& TChmTopicFileList::Add(std::unique_ptr<TChmTopicFile> item) {
  TChmTopicFile& added = *item;
  items_.push_back(std::move(item));
  byName_.try_emplace(UpperCase(added.Filename), &added);
  return added;
}

void TChmTopicFileList::Clear() {
  byName_.clear();
  items_.clear();
}

TChmTopicFile* TChmTopicFileList::GetItemByFilename(std::u16string_view FileName) const {
  const auto it = byName_.find(UpperCase(FileName));
  return it == byName_.end() ? nullptr : it->second;
}

TCHMDistill::TCHMDistill() = default;

TCHMDistill::~TCHMDistill() = default;

void TCHMDistill::Execute() {
  // Pages that declare no charset were written in the help file's code page (its author's machine
  // ran in that language), not in whatever code page this machine would assume.
  const ScopedAnsiCodePage help_file_code_page(CodePage);
  DoChange(u"Analyzing...", 5);
  ProcessTocLink();
  FillFileList();
  ChangeCSS();
  DoChange(u"Preparing to distill pages...", 10);
  RemoveSame();
  NonTocFileToToc();
  GetChapterNumber();
  GetBookmark();
  List.initializeUrls();
  DoChange(u"Distilling pages...", 15);
  DistillPages();
  ProcessTocLink2();
  MarkRepeatedEntries();
}

TLinkContext TCHMDistill::LinkContext() {
  TLinkContext context;
  context.rootFolder = rootFolder;
  context.chmFile = chmFile;
  context.ExtractHelpFile = [this](const std::u16string& chm, const std::u16string& folder) {
    // Once per help file, even when its extraction failed before the folder was made.
    if (!extractedHelpFiles_.insert(UpperCase(folder)).second) return;
    // Only a help file is read: a link must not pull any other file beside it into the document.
    const std::optional<std::string> head = ReadFileHead(chm, 4);
    if (!head || *head != "ITSF") {
      UserInteraction().Warning(chm, u"not read: it is not a compiled HTML Help file");
      return;
    }
    try {
      TCHMDecompile other;
      other.LoadFromCHM(chm);
      other.rootFolder = folder;
      other.decompile();
    } catch (const EUserCancel&) {
      throw;
    } catch (const TomeshiftError& e) {
      UserInteraction().Warning(chm, U16(e.what()));
    }
  };
  return context;
}

std::u16string TCHMDistill::ProcessDecompiledUrl(std::u16string_view Url, std::u16string_view CurrentUrl) {
  return tomeshift::ProcessDecompiledUrl(LinkContext(), Url, CurrentUrl);
}

std::u16string TCHMDistill::ProcessSCR(std::u16string_view S, std::u16string_view CurrentUrl) {
  return tomeshift::ProcessSCR(LinkContext(), S, CurrentUrl);
}

bool TCHMDistill::IsOutOfRootfolder(std::u16string_view url) const {
  return tomeshift::IsOutOfRootfolder(rootFolder, url);
}

std::u16string TCHMDistill::ChangeUrlBookmark(std::u16string_view text, const TTitleList& Base) {
  TBookmarkContext context;
  context.AddHint = AddHint;
  context.HintFormat = HintFormat;
  context.FindEntry = [this](std::u16string_view url, TLinkTopic& entry) { return FindLinkTarget(url, entry); };
  context.HasAnchor = [this](std::u16string_view url, std::u16string_view anchor) {
    const TChmTopicFile* page = TopicList.GetItemByFilename(rootFolder + std::u16string(url));
    return page != nullptr && page->Anchors.Contains(anchor);
  };
  return tomeshift::ChangeUrlBookmark(context, text, TLinkTopic{Base.Url, Base.Bookmark, Base.ChapterNumber});
}

std::u16string TCHMDistill::PagePath(std::u16string_view url) const {
  const UrlParts parts = SplitUrlAnchor(url);
  if (parts.page.empty()) return {};
  return CanonicalPathInRoot(rootFolder, rootFolder + parts.page);
}

void TCHMDistill::ProcessTocLink() {
  const TLinkContext context = LinkContext();
  std::size_t missing = 0;
  for (const auto& item : List) {
    TTitleList& entry = *item;
    if (entry.Status != kStatusPage) continue;
    if (IsWebAddress(entry.Url)) {
      entry.Status = kStatusWebAddress;
      continue;
    }
    const UrlParts parts =
        SplitUrlAnchor(ToBackslashes(tomeshift::ProcessDecompiledUrl(context, entry.Url, rootFolder)));
    // One spelling per page ("a\.\b.htm" is "a\b.htm"), so that entries, pages and links meet.
    std::u16string page = NormalizePath(parts.page);
    if (page.empty()) {
      // A link into a help file that is not there: nothing to insert, the title stays as a heading.
      entry.Url.clear();
      entry.Status = kStatusHeading;
      continue;
    }
    if (!FileSystem().FileExists(PagePath(page))) {
      // Its bytes may name the page in the code page the help file's text showed, where the
      // contents was read in another one (the user's choice, or its byte order mark).
      bool lossless = false;
      const std::string bytes = DetectedCodePage != 0 && DetectedCodePage != CodePage
                                    ? TextToCodePage(page, CodePage, &lossless)
                                    : std::string();
      const std::u16string redecoded = lossless ? CodePageToText(bytes, DetectedCodePage) : std::u16string();
      if (!redecoded.empty() && FileSystem().FileExists(PagePath(redecoded))) {
        page = redecoded;
      } else if (++missing <= kMaxReportedMissingPages) {
        UserInteraction().Warning(chmFile,
                                  u"the contents entry \"" + entry.Topic + u"\" names the page \"" + page +
                                      u"\", which the help file does not hold; it stays a heading without text");
      }
    }
    entry.Url = parts.anchor.empty() ? page : page + u"#" + parts.anchor;
  }
  if (missing > kMaxReportedMissingPages) {
    UserInteraction().Warning(chmFile, u"and " +
                                           IntToStr(static_cast<std::int64_t>(missing - kMaxReportedMissingPages)) +
                                           u" more contents entries name pages that the help file does not hold");
  }
}

void TCHMDistill::FillFileList() {
  Files.Clear();
  CSSFiles.Clear();
  NonTocicFiles.Clear();
  framesetPages_.clear();
  for (const auto& item : List) {
    if (item->Status != kStatusPage) continue;
    const std::u16string path = PagePath(item->Url);
    if (!path.empty()) Files.Add(path, item.get());
  }
  // Depth first through a stack of our own: a chain of thousands of linked pages must not
  // exhaust the call stack.
  std::vector<std::u16string> pending;
  for (int i = 0; i < Files.Count(); ++i) {
    CheckCancel();
    GetLinkPages(Files[i], pending);
    while (!pending.empty()) {
      CheckCancel();
      const std::u16string next = std::move(pending.back());
      pending.pop_back();
      GetLinkPages(next, pending);
    }
  }
}

void TCHMDistill::GetLinkPages(const std::u16string& path, std::vector<std::u16string>& pending) {
  const std::u16string text = ReadPageText(path);
  if (ContainsText(text, u"<frameset")) framesetPages_.insert(UpperCase(path));
  const std::u16string rewritten = tomeshift::ProcessSCR(LinkContext(), text, path);
  if (rewritten != text) WritePageText(rewritten, path);
  const std::u16string folder = ExtractFolder(path);
  std::vector<std::u16string> found;
  ScanLinkValues(rewritten, [&](std::u16string_view value) {
    const std::size_t dot = value.rfind(u'.');
    if (dot == std::u16string_view::npos) return;
    const std::u16string_view extension = value.substr(dot);
    const bool page = IsPageExtension(extension);
    if (!page && !SameText(extension, u".css")) return;
    const std::u16string target = CanonicalPathInRoot(rootFolder, folder + std::u16string(value));
    if (target.empty() || !FileSystem().FileExists(target)) return;
    if (!page) {
      CSSFiles.Add(target);
    } else if (!Files.Contains(target) && !NonTocicFiles.Contains(target)) {
      NonTocicFiles.Add(target);
      found.push_back(target);
    }
  });
  // Scanned in the order the page links to them.
  pending.insert(pending.end(), found.rbegin(), found.rend());
}

void TCHMDistill::ChangeCSS() { tomeshift::ChangeCSS(CSSFiles); }

void TCHMDistill::RemoveSame() {
  TopicList.Clear();
  for (int i = 0; i < Files.Count(); ++i) {
    CheckCancel();
    const auto* entry = Files.ObjectAs<TTitleList>(i);
    TopicList.Add(std::make_unique<TChmTopicFile>(Files[i], this, entry ? entry->Topic : std::u16string()));
  }
  for (int i = 0; i < NonTocicFiles.Count(); ++i) {
    CheckCancel();
    TopicList.Add(std::make_unique<TChmTopicFile>(NonTocicFiles[i], this, std::u16string()));
  }
  const auto contentsPages = static_cast<std::size_t>(Files.Count());

  // What the contents leads to, before single anchors are dropped: upper-cased "path" and "path#anchor".
  std::unordered_set<std::u16string> entryTargets;
  for (const auto& item : List) {
    if (item->Status != kStatusPage) continue;
    const std::u16string path = PagePath(item->Url);
    if (path.empty()) continue;
    const std::u16string anchor = SplitUrlAnchor(item->Url).anchor;
    entryTargets.insert(UpperCase(path));
    if (!anchor.empty()) entryTargets.insert(UpperCase(path + u"#" + anchor));
  }

  for (const auto& item : List) {
    if (item->Status != kStatusPage) continue;
    TChmTopicFile* page = TopicList.GetItemByFilename(PagePath(item->Url));
    if (!page) continue;
    const std::u16string anchor = SplitUrlAnchor(item->Url).anchor;
    if (anchor.empty()) page->NamedWithoutAnchor = true;
    if (!anchor.empty() && !page->Bookmarks.GetItemByName(anchor)) page->Bookmarks.Add(anchor, item->Topic);
    ++page->QuoteCount;
  }
  // A page that one entry alone points to is never split: the entry takes the whole page.
  for (const auto& item : List) {
    if (item->Status != kStatusPage) continue;
    const TChmTopicFile* page = TopicList.GetItemByFilename(PagePath(item->Url));
    if (page && page->QuoteCount == 1) item->Url = SplitUrlAnchor(item->Url).page;
  }

  std::unordered_set<std::u16string> entryTitles;  // as TitleKey has them
  for (const auto& item : List) {
    std::u16string key = TitleKey(item->Topic);
    if (!key.empty()) entryTitles.insert(std::move(key));
  }

  std::vector<TChmTopicFile*> pages;
  pages.reserve(static_cast<std::size_t>(TopicList.Count()));
  for (const auto& page : TopicList) pages.push_back(page.get());
  TNavigationCut navigation;
  navigation.IsContentsTitle = [&entryTitles](std::u16string_view key) {
    return entryTitles.count(std::u16string(key)) != 0;
  };
  bool cutShort = false;
  navigation.Shapes = RunComparisonPasses(pages, contentsPages, true, &cutShort);
  if (cutShort) {
    UserInteraction().Warning(chmFile,
                              u"too many pages to compare them all in reasonable time: headers and footers "
                              u"that differ a little from page to page may stay in some pages (those the same "
                              u"on most pages were removed)");
  }

  for (TChmTopicFile* page : pages) {
    CheckCancel();
    page->Body = page->Distiller();
    // The navigation that stands inside the pages too (a node header above every section), and the
    // pages' own tables of contents: the document has one for all.
    navigation.IsContentsLink = [&](std::u16string_view href) {
      const UrlParts parts = SplitUrlAnchor(href);
      const std::u16string path =
          parts.page.empty()
              ? page->Filename
              : CanonicalPathInRoot(rootFolder, ExtractFolder(page->Filename) + ToBackslashes(parts.page));
      if (path.empty()) return false;
      return entryTargets.count(UpperCase(parts.anchor.empty() ? path : path + u"#" + parts.anchor)) != 0;
    };
    page->Body = CutNavigationElements(page->Body, navigation);
    page->Body = DropTitleBlock(page->Body, {page->Title1, page->Title2});
    page->FindAnchors();
    const bool split = page->QuoteCount > 1 && page->Bookmarks.Count() > 0;
    if (page->QuoteCount > 1) {
      page->ProcessBookmarks();
      page->Bookmarks.Sort();
      page->SplitFileByBookmark();
    }
    // The entry that names a split page without an anchor holds only the text before the sections,
    // which hold the rest.
    const bool preambleOnly = split && page->NamedWithoutAnchor;
    WritePageText(page->BeforeBody + (preambleOnly ? page->Preamble() : page->Body) + page->AfterBody, page->Filename);
  }
}

void TCHMDistill::NonTocFileToToc() {
  addendaStart_ = -1;
  if (Discard || NonTocicFiles.Empty()) return;
  addendaStart_ = List.Count();
  TTitleList& heading = List.Add();
  heading.Topic = Addenda;
  heading.Level = 0;
  heading.Status = kStatusHeading;
  for (int i = 0; i < NonTocicFiles.Count(); ++i) {
    CheckCancel();
    const std::u16string& path = NonTocicFiles[i];
    TTitleList& entry = List.Add();
    entry.Level = 1;
    entry.Status = kStatusPage;
    // Every line was made as rootFolder + relative path.
    entry.Url = ToBackslashes(std::u16string_view(path).substr(std::min(rootFolder.size(), path.size())));
    entry.Topic = TrimWhitespace(GetPageTitle(ReadPageText(path)));
    if (entry.Topic.empty()) {
      if (const TChmTopicFile* page = TopicList.GetItemByFilename(path)) entry.Topic = page->Title3;
    }
    NonTocicFiles.SetObject(i, &entry);
  }
}

void TCHMDistill::GetChapterNumber() {
  // A title that carries its own number keeps it, alone: a second, counted number would disagree with
  // the one the pages' text refers to. When most titles do, the others go without a number.
  const int contents = addendaStart_ < 0 ? List.Count() : addendaStart_;
  int numbered = 0;
  for (int i = 0; i < contents; ++i) numbered += OwnChapterNumber(List[i].Topic).empty() ? 0 : 1;
  TitlesNumbered = contents > 0 && numbered * 2 > contents;
  TChapterCounter counter;
  for (const auto& item : List) {
    const std::u16string counted = counter.Next(item->Level);
    std::u16string_view own = OwnChapterNumber(item->Topic, TitlesNumbered);
    if (own.empty()) {
      item->ChapterNumber = TitlesNumbered ? std::u16string() : counted;
      continue;
    }
    if (own.back() == u'.') own.remove_suffix(1);
    item->ChapterNumber = std::u16string(own);
  }
}

void TCHMDistill::GetBookmark() {
  for (int i = 0; i < List.Count(); ++i) List[i].Bookmark = u"Bookmark" + IntToStr(i);
}

void TCHMDistill::DistillPages() {
  TStringList urls;
  for (const auto& item : List) {
    if (!item->Url.empty()) urls.Add(item->Url, item.get());
  }
  for (int i = 0; i < urls.Count(); ++i) {
    CheckCancel();
    // Web addresses name no file here.
    auto* entry = urls.ObjectAs<TTitleList>(i);
    std::u16string path = CanonicalPathInRoot(rootFolder, rootFolder + urls[i]);
    if (path.empty() || !FileSystem().FileExists(path)) {
      // The part of a split page: its links lead to the other topics as any page's do, and its
      // links to anchors of the same page to the entries those anchors begin.
      path = SplitPartPath(*entry);
      if (path.empty()) continue;
      const UrlParts parts = SplitUrlAnchor(entry->Url);
      TTitleList base;
      base.Url = parts.page;
      base.Bookmark = entry->Bookmark;
      base.ChapterNumber = entry->ChapterNumber;
      WritePageText(FixDisplayAndAlignment(ChangeUrlBookmark(ReadPageText(path), base)), path);
      continue;
    }
    std::u16string text = ReadPageText(path);
    if (ContainsText(text, u"<frameset") || framesetPages_.count(UpperCase(path)) != 0) entry->Status = kStatusHeading;
    text = ChangeUrlBookmark(text, *entry);
    text = FixDisplayAndAlignment(text);
    WritePageText(text, path);
  }
}

bool TCHMDistill::FindLinkTarget(std::u16string_view url, TLinkTopic& entry) const {
  if (const TTitleList* found = List.GetItemByUrl(url)) {
    entry = TLinkTopic{found->Url, found->Bookmark, found->ChapterNumber};
    return true;
  }
  const UrlParts parts = SplitUrlAnchor(url);
  const TChmTopicFile* page = TopicList.GetItemByFilename(PagePath(url));
  if (!page || page->QuoteCount <= 1 || page->Bookmarks.Count() == 0) return false;
  const TTitleList* owner = nullptr;
  if (parts.anchor.empty()) {
    owner = PreambleOwner(parts.page, *page);  // no entry names the whole page
  } else {
    const auto at = page->AnchorBlocks.find(UpperCase(parts.anchor));
    if (at == page->AnchorBlocks.end()) return false;
    // The part of the last section starting at or before the anchor's block (the bookmarks are
    // sorted by position); before the first section, the preamble's.
    int low = 0, high = page->Bookmarks.Count();
    while (low < high) {
      const int mid = (low + high) / 2;
      if (page->Bookmarks[mid].Position <= at->second)
        low = mid + 1;
      else
        high = mid;
    }
    const int part = low - 1;
    owner = part < 0 || page->Bookmarks[part].Position == 0
                ? PreambleOwner(parts.page, *page)
                : List.GetItemByUrl(parts.page + u"#" + page->Bookmarks[part].Name);
  }
  if (!owner) return false;
  entry = TLinkTopic{owner->Url, owner->Bookmark, owner->ChapterNumber};
  // Inside its part an anchor is named after the part's entry, as in any page; ids keep their names,
  // so a link to one lands on the part's heading.
  if (!parts.anchor.empty() && page->Anchors.Contains(parts.anchor)) entry.Bookmark += u"_" + parts.anchor;
  return true;
}

const TTitleList* TCHMDistill::PreambleOwner(std::u16string_view page, const TChmTopicFile& file) const {
  if (file.NamedWithoutAnchor) return List.GetItemByUrl(page);
  return file.Bookmarks.Count() == 0 ? nullptr
                                     : List.GetItemByUrl(std::u16string(page) + u"#" + file.Bookmarks[0].Name);
}

std::u16string TCHMDistill::SplitPartPath(const TTitleList& entry) const {
  if (entry.Status != kStatusPage) return {};
  const UrlParts parts = SplitUrlAnchor(entry.Url);
  if (parts.anchor.empty()) return {};
  const TChmTopicFile* page = TopicList.GetItemByFilename(PagePath(entry.Url));
  if (!page || page->QuoteCount <= 1) return {};
  const int position = page->Bookmarks.GetItemIdByName(parts.anchor);
  if (position < 0) return {};
  const std::u16string path = CanonicalPathInRoot(rootFolder, rootFolder + SectionUrl(parts.page, position));
  return !path.empty() && FileSystem().FileExists(path) ? path : std::u16string();
}

void TCHMDistill::ProcessTocLink2() {
  for (const auto& item : List) {
    if (item->Status != kStatusPage) continue;
    const UrlParts parts = SplitUrlAnchor(item->Url);
    if (parts.anchor.empty()) continue;
    const TChmTopicFile* page = TopicList.GetItemByFilename(PagePath(item->Url));
    if (!page) continue;
    const int position = page->Bookmarks.GetItemIdByName(parts.anchor);
    if (position < 0) continue;
    item->Url = SectionUrl(parts.page, position);
  }
}

void TCHMDistill::MarkRepeatedEntries() {
  std::unordered_map<std::u16string, const TTitleList*> first;
  for (const auto& item : List) {
    item->BodyEntry = nullptr;
    if (item->Status != kStatusPage || item->Url.empty()) continue;
    const auto [it, added] = first.try_emplace(UpperCase(item->Url), item.get());
    if (!added) item->BodyEntry = it->second;
  }
}

}  // namespace tomeshift
