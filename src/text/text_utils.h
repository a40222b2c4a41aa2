// Small UTF-16 text helpers shared by every part of the core: case mapping and case-insensitive
// comparison without ICU, the HTML whitespace and digit classes, trimming, searching and number text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "text/tomeshift_error.h"

namespace tomeshift {

// A text that should hold an integer does not (a font description with "x" as its size, say).
class EConvertError : public TomeshiftError {
 public:
  using TomeshiftError::TomeshiftError;
};

// Simple one-to-one case mapping for ASCII, Latin-1, Latin Extended-A/B and Additional, Greek,
// Cyrillic, Armenian and full-width Latin. Only reversible pairs are mapped (no dotless i, long s,
// final sigma), so that folding never merges letters a reader tells apart. Other characters stay.
namespace detail {
char16_t UpperNonAscii(char16_t c);
char16_t LowerNonAscii(char16_t c);
}  // namespace detail
// ASCII-only case mapping, for names that formats and protocols compare that way (tags, selectors,
// bookmark and style names, field words, registry names); every other character stays.
constexpr char16_t AsciiUpperChar(char16_t c) { return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 32) : c; }
constexpr char16_t AsciiLowerChar(char16_t c) { return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 32) : c; }
constexpr char AsciiLowerChar(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }
std::string AsciiLower(std::string_view text);
std::u16string AsciiLower(std::u16string_view text);
bool AsciiEqualsNoCase(std::string_view a, std::string_view b);
bool AsciiEqualsNoCase(std::u16string_view a, std::u16string_view b);

// ASCII inline: the scanners call these once per character.
inline char16_t UpperChar(char16_t c) {
  if (c < 0x80) return AsciiUpperChar(c);
  return detail::UpperNonAscii(c);
}
inline char16_t LowerChar(char16_t c) {
  if (c < 0x80) return AsciiLowerChar(c);
  return detail::LowerNonAscii(c);
}
std::u16string UpperCase(std::u16string_view text);
std::u16string LowerCase(std::u16string_view text);

// Case-insensitive comparison through UpperChar; CompareText orders like a sorted, case-insensitive list.
bool SameText(std::u16string_view a, std::u16string_view b);
int CompareText(std::u16string_view a, std::u16string_view b);
// Ordinal comparison of UTF-16 units: <0, 0, >0.
int CompareStr(std::u16string_view a, std::u16string_view b);
bool StartsText(std::u16string_view prefix, std::u16string_view text);
bool EndsText(std::u16string_view suffix, std::u16string_view text);
// 0-based position of the first case-insensitive occurrence of needle at or after from; npos if none.
std::size_t PosText(std::u16string_view needle, std::u16string_view text, std::size_t from = 0);
bool ContainsText(std::u16string_view text, std::u16string_view needle);

// Every occurrence of from (matched without regard to case) replaced by to; scanning resumes after
// the inserted text, so a replacement is never matched again.
std::u16string ReplaceText(std::u16string_view text, std::u16string_view from, std::u16string_view to);
// The same with case-sensitive matching.
std::u16string ReplaceAll(std::u16string_view text, std::u16string_view from, std::u16string_view to);

// Text for a terminal: control characters (C0, DEL, C1) written as \t, \n, \r or \xNN, so that a
// name from a help file cannot move the cursor, retitle the window or end a line of tab-separated output.
std::u16string EscapeControls(std::u16string_view text);

// HTML whitespace: exactly TAB, LF, CR and space (not even the no-break space).
constexpr bool IsWhitespace(char16_t c) { return c == u'\t' || c == u'\n' || c == u'\r' || c == u' '; }
constexpr bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

// The ordinary trim: removes every character with a code up to 32 from the ends.
std::u16string Trim(std::u16string_view text);
std::u16string TrimLeft(std::u16string_view text);
std::u16string TrimRight(std::u16string_view text);

std::u16string IntToStr(std::int64_t value);
// A decimal 32-bit integer with optional leading blanks and sign; nothing may follow the digits.
// StrToInt throws EConvertError ("'x' is not a valid integer value"); TryStrToInt answers false.
bool TryStrToInt(std::u16string_view text, std::int32_t& value);
std::int32_t StrToInt(std::u16string_view text);

}  // namespace tomeshift
