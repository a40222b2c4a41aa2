#include "platform/text_files.h"

#include <exception>
#include <mutex>
#include <optional>
#include <set>
#include <utility>

#include "lang/language_tables.h"
#include "platform/code_pages.h"
#include "platform/errors.h"
#include "platform/file_system.h"
#include "platform/temp_files.h"
#include "platform/user_interaction.h"
#include "text/text_utils.h"
#include "text/unicode.h"

namespace tomeshift {
namespace {

// A page is read and written several times during one conversion; its warning is shown once.
void WarnOnce(const std::u16string& page, const std::u16string& warning) {
  if (warning.empty()) return;
  static std::mutex mutex;
  static std::set<std::u16string> shown;
  {
    std::lock_guard<std::mutex> lock(mutex);
    if (!shown.insert(page + u'\n' + warning).second) return;
  }
  UserInteraction().Warning(page, warning);
}

std::u16string Decode(std::string_view bytes, std::uint32_t code_page, const std::u16string& page) {
  if (code_page != kCodePageAnsi) {
    // The conversion reads the bytes as a NUL-terminated string.
    const size_t zero = bytes.find('\0');
    if (zero != std::string_view::npos) bytes = bytes.substr(0, zero);
  }
  std::u16string warning;
  std::u16string text = CodePageToText(bytes, code_page, &warning);
  WarnOnce(page, warning);
  return text;
}

std::string Encode(std::u16string_view text, std::uint32_t code_page, const std::u16string& page,
                   bool* lossless = nullptr) {
  if (code_page != kCodePageAnsi) {
    const size_t zero = text.find(u'\0');
    if (zero != std::u16string_view::npos) text = text.substr(0, zero);
  }
  std::u16string warning;
  std::string bytes = TextToCodePage(text, code_page, lossless, &warning);
  WarnOnce(page, warning);
  return bytes;
}

// Negative or malformed numbers are the caller's mistake, reported like the platform's conversion.
std::uint32_t CodePageNumber(std::u16string_view text) {
  const std::int32_t value = StrToInt(text);
  if (value < 0) throw EConvertError("'" + U8(text) + "' is not a valid code page");
  return static_cast<std::uint32_t>(value);
}

std::u16string Utf16LittleEndianToText(std::string_view bytes) {
  std::u16string text(bytes.size() / 2, u'\0');  // an odd last byte is not a character
  for (size_t i = 0; i < text.size(); ++i) {
    text[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                    (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
  }
  return text;
}

bool IsAscii(std::u16string_view text) {
  for (char16_t c : text) {
    if (c >= 0x80) return false;
  }
  return true;
}

// The message of a failure, naming the file when the failure itself does not.
std::u16string FailureText(const std::exception& error, const std::u16string& path) {
  if (dynamic_cast<const FileError*>(&error)) return U16(error.what());
  return path + u": " + U16(error.what());
}

std::uint32_t CodePageOfEncoding(int encoding) {
  return encoding < kEncodingUtf8 ? kCodePageAnsi : static_cast<std::uint32_t>(encoding);
}

void EncodeForPage(std::u16string_view text, int encoding, std::string& stream, const std::u16string& page) {
  stream.clear();
  if (encoding == kEncodingUtf8) {
    stream = "\xEF\xBB\xBF" + Utf16ToUtf8(text);
  } else if (encoding == kEncodingUtf16) {
    stream.reserve(2 + text.size() * 2);
    stream += "\xFF\xFE";
    for (char16_t c : text) {
      stream.push_back(static_cast<char>(c & 0xFF));
      stream.push_back(static_cast<char>(c >> 8));
    }
  } else if (encoding < kEncodingUtf8) {
    stream = Encode(text, kCodePageAnsi, page);
  } else {
    stream = Encode(text, static_cast<std::uint32_t>(encoding), page);
  }
}

}  // namespace

std::u16string LoadTextFile(const std::u16string& path, std::u16string_view code_page) {
  const std::optional<std::string> data = FileSystem().ReadFile(path);
  if (!data) return {};
  return DecodeTextBytes(*data, code_page, path);
}

std::u16string DecodeTextBytes(std::string_view bytes, std::u16string_view code_page, const std::u16string& path) {
  if (bytes.size() >= 2 && bytes[0] == '\xEF' && bytes[1] == '\xBB') {
    // The third byte of the UTF-8 mark is taken on trust.
    return Utf8ToUtf16(bytes.substr(std::min<size_t>(3, bytes.size())));
  }
  if (bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE') return Utf16LittleEndianToText(bytes.substr(2));

  std::u16string code_page_text(code_page);
  if (code_page_text.empty()) {
    std::u16string ansi = Decode(bytes, kCodePageAnsi, path);
    const std::u16string charset = GetCharset(ansi);
    if (!charset.empty()) code_page_text = CharsetTable().Values(charset);
    if (code_page_text.empty()) return ansi;
  }
  return Decode(bytes, CodePageNumber(code_page_text), path);
}

std::u16string ReadPageText(const std::u16string& path, std::u16string_view code_page) {
  // Asking whether a missing file is in use would create it; a missing page simply reads as empty.
  if (!FileSystem().FileExists(path)) return {};
  std::u16string copy;
  std::u16string source = path;
  std::u16string text;
  try {
    if (IsFileInUse(path)) {
      try {
        copy = NewTempFileName();
        const std::optional<std::string> data = FileSystem().ReadFile(path);
        if (data) {
          FileSystem().WriteFile(copy, *data);
          source = copy;
        }
      } catch (const FileError&) {
        // No copy: read the file itself, which reports its own failure below.
      }
    }
    text = LoadTextFile(source, code_page);
  } catch (const std::exception& error) {
    text.clear();
    UserInteraction().ShowError(FailureText(error, path));
  }
  if (!copy.empty()) FileSystem().RemoveFile(copy);  // also the empty file when the copy failed
  return text;
}

int GetTextEncoding(std::u16string_view text) {
  const int declared = DeclaredEncoding(text);
  if (declared == kEncodingUtf8 || declared == kEncodingUtf16 || IsAscii(text)) return declared;
  bool lossless = true;
  TextToCodePage(text, CodePageOfEncoding(declared), &lossless);
  return lossless ? declared : kEncodingUtf8;
}

void EncodeTextToStream(std::u16string_view text, int encoding, std::string& stream) {
  EncodeForPage(text, encoding, stream, {});
}

void SaveTextFile(std::u16string_view text, const std::u16string& path, int encoding) {
  if (text.empty()) return;
  std::string stream;
  EncodeForPage(text, encoding, stream, path);
  FileSystem().WriteFile(path, stream);
}

bool WritePageText(std::u16string_view text, const std::u16string& path) {
  // The bytes are made once: in the declared encoding, or as UTF-8 when that would lose characters
  // (the same choice as GetTextEncoding, without encoding the page twice).
  std::string bytes;
  const int declared = DeclaredEncoding(text);
  if (!text.empty()) {
    bool lossless = true;
    if (declared == kEncodingUtf8 || declared == kEncodingUtf16) {
      EncodeForPage(text, declared, bytes, path);
    } else {
      bytes = Encode(text, CodePageOfEncoding(declared), path, &lossless);
      if (!lossless) EncodeForPage(text, kEncodingUtf8, bytes, path);
    }
  }
  std::u16string name = path;
  for (;;) {
    try {
      if (!text.empty()) FileSystem().WriteFile(name, bytes);  // an empty text leaves the file as it is
      return true;
    } catch (const std::exception& error) {
      UserInteraction().ShowError(FailureText(error, name));
      std::optional<std::u16string> chosen = UserInteraction().SaveFileDialog(SaveFileRequest(name));
      if (!chosen || chosen->empty()) return false;
      name = std::move(*chosen);
    }
  }
}

std::u16string MultiByteToText(std::string_view bytes, std::uint32_t code_page) { return Decode(bytes, code_page, {}); }

std::string TextToMultiByte(std::u16string_view text, std::uint32_t code_page) { return Encode(text, code_page, {}); }

}  // namespace tomeshift
