// UTF-8 <-> UTF-16 at the boundaries (file names, gumbo, XML). Text inside the core is UTF-16.
#pragma once

#include <string>
#include <string_view>

namespace tomeshift {

// Ill-formed input (lone surrogates, bad UTF-8 sequences) becomes U+FFFD; nothing is dropped silently.
std::u16string Utf8ToUtf16(std::string_view utf8);
std::string Utf16ToUtf8(std::u16string_view utf16);
// True when the bytes hold characters beyond ASCII and are well-formed UTF-8 throughout: text in a
// single-byte or East Asian code page almost never is.
bool IsNonAsciiUtf8(std::string_view bytes);

// Shorthand for literals and messages in code and tests.
inline std::u16string U16(std::string_view utf8) { return Utf8ToUtf16(utf8); }
inline std::string U8(std::u16string_view utf16) { return Utf16ToUtf8(utf16); }

}  // namespace tomeshift
