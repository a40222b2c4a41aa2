// Pure string helpers for the paths and links found in topic pages: canonical paths with
// backslashes, relative links, attribute values, page/anchor splits, titles, character references.
#pragma once

#include <string>
#include <string_view>

namespace tomeshift {

// Every '/' replaced by '\'.
std::u16string ToBackslashes(std::u16string_view path);

// Backslashes, "%20" as a space, "." and ".." resolved, empty segments dropped. Leading separators
// and surplus ".." at the front vanish; a final ".." without a separator stays.
std::u16string NormalizePath(std::u16string_view path);

// The target relative to the folder of base (both may use '/' or '\'), with '/' separators. The
// target comes back unchanged (but with '/') when the drives differ.
std::u16string GetRelativeUrl(std::u16string_view base, std::u16string_view target);

// The value of attribute name (case-insensitive) in the full text of one tag, from '<' to '>';
// empty when absent. The first match wins; "name = value" with spaces around '=' is not found.
std::u16string GetAttributeValue(std::u16string_view tag, std::u16string_view name);

struct UrlParts {
  std::u16string page;
  std::u16string anchor;  // without the '#'
};
// Splits a link at its last '#', except where the '#' is part of a page file name ("C#intro.htm").
UrlParts SplitUrlAnchor(std::u16string_view link);

// The decoded text between the first <title> and the first </title> (any case), CR and LF removed;
// empty when there is no such pair. Not trimmed.
std::u16string GetPageTitle(std::u16string_view page);

// Replaces named references (matched as soon as the name is complete, ';' optional) and decimal
// numeric references; hexadecimal ones too when asked (the page scanners compare texts with them
// kept). Unknown or unfinished references stay as text.
std::u16string DecodeHtmlEntities(std::u16string_view text, bool hexadecimal = false);

// Removes every section from a start marker to the next end marker (markers matched without regard
// to case and included in the removal). An unterminated section stays.
std::u16string RemoveMarkedSections(std::u16string_view text, std::u16string_view startMarker,
                                    std::u16string_view endMarker);

// The value of the first run of ASCII digits; 0 when there is none. Saturates at the int maximum.
int FirstNumber(std::u16string_view text);

}  // namespace tomeshift
