// Links inside the extracted pages: normalising every link attribute so that it stays inside the
// scratch folder (resolving addresses into this or other help files), and rewriting links between
// topics into references to the document's bookmarks, with an optional "(See 2.3)" hint.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace tomeshift {

// The scratch folder and the help file that links are resolved against.
struct TLinkContext {
  std::u16string rootFolder;  // absolute, ending with a delimiter
  std::u16string chmFile;     // the help file that was extracted into rootFolder
  // Extracts the help file chm into folder (absolute, ending with '\'). Called at most once per
  // folder; may throw, the link is then left pointing into the (empty) folder.
  std::function<void(const std::u16string& chm, const std::u16string& folder)> ExtractHelpFile;
};

// A full path with "." and ".." resolved and backslashes, keeping its leading root ("\" or a drive).
std::u16string NormalizeFullPath(std::u16string_view path);
// The folder part of a path, up to and including its last '\' or '/'.
std::u16string ExtractFolder(std::u16string_view path);
// The part after the last '\' or '/'.
std::u16string ExtractName(std::u16string_view path);

// True when the normalised path does not lie below rootFolder (names compared without regard to case).
bool IsOutOfRootfolder(std::u16string_view rootFolder, std::u16string_view url);
// The path of a file below rootFolder in its one canonical spelling (rootFolder + normalised relative
// part), or empty when the path leaves rootFolder.
std::u16string CanonicalPathInRoot(std::u16string_view rootFolder, std::u16string_view path);

// Normalises one link found in the page CurrentUrl (a full path; rootFolder for contents entries).
std::u16string ProcessDecompiledUrl(const TLinkContext& context, std::u16string_view Url,
                                    std::u16string_view CurrentUrl);

// Every link attribute value of a page through ProcessDecompiledUrl, and media "screen" as "all".
std::u16string ProcessSCR(const TLinkContext& context, std::u16string_view S, std::u16string_view CurrentUrl);

// The same attribute scan, reading only: every value of a link attribute (HREF, SRC, BACKGROUND).
void ScanLinkValues(std::u16string_view S, const std::function<void(std::u16string_view value)>& onValue);

// What link rewriting needs to know of a contents entry.
struct TLinkTopic {
  std::u16string Url;  // relative to rootFolder, backslashes
  std::u16string Bookmark;
  std::u16string ChapterNumber;
};

struct TBookmarkContext {
  bool AddHint = false;
  std::u16string HintFormat;
  // The contents entry whose Url equals url (ignoring case); false when there is none.
  std::function<bool(std::u16string_view url, TLinkTopic& entry)> FindEntry;
  // Whether the distilled page url (relative to rootFolder) holds an anchor of that name.
  std::function<bool(std::u16string_view url, std::u16string_view anchor)> HasAnchor;
};

// Rewrites the href and name attributes of every A element of a distilled page (the page of Base)
// into bookmark references, and adds the hint behind links to other contents entries, in a span
// marked with kHintAttribute.
std::u16string ChangeUrlBookmark(const TBookmarkContext& context, std::u16string_view text, const TLinkTopic& Base);

}  // namespace tomeshift
