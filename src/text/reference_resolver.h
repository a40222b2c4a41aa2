// The one place where a reference that a page makes (a link, a picture, a style sheet, an @import,
// a url(), a background) is turned into a file of the help file. References come from the help file
// and may be written to reach anything on the disk ("file:///", "%2e%2e/", "&#47;etc"), so each is
// decoded the way a browser would decode it before anything is decided, and only a path that stays
// inside the folder the help file was extracted to comes out.
#pragma once

#include <string>
#include <string_view>

namespace tomeshift {

// Folders deeper than this below the extraction folder are refused: no help file needs them, and
// every path operation costs time in proportion to the depth.
constexpr int kMaxFolderDepth = 64;

struct ResolvedReference {
  enum class Kind {
    kNone,      // empty: nothing referred to
    kFragment,  // only an anchor ("#top"): the page itself
    kWeb,       // a web or mail address, kept as a link and never opened
    kInside,    // a file inside the extraction folder
    kRefused,   // anything else: another scheme, an absolute or network path, or a path that climbs out
  };
  Kind kind = Kind::kNone;
  std::u16string path;      // kInside: relative to the extraction folder, '/'-separated, no "." or ".."
  std::u16string fragment;  // what followed '#', decoded
  std::u16string decoded;   // the reference without anchor and query, decoded
  std::u16string reason;    // kRefused: why, for a warning
};

// reference: as written in the page (character references and percent-escapes still in it).
// page: the referring page (or style sheet), relative to the extraction folder with '/' or '\'.
// A leading '/' means the extraction folder's top, as inside a help file.
ResolvedReference ResolveReference(std::u16string_view reference, std::u16string_view page);

// Character references (named, decimal and hexadecimal) and then percent-escapes (as UTF-8) decoded,
// tabs and line breaks removed, surrounding blanks and control characters trimmed.
std::u16string DecodeReference(std::u16string_view reference);

// Web and mail addresses: the only schemes a page may keep as links.
bool IsWebScheme(std::u16string_view scheme);

}  // namespace tomeshift
