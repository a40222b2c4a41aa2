// Reading a page, style sheet or sitemap into one UTF-16 text, and writing changed text back in the
// encoding that the text itself declares. Whole files; all access goes through FileSystem().
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "text/charset.h"

namespace tomeshift {

// The file's content as text; empty when it does not exist. A byte order mark (EF BB.., FF FE)
// decides first; otherwise code_page (decimal text), or when that is empty the charset that the
// text declares, or the ANSI code page. Throws FileError when the file cannot be read and
// EConvertError when code_page is not a number.
std::u16string LoadTextFile(const std::u16string& path, std::u16string_view code_page);

// The same for bytes already read; path names them in messages.
std::u16string DecodeTextBytes(std::string_view bytes, std::u16string_view code_page, const std::u16string& path);

// LoadTextFile for the pipeline: a locked file is read through a copy, and a failure is shown to the
// user (error box) and reads as empty text.
std::u16string ReadPageText(const std::u16string& path, std::u16string_view code_page = {});

// The encoding type for writing text: "utf-8" gives UTF-8, "unicode" UTF-16, a charset of the charset
// table its code page, anything else the ANSI code page. When the chosen code page cannot hold every
// character of the text, UTF-8 with its mark is used instead, so that nothing is lost.
int GetTextEncoding(std::u16string_view text);

// stream becomes exactly the encoded bytes (mark included).
void EncodeTextToStream(std::u16string_view text, int encoding, std::string& stream);

// Replaces the file with the encoded text. An empty text writes nothing: the file keeps its content.
// Throws FileError.
void SaveTextFile(std::u16string_view text, const std::u16string& path, int encoding);

// Writes text in the encoding it declares. On failure the user sees the error and may choose another
// name (save dialog); false when they cancel.
bool WritePageText(std::u16string_view text, const std::u16string& path);

// Bytes of a Windows code page to text. Code page 0 (ANSI) converts every byte; any other code page
// stops at the first zero byte. Invalid sequences become U+FFFD.
std::u16string MultiByteToText(std::string_view bytes, std::uint32_t code_page);

// Text to a Windows code page. Code page 0 (ANSI) converts every character; any other code page stops
// at the first U+0000. Characters the code page lacks become '?'.
std::string TextToMultiByte(std::u16string_view text, std::uint32_t code_page);

}  // namespace tomeshift
