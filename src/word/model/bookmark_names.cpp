#include "word/model/bookmark_names.h"

#include <cstdint>

#include "text/text_utils.h"
namespace tomeshift::word {

namespace {
bool IsLetter(char16_t c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); }
bool IsNameChar(char16_t c) { return IsLetter(c) || (c >= u'0' && c <= u'9') || c == u'_'; }
}  // namespace

bool IsValidBookmarkName(std::u16string_view name) {
  if (name.empty() || name.size() > kMaxBookmarkName || !IsLetter(name[0])) return false;
  for (char16_t c : name)
    if (!IsNameChar(c)) return false;
  return true;
}

std::u16string MapBookmarkName(std::u16string_view raw) {
  if (IsValidBookmarkName(raw)) return std::u16string(raw);
  std::uint64_t h = 1469598103934665603ULL;
  for (char16_t c : raw) {
    const char16_t folded = AsciiLowerChar(c);
    h = (h ^ (folded & 0xFF)) * 1099511628211ULL;
    h = (h ^ (folded >> 8)) * 1099511628211ULL;
  }
  std::u16string suffix = u"_";
  for (int i = 0; i < 8; ++i) {
    int d = static_cast<int>(h % 36);
    h /= 36;
    suffix += static_cast<char16_t>(d < 10 ? u'0' + d : u'a' + d - 10);
  }
  std::u16string base;
  if (raw.empty() || !IsLetter(raw[0])) base = u"B";
  for (char16_t c : raw) {
    if (base.size() + suffix.size() >= kMaxBookmarkName) break;
    base += IsNameChar(c) ? c : u'_';
  }
  return base + suffix;
}

}  // namespace tomeshift::word
