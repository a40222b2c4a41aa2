#include "text/text_utils.h"

#include <algorithm>
#include <limits>

#include "text/unicode.h"

namespace tomeshift {
namespace {

// A run of code units [first, last] that map by adding delta; stride 2 covers the alternating
// upper/lower pairs of the Latin and Cyrillic extension blocks (only every other unit maps).
struct CaseRun {
  char16_t first;
  char16_t last;
  std::int16_t delta;
  std::uint8_t stride;
};

// Generated from the Unicode character database: the reversible simple case pairs of the blocks
// named in the header.
constexpr CaseRun kToUpper[] = {
    {0x0061, 0x007A, -32, 1}, {0x00E0, 0x00F6, -32, 1}, {0x00F8, 0x00FE, -32, 1}, {0x00FF, 0x00FF, 121, 1},
    {0x0101, 0x012F, -1, 2},  {0x0133, 0x0137, -1, 2},  {0x013A, 0x0148, -1, 2},  {0x014B, 0x0177, -1, 2},
    {0x017A, 0x017E, -1, 2},  {0x0180, 0x0180, 195, 1}, {0x0183, 0x0185, -1, 2},  {0x0188, 0x0188, -1, 1},
    {0x018C, 0x018C, -1, 1},  {0x0192, 0x0192, -1, 1},  {0x0195, 0x0195, 97, 1},  {0x0199, 0x0199, -1, 1},
    {0x019A, 0x019A, 163, 1}, {0x019E, 0x019E, 130, 1}, {0x01A1, 0x01A5, -1, 2},  {0x01A8, 0x01A8, -1, 1},
    {0x01AD, 0x01AD, -1, 1},  {0x01B0, 0x01B0, -1, 1},  {0x01B4, 0x01B6, -1, 2},  {0x01B9, 0x01B9, -1, 1},
    {0x01BD, 0x01BD, -1, 1},  {0x01BF, 0x01BF, 56, 1},  {0x01C6, 0x01C6, -2, 1},  {0x01C9, 0x01C9, -2, 1},
    {0x01CC, 0x01CC, -2, 1},  {0x01CE, 0x01DC, -1, 2},  {0x01DD, 0x01DD, -79, 1}, {0x01DF, 0x01EF, -1, 2},
    {0x01F3, 0x01F3, -2, 1},  {0x01F5, 0x01F5, -1, 1},  {0x01F9, 0x021F, -1, 2},  {0x0223, 0x0233, -1, 2},
    {0x023C, 0x023C, -1, 1},  {0x0242, 0x0242, -1, 1},  {0x0247, 0x024F, -1, 2},  {0x0371, 0x0373, -1, 2},
    {0x0377, 0x0377, -1, 1},  {0x037B, 0x037D, 130, 1}, {0x03AC, 0x03AC, -38, 1}, {0x03AD, 0x03AF, -37, 1},
    {0x03B1, 0x03C1, -32, 1}, {0x03C3, 0x03CB, -32, 1}, {0x03CC, 0x03CC, -64, 1}, {0x03CD, 0x03CE, -63, 1},
    {0x03D7, 0x03D7, -8, 1},  {0x03D9, 0x03EF, -1, 2},  {0x03F2, 0x03F2, 7, 1},   {0x03F3, 0x03F3, -116, 1},
    {0x03F8, 0x03F8, -1, 1},  {0x03FB, 0x03FB, -1, 1},  {0x0430, 0x044F, -32, 1}, {0x0450, 0x045F, -80, 1},
    {0x0461, 0x0481, -1, 2},  {0x048B, 0x04BF, -1, 2},  {0x04C2, 0x04CE, -1, 2},  {0x04CF, 0x04CF, -15, 1},
    {0x04D1, 0x052F, -1, 2},  {0x0561, 0x0586, -48, 1}, {0x1E01, 0x1E95, -1, 2},  {0x1EA1, 0x1EFF, -1, 2},
    {0xFF41, 0xFF5A, -32, 1},
};
constexpr CaseRun kToLower[] = {
    {0x0041, 0x005A, 32, 1},   {0x00C0, 0x00D6, 32, 1},   {0x00D8, 0x00DE, 32, 1},  {0x0100, 0x012E, 1, 2},
    {0x0132, 0x0136, 1, 2},    {0x0139, 0x0147, 1, 2},    {0x014A, 0x0176, 1, 2},   {0x0178, 0x0178, -121, 1},
    {0x0179, 0x017D, 1, 2},    {0x0182, 0x0184, 1, 2},    {0x0187, 0x0187, 1, 1},   {0x018B, 0x018B, 1, 1},
    {0x018E, 0x018E, 79, 1},   {0x0191, 0x0191, 1, 1},    {0x0198, 0x0198, 1, 1},   {0x01A0, 0x01A4, 1, 2},
    {0x01A7, 0x01A7, 1, 1},    {0x01AC, 0x01AC, 1, 1},    {0x01AF, 0x01AF, 1, 1},   {0x01B3, 0x01B5, 1, 2},
    {0x01B8, 0x01B8, 1, 1},    {0x01BC, 0x01BC, 1, 1},    {0x01C4, 0x01C4, 2, 1},   {0x01C7, 0x01C7, 2, 1},
    {0x01CA, 0x01CA, 2, 1},    {0x01CD, 0x01DB, 1, 2},    {0x01DE, 0x01EE, 1, 2},   {0x01F1, 0x01F1, 2, 1},
    {0x01F4, 0x01F4, 1, 1},    {0x01F6, 0x01F6, -97, 1},  {0x01F7, 0x01F7, -56, 1}, {0x01F8, 0x021E, 1, 2},
    {0x0220, 0x0220, -130, 1}, {0x0222, 0x0232, 1, 2},    {0x023B, 0x023B, 1, 1},   {0x023D, 0x023D, -163, 1},
    {0x0241, 0x0241, 1, 1},    {0x0243, 0x0243, -195, 1}, {0x0246, 0x024E, 1, 2},   {0x0370, 0x0372, 1, 2},
    {0x0376, 0x0376, 1, 1},    {0x037F, 0x037F, 116, 1},  {0x0386, 0x0386, 38, 1},  {0x0388, 0x038A, 37, 1},
    {0x038C, 0x038C, 64, 1},   {0x038E, 0x038F, 63, 1},   {0x0391, 0x03A1, 32, 1},  {0x03A3, 0x03AB, 32, 1},
    {0x03CF, 0x03CF, 8, 1},    {0x03D8, 0x03EE, 1, 2},    {0x03F7, 0x03F7, 1, 1},   {0x03F9, 0x03F9, -7, 1},
    {0x03FA, 0x03FA, 1, 1},    {0x03FD, 0x03FF, -130, 1}, {0x0400, 0x040F, 80, 1},  {0x0410, 0x042F, 32, 1},
    {0x0460, 0x0480, 1, 2},    {0x048A, 0x04BE, 1, 2},    {0x04C0, 0x04C0, 15, 1},  {0x04C1, 0x04CD, 1, 2},
    {0x04D0, 0x052E, 1, 2},    {0x0531, 0x0556, 48, 1},   {0x1E00, 0x1E94, 1, 2},   {0x1EA0, 0x1EFE, 1, 2},
    {0xFF21, 0xFF3A, 32, 1},
};

template <std::size_t N>
char16_t MapChar(const CaseRun (&table)[N], char16_t c) {
  const auto it = std::lower_bound(std::begin(table), std::end(table), c,
                                   [](const CaseRun& run, char16_t v) { return run.last < v; });
  if (it == std::end(table) || c < it->first) return c;
  if ((c - it->first) % it->stride != 0) return c;
  return static_cast<char16_t>(c + it->delta);
}

bool MatchesAt(std::u16string_view text, std::size_t pos, std::u16string_view needle) {
  for (std::size_t k = 0; k < needle.size(); ++k) {
    if (UpperChar(text[pos + k]) != UpperChar(needle[k])) return false;
  }
  return true;
}

constexpr bool IsTrimmed(char16_t c) { return c <= 32; }

}  // namespace

char16_t detail::UpperNonAscii(char16_t c) { return MapChar(kToUpper, c); }
char16_t detail::LowerNonAscii(char16_t c) { return MapChar(kToLower, c); }

std::u16string UpperCase(std::u16string_view text) {
  std::u16string out(text);
  for (char16_t& c : out) c = UpperChar(c);
  return out;
}

std::u16string LowerCase(std::u16string_view text) {
  std::u16string out(text);
  for (char16_t& c : out) c = LowerChar(c);
  return out;
}

namespace {

template <typename Char>
std::basic_string<Char> AsciiLowered(std::basic_string_view<Char> text) {
  std::basic_string<Char> out(text);
  for (Char& c : out) c = AsciiLowerChar(c);
  return out;
}

template <typename Char>
bool AsciiEqualNoCase(std::basic_string_view<Char> a, std::basic_string_view<Char> b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (AsciiLowerChar(a[i]) != AsciiLowerChar(b[i])) return false;
  }
  return true;
}

}  // namespace

std::string AsciiLower(std::string_view text) { return AsciiLowered(text); }
std::u16string AsciiLower(std::u16string_view text) { return AsciiLowered(text); }
bool AsciiEqualsNoCase(std::string_view a, std::string_view b) { return AsciiEqualNoCase(a, b); }
bool AsciiEqualsNoCase(std::u16string_view a, std::u16string_view b) { return AsciiEqualNoCase(a, b); }

bool SameText(std::u16string_view a, std::u16string_view b) { return a.size() == b.size() && MatchesAt(a, 0, b); }

int CompareText(std::u16string_view a, std::u16string_view b) {
  const std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    const char16_t ca = UpperChar(a[i]);
    const char16_t cb = UpperChar(b[i]);
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

int CompareStr(std::u16string_view a, std::u16string_view b) {
  const int r = a.compare(b);
  return r < 0 ? -1 : (r > 0 ? 1 : 0);
}

bool StartsText(std::u16string_view prefix, std::u16string_view text) {
  return prefix.size() <= text.size() && MatchesAt(text, 0, prefix);
}

bool EndsText(std::u16string_view suffix, std::u16string_view text) {
  return suffix.size() <= text.size() && MatchesAt(text, text.size() - suffix.size(), suffix);
}

std::size_t PosText(std::u16string_view needle, std::u16string_view text, std::size_t from) {
  if (needle.size() > text.size()) return std::u16string_view::npos;
  const std::size_t last = text.size() - needle.size();
  if (needle.empty()) return from <= text.size() ? from : std::u16string_view::npos;
  const char16_t first = UpperChar(needle[0]);
  for (std::size_t i = from; i <= last; ++i) {
    if (UpperChar(text[i]) == first && MatchesAt(text, i, needle)) return i;
  }
  return std::u16string_view::npos;
}

bool ContainsText(std::u16string_view text, std::u16string_view needle) {
  return PosText(needle, text) != std::u16string_view::npos;
}

std::u16string ReplaceText(std::u16string_view text, std::u16string_view from, std::u16string_view to) {
  if (from.empty()) return std::u16string(text);
  std::u16string out;
  out.reserve(text.size());
  std::size_t pos = 0;
  for (;;) {
    const std::size_t hit = PosText(from, text, pos);
    if (hit == std::u16string_view::npos) break;
    out.append(text.substr(pos, hit - pos));
    out.append(to);
    pos = hit + from.size();
  }
  out.append(text.substr(pos));
  return out;
}

std::u16string EscapeControls(std::u16string_view text) {
  std::u16string out;
  out.reserve(text.size());
  for (const char16_t c : text) {
    if (c >= 0x20 && c != 0x7F && (c < 0x80 || c > 0x9F)) {
      out += c;
    } else if (c == u'\t') {
      out += u"\\t";
    } else if (c == u'\n') {
      out += u"\\n";
    } else if (c == u'\r') {
      out += u"\\r";
    } else {
      static constexpr char16_t kHex[] = u"0123456789ABCDEF";
      out += u"\\x";
      out += kHex[(c >> 4) & 0xF];
      out += kHex[c & 0xF];
    }
  }
  return out;
}

std::u16string ReplaceAll(std::u16string_view text, std::u16string_view from, std::u16string_view to) {
  if (from.empty()) return std::u16string(text);
  std::u16string out;
  out.reserve(text.size());
  std::size_t pos = 0;
  for (;;) {
    const std::size_t hit = text.find(from, pos);
    if (hit == std::u16string_view::npos) break;
    out.append(text.substr(pos, hit - pos));
    out.append(to);
    pos = hit + from.size();
  }
  out.append(text.substr(pos));
  return out;
}

std::u16string Trim(std::u16string_view text) { return TrimLeft(TrimRight(text)); }

std::u16string TrimLeft(std::u16string_view text) {
  std::size_t i = 0;
  while (i < text.size() && IsTrimmed(text[i])) ++i;
  return std::u16string(text.substr(i));
}

std::u16string TrimRight(std::u16string_view text) {
  std::size_t n = text.size();
  while (n > 0 && IsTrimmed(text[n - 1])) --n;
  return std::u16string(text.substr(0, n));
}

std::u16string IntToStr(std::int64_t value) {
  // Through unsigned arithmetic so that the most negative value does not overflow.
  std::uint64_t magnitude = value < 0 ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
  char16_t buf[24];
  std::size_t pos = sizeof buf / sizeof buf[0];
  do {
    buf[--pos] = static_cast<char16_t>(u'0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  if (value < 0) buf[--pos] = u'-';
  return std::u16string(buf + pos, buf + sizeof buf / sizeof buf[0]);
}

bool TryStrToInt(std::u16string_view text, std::int32_t& value) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == u' ' || text[i] == u'\t')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) negative = text[i++] == u'-';
  if (i == text.size()) return false;
  const std::int64_t limit = negative ? -static_cast<std::int64_t>(std::numeric_limits<std::int32_t>::min())
                                      : std::numeric_limits<std::int32_t>::max();
  std::int64_t magnitude = 0;
  for (; i < text.size(); ++i) {
    if (!IsDigit(text[i])) return false;
    magnitude = magnitude * 10 + (text[i] - u'0');
    if (magnitude > limit) return false;
  }
  value = static_cast<std::int32_t>(negative ? -magnitude : magnitude);
  return true;
}

std::int32_t StrToInt(std::u16string_view text) {
  std::int32_t value = 0;
  if (!TryStrToInt(text, value)) throw EConvertError("'" + Utf16ToUtf8(text) + "' is not a valid integer value");
  return value;
}

}  // namespace tomeshift
