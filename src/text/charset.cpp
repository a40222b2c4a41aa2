#include "text/charset.h"

#include <cstdint>
#include <optional>

#include "lang/language_tables.h"
#include "text/text_utils.h"

namespace tomeshift {
namespace {

constexpr std::u16string_view kCharsetKey = u"charset=";

}  // namespace

std::u16string GetCharset(std::u16string_view text) {
  const size_t start = PosText(kCharsetKey, text);
  if (start == std::u16string_view::npos) return {};
  size_t end = start + kCharsetKey.size();
  while (end < text.size()) {
    const char16_t c = text[end];
    if (c == u'\t' || c == u'\n' || c == u'\r' || c == u'"' || c == u'\'' || c == u'>') break;
    ++end;
  }
  const size_t name_start = start + kCharsetKey.size();
  return LowerCase(text.substr(name_start, end - name_start));
}

int DeclaredEncoding(std::u16string_view text) {
  const std::u16string charset = GetCharset(text);
  if (charset == u"utf-8") return kEncodingUtf8;
  if (charset == u"unicode") return kEncodingUtf16;
  if (charset.empty()) return kEncodingAnsi;
  const std::optional<std::uint32_t> code_page = CharsetTable().CodePageOf(charset);
  return code_page ? static_cast<int>(*code_page) : kEncodingAnsi;
}

}  // namespace tomeshift
