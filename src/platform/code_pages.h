// Conversion between Windows code pages and UTF-16, by code page number. The only place that talks
// to ICU. Invalid byte sequences become U+FFFD; characters a code page lacks become '?'.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tomeshift {

inline constexpr std::uint32_t kCodePageAnsi = 0;        // the system's ANSI code page
inline constexpr std::uint32_t kCodePageOem = 1;         // the DOS code page that goes with it
inline constexpr std::uint32_t kCodePageMac = 2;         // the Macintosh code page that goes with it
inline constexpr std::uint32_t kCodePageThreadAnsi = 3;  // same as the ANSI code page here
inline constexpr std::uint32_t kCodePageUtf16 = 1200;
inline constexpr std::uint32_t kCodePageUtf16BigEndian = 1201;
inline constexpr std::uint32_t kCodePageUtf7 = 65000;
inline constexpr std::uint32_t kCodePageUtf8 = 65001;

// 1252, unless the environment variable TOMESHIFT_ANSI_CODEPAGE names another code page that
// converts exactly (a decimal number such as "1251" or "932"), or a ScopedAnsiCodePage is active.
std::uint32_t AnsiCodePage();

// While it lives, AnsiCodePage() on this thread answers code_page instead, as on a machine set up
// for the help file's language: pages that declare no charset are read in the help file's own code
// page. A code page that cannot stand for the ANSI one (0 to 3, UTF-16, EBCDIC, not converted
// exactly) changes nothing. Scopes nest; each restores what it found.
class ScopedAnsiCodePage {
 public:
  explicit ScopedAnsiCodePage(std::uint32_t code_page);
  ~ScopedAnsiCodePage();
  ScopedAnsiCodePage(const ScopedAnsiCodePage&) = delete;
  ScopedAnsiCodePage& operator=(const ScopedAnsiCodePage&) = delete;

 private:
  std::uint32_t previous_;
};
std::uint32_t OemCodePage();

enum class CodePageSupport {
  kExact,        // converted exactly
  kSubstitute,   // a close relative stands in; a few characters may differ
  kGuessed,      // an automatic-detection code page: the bytes decide among its candidates
  kUnsupported,  // nothing fits: ASCII is kept, every other byte becomes U+FFFD
};

CodePageSupport GetCodePageSupport(std::uint32_t code_page);

// Bytes of the code page (0 to 3 as above) to text, over their full length.
// Unless the code page converts exactly, *warning (when given) receives a sentence saying how it was
// read; otherwise it is left alone.
std::u16string CodePageToText(std::string_view bytes, std::uint32_t code_page, std::u16string* warning = nullptr);

// Text to bytes of the code page. The output holds the whole text however long its encoded form is
// (UTF-7 grows). *lossless (when given) becomes false when a character had to be replaced.
std::string TextToCodePage(std::u16string_view text, std::uint32_t code_page, bool* lossless = nullptr,
                           std::u16string* warning = nullptr);

// A code page that ICU's charset detector sees in some bytes, with its confidence from 0 to 100.
struct CodePageMatch {
  std::uint32_t code_page = 0;
  int confidence = 0;
};

// The code pages among candidates that the bytes may be written in, best first, each once. ICU names
// an ISO charset where the bytes hold no C1 byte; that counts for the Windows code page that reads
// those letters alike (ISO-8859-1 for 1252). Charsets without such a code page are left out.
std::vector<CodePageMatch> DetectCodePages(std::string_view bytes, std::span<const std::uint32_t> candidates);

}  // namespace tomeshift
