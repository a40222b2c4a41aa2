// The encoding a page declares for itself: the charset name of its "charset=" declaration and the
// encoding type for writing that goes with it. Pure text; reading and writing the bytes is in
// platform/text_files.
#pragma once

#include <string>
#include <string_view>

namespace tomeshift {

// Encoding types for writing: UTF-8 with mark, UTF-16 little-endian with mark; below 1 the ANSI code
// page, above 2 that Windows code page (no mark for either).
inline constexpr int kEncodingAnsi = 0;
inline constexpr int kEncodingUtf8 = 1;
inline constexpr int kEncodingUtf16 = 2;

// The name after the first "charset=" (any case) up to TAB, LF, CR, '"', '\'' or '>', in lower case;
// empty without one. A blank or ';' does not end the name.
std::u16string GetCharset(std::u16string_view text);

// The encoding type that the text's own declaration asks for: "utf-8", "unicode", a charset of the
// charset table as its code page, and the ANSI code page for anything else or no declaration.
int DeclaredEncoding(std::u16string_view text);

}  // namespace tomeshift
