#include "platform/code_pages.h"

#include <unicode/ucnv.h>
#include <unicode/ucnv_cb.h>
#include <unicode/ucnv_err.h>
#include <unicode/ucsdet.h>
#include <unicode/utypes.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <type_traits>

#include "platform/errors.h"
#include "platform/user_interaction.h"
#include "text/unicode.h"

static_assert(std::is_same_v<UChar, char16_t>, "ICU must use char16_t for UTF-16 code units");

namespace tomeshift {
namespace {

constexpr std::uint32_t kDefaultAnsiCodePage = 1252;
constexpr std::uint32_t kUserDefined = 50000;  // "x-user-defined": pages authored in the writer's own ANSI code page
constexpr std::uint32_t kAutoDetectAll = 50001;
constexpr std::uint32_t kAutoDetectJapanese = 50932;
constexpr std::uint32_t kAutoDetectKorean = 50949;
constexpr std::uint32_t kArabicAsmo708 = 708;
constexpr std::uint32_t kJohab = 1361;

struct DetectorCloser {
  void operator()(UCharsetDetector* detector) const { ucsdet_close(detector); }
};
using DetectorPtr = std::unique_ptr<UCharsetDetector, DetectorCloser>;

// The Windows code page that reads the letters of a charset the detector names; 0 for the rest
// (KOI8-R, ISO-8859-5 and -6, EUC-JP, ISO-2022, UTF-16 and -32, EBCDIC).
std::uint32_t DetectedCharsetCodePage(std::string_view name) {
  static constexpr std::pair<std::string_view, std::uint32_t> kNames[] = {
      {"UTF-8", 65001},       {"Shift_JIS", 932},     {"GB18030", 936},       {"EUC-KR", 949},
      {"Big5", 950},          {"windows-1250", 1250}, {"ISO-8859-2", 1250},   {"windows-1251", 1251},
      {"windows-1252", 1252}, {"ISO-8859-1", 1252},   {"windows-1253", 1253}, {"ISO-8859-7", 1253},
      {"windows-1254", 1254}, {"ISO-8859-9", 1254},   {"windows-1255", 1255}, {"ISO-8859-8", 1255},
      {"ISO-8859-8-I", 1255}, {"windows-1256", 1256},
  };
  for (const auto& [charset, code_page] : kNames) {
    if (charset == name) return code_page;
  }
  return 0;
}

struct ConverterCloser {
  void operator()(UConverter* converter) const { ucnv_close(converter); }
};
using ConverterPtr = std::unique_ptr<UConverter, ConverterCloser>;

// Set by the callbacks when a byte sequence or a character had to be replaced.
struct ReplacementFlag {
  bool replaced = false;
};

struct CachedConverter {
  ConverterPtr converter;                 // null when ICU has no converter of that name
  std::unique_ptr<ReplacementFlag> flag;  // stable address: the callbacks keep a pointer to it
};

// Invalid or unmapped bytes become exactly one U+FFFD each (ICU would give U+001A for some tables).
void ToUnicodeReplacement(const void* context, UConverterToUnicodeArgs* args, const char*, int32_t,
                          UConverterCallbackReason reason, UErrorCode* error) {
  if (reason > UCNV_IRREGULAR) return;  // reset, close, clone
  static_cast<ReplacementFlag*>(const_cast<void*>(context))->replaced = true;
  *error = U_ZERO_ERROR;
  static const UChar kReplacement = 0xFFFD;
  ucnv_cbToUWriteUChars(args, &kReplacement, 1, 0, error);
}

void FromUnicodeReplacement(const void* context, UConverterFromUnicodeArgs* args, const UChar*, int32_t, UChar32,
                            UConverterCallbackReason reason, UErrorCode* error) {
  if (reason > UCNV_IRREGULAR) return;
  static_cast<ReplacementFlag*>(const_cast<void*>(context))->replaced = true;
  *error = U_ZERO_ERROR;
  ucnv_cbFromUWriteSub(args, 0, error);
}

// Converters keep state between calls and are not thread-safe, so each thread keeps its own.
CachedConverter& Cached(const std::string& icu_name) {
  thread_local std::map<std::string, CachedConverter> cache;
  auto found = cache.find(icu_name);
  if (found != cache.end()) return found->second;
  CachedConverter entry;
  entry.flag = std::make_unique<ReplacementFlag>();
  UErrorCode error = U_ZERO_ERROR;
  ConverterPtr converter(ucnv_open(icu_name.c_str(), &error));
  if (U_SUCCESS(error) && converter) {
    // Windows replaces what a code page lacks by '?'; keep that for the ASCII-based code pages.
    UErrorCode ignored = U_ZERO_ERROR;
    ucnv_setSubstChars(converter.get(), "?", 1, &ignored);
    ucnv_setToUCallBack(converter.get(), ToUnicodeReplacement, entry.flag.get(), nullptr, nullptr, &error);
    ucnv_setFromUCallBack(converter.get(), FromUnicodeReplacement, entry.flag.get(), nullptr, nullptr, &error);
    if (U_SUCCESS(error)) entry.converter = std::move(converter);
  }
  return cache.emplace(icu_name, std::move(entry)).first->second;
}

std::string ConverterName(UConverter* converter) {
  UErrorCode error = U_ZERO_ERROR;
  const char* name = ucnv_getName(converter, &error);
  return U_SUCCESS(error) && name ? name : "?";
}

struct Converted16 {
  std::u16string text;
  bool replaced = false;
};

Converted16 Decode(CachedConverter& cached, std::string_view bytes) {
  UConverter* converter = cached.converter.get();
  cached.flag->replaced = false;
  ucnv_resetToUnicode(converter);
  Converted16 result;
  result.text.resize(bytes.size() + 16);
  const char* source = bytes.data();
  const char* const source_end = bytes.data() + bytes.size();
  size_t used = 0;
  for (;;) {
    UChar* target = result.text.data() + used;
    UErrorCode error = U_ZERO_ERROR;
    ucnv_toUnicode(converter, &target, result.text.data() + result.text.size(), &source, source_end, nullptr, true,
                   &error);
    used = static_cast<size_t>(target - result.text.data());
    if (error == U_BUFFER_OVERFLOW_ERROR) {
      result.text.resize(result.text.size() * 2);
      continue;
    }
    if (U_FAILURE(error)) {
      throw TomeshiftError(std::string("cannot convert text from ") + ConverterName(converter) + ": " +
                           u_errorName(error));
    }
    break;
  }
  result.text.resize(used);
  result.replaced = cached.flag->replaced;
  return result;
}

struct Converted8 {
  std::string bytes;
  bool replaced = false;
};

Converted8 Encode(CachedConverter& cached, std::u16string_view text) {
  UConverter* converter = cached.converter.get();
  cached.flag->replaced = false;
  ucnv_resetFromUnicode(converter);
  Converted8 result;
  // Most text fits in two bytes a character; UTF-7 and the stateful encodings may need more, and grow below.
  result.bytes.resize(text.size() * 2 + 16);
  const UChar* source = text.data();
  const UChar* const source_end = text.data() + text.size();
  size_t used = 0;
  for (;;) {
    char* target = result.bytes.data() + used;
    UErrorCode error = U_ZERO_ERROR;
    ucnv_fromUnicode(converter, &target, result.bytes.data() + result.bytes.size(), &source, source_end, nullptr, true,
                     &error);
    used = static_cast<size_t>(target - result.bytes.data());
    if (error == U_BUFFER_OVERFLOW_ERROR) {
      result.bytes.resize(result.bytes.size() * 2);
      continue;
    }
    if (U_FAILURE(error)) {
      throw TomeshiftError(std::string("cannot convert text to ") + ConverterName(converter) + ": " +
                           u_errorName(error));
    }
    break;
  }
  result.bytes.resize(used);
  result.replaced = cached.flag->replaced;
  return result;
}

// The ICU converter for a code page that ICU has under a name of its own; nullptr for the rest.
// Where an alias is ambiguous in ICU, the Microsoft table is named explicitly.
const char* KnownIcuName(std::uint32_t code_page) {
  switch (code_page) {
    case 874:
      return "windows-874-2000";
    case 932:
      return "ibm-943_P15A-2003";  // Microsoft's Shift-JIS (windows-31j)
    case 936:
      return "windows-936-2000";
    case 949:
      return "windows-949-2000";
    case 950:
      return "windows-950-2000";
    case 1200:
      return "UTF-16LE";
    case 1201:
      return "UTF-16BE";
    case 10000:
      return "macos-0_2-10.2";
    case 10006:
      return "macos-6_2-10.4";
    case 10007:
      return "macos-7_3-10.2";
    case 10029:
      return "macos-29-10.2";
    case 10081:
      return "macos-35-10.2";
    case 12000:
      return "UTF-32LE";
    case 12001:
      return "UTF-32BE";
    case 20127:
      return "US-ASCII";
    case 20866:
      return "KOI8-R";
    case 20932:
      return "EUC-JP";
    case 21866:
      return "KOI8-U";
    case 28591:
      return "ISO-8859-1";
    case 28592:
      return "ISO-8859-2";
    case 28593:
      return "ISO-8859-3";
    case 28594:
      return "ISO-8859-4";
    case 28595:
      return "ISO-8859-5";
    case 28596:
      return "ISO-8859-6";
    case 28597:
      return "ISO-8859-7";
    case 28598:
      return "ISO-8859-8";
    case 28599:
      return "ISO-8859-9";
    case 28603:
      return "ISO-8859-13";
    case 28605:
      return "ISO-8859-15";
    case 38598:
      return "ISO-8859-8-I";
    case 50220:
    case 50221:
    case 50222:
      return "ISO-2022-JP";
    case 50225:
      return "ISO-2022-KR";
    case 50227:
      return "ISO-2022-CN";
    case 51932:
      return "EUC-JP";
    case 51936:
      return "windows-936-2000";
    case 51949:
      return "EUC-KR";
    case 52936:
      return "HZ-GB-2312";
    case 54936:
      return "GB18030";
    case 65000:
      return "UTF-7";
    case 65001:
      return "UTF-8";
    default:
      return nullptr;
  }
}

std::uint32_t ResolveSystemCodePage(std::uint32_t code_page) {
  switch (code_page) {
    case kCodePageAnsi:
    case kCodePageThreadAnsi:
      return AnsiCodePage();
    case kCodePageOem:
      return OemCodePage();
    case kCodePageMac:
      switch (AnsiCodePage()) {
        case 1250:
          return 10029;
        case 1251:
          return 10007;
        case 1253:
          return 10006;
        case 1254:
          return 10081;
        default:
          return 10000;
      }
    default:
      return code_page;
  }
}

// The cached converter that serves code_page exactly, or nullptr.
CachedConverter* ExactConverter(std::uint32_t code_page) {
  if (code_page == kArabicAsmo708 || code_page == kJohab || code_page == kUserDefined || code_page == kAutoDetectAll ||
      code_page == kAutoDetectJapanese || code_page == kAutoDetectKorean) {
    return nullptr;  // ICU either lacks these or has only a relative under the same name
  }
  if (const char* name = KnownIcuName(code_page)) {
    CachedConverter& cached = Cached(name);
    return cached.converter ? &cached : nullptr;
  }
  // The windows-125x tables and the DOS and EBCDIC pages go by their number in ICU.
  for (const char* prefix : {"windows-", "ibm-"}) {
    CachedConverter& cached = Cached(prefix + std::to_string(code_page));
    if (cached.converter) return &cached;
  }
  return nullptr;
}

CachedConverter& MustHave(std::uint32_t code_page) {
  CachedConverter* cached = ExactConverter(code_page);
  if (!cached) throw TomeshiftError("code page " + std::to_string(code_page) + " is missing from the ICU data");
  return *cached;
}

std::u16string Number(std::uint32_t code_page) { return U16(std::to_string(code_page)); }

void SetWarning(std::u16string* warning, std::u16string text) {
  if (warning) *warning = std::move(text);
}

bool HasEscape(std::string_view bytes) { return bytes.find('\x1B') != std::string_view::npos; }

bool HasNonAscii(std::string_view bytes) {
  for (char c : bytes) {
    if (static_cast<unsigned char>(c) >= 0x80) return true;
  }
  return false;
}

// Automatic detection: the first candidate that reads the bytes without a replacement wins.
std::u16string DecodeGuessed(std::string_view bytes, std::uint32_t code_page, std::u16string* warning) {
  std::uint32_t candidates[3] = {};
  int count = 0;
  if (HasEscape(bytes)) candidates[count++] = code_page == kAutoDetectKorean ? 50225 : 50220;
  if (HasNonAscii(bytes)) candidates[count++] = kCodePageUtf8;
  if (code_page == kAutoDetectJapanese) candidates[count++] = 51932;  // EUC-JP rarely reads as Shift-JIS...
  const std::uint32_t last = code_page == kAutoDetectJapanese ? 932   // ...and Shift-JIS never as EUC-JP
                             : code_page == kAutoDetectKorean ? 949
                                                              : AnsiCodePage();
  std::uint32_t chosen = last;
  Converted16 decoded;
  bool found = false;
  for (int i = 0; i < count && !found; ++i) {
    decoded = Decode(MustHave(candidates[i]), bytes);
    if (!decoded.replaced) {
      chosen = candidates[i];
      found = true;
    }
  }
  if (!found) decoded = Decode(MustHave(last), bytes);
  SetWarning(warning,
             u"code page " + Number(code_page) + u" (automatic detection) was read as code page " + Number(chosen));
  return decoded.text;
}

std::uint32_t GuessedEncodingTarget(std::uint32_t code_page) {
  if (code_page == kAutoDetectJapanese) return 932;
  if (code_page == kAutoDetectKorean) return 949;
  return kCodePageUtf8;
}

}  // namespace

namespace {

// The help file's code page while one is being converted on this thread; 0 when none is set.
thread_local std::uint32_t scoped_ansi_code_page = 0;

// HTML is read through the ANSI code page to find its declaration: it must convert exactly and keep
// ASCII as it is (not UTF-16, not EBCDIC).
bool UsableAsAnsi(std::uint32_t code_page) {
  if (code_page <= kCodePageThreadAnsi || code_page > 0xFFFF) return false;
  CachedConverter* cached = ExactConverter(code_page);
  if (!cached) return false;
  constexpr std::string_view kProbe = "<meta charset=\"x\">";
  return Encode(*cached, U16(kProbe)).bytes == kProbe;
}

}  // namespace

std::uint32_t AnsiCodePage() {
  if (scoped_ansi_code_page != 0) return scoped_ansi_code_page;
  const char* value = std::getenv("TOMESHIFT_ANSI_CODEPAGE");
  if (!value || !*value) return kDefaultAnsiCodePage;
  // Asked on every conversion: remember the answer for the value last seen.
  thread_local std::string last_value;
  thread_local std::uint32_t last_answer = kDefaultAnsiCodePage;
  if (last_value == value) return last_answer;
  char* end = nullptr;
  const unsigned long parsed = std::strtoul(value, &end, 10);
  const bool usable = *end == '\0' && parsed <= 0xFFFF && UsableAsAnsi(static_cast<std::uint32_t>(parsed));
  last_value = value;
  last_answer = usable ? static_cast<std::uint32_t>(parsed) : kDefaultAnsiCodePage;
  static std::atomic<bool> warned{false};
  if (!usable && !warned.exchange(true)) {
    UserInteraction().Warning(
        u"", u"TOMESHIFT_ANSI_CODEPAGE=\"" + U16(value) + u"\" is not a code page that can be converted; using 1252");
  }
  return last_answer;
}

ScopedAnsiCodePage::ScopedAnsiCodePage(std::uint32_t code_page) : previous_(scoped_ansi_code_page) {
  if (UsableAsAnsi(code_page)) scoped_ansi_code_page = code_page;
}

ScopedAnsiCodePage::~ScopedAnsiCodePage() { scoped_ansi_code_page = previous_; }

std::uint32_t OemCodePage() {
  switch (AnsiCodePage()) {
    case 1250:
      return 852;
    case 1251:
      return 866;
    case 1253:
      return 737;
    case 1254:
      return 857;
    case 1255:
      return 862;
    case 1256:
      return 720;
    case 1257:
      return 775;
    case 1252:
      return 437;
    default:
      return AnsiCodePage();  // the East Asian, Thai and Vietnamese pages serve both
  }
}

CodePageSupport GetCodePageSupport(std::uint32_t code_page) {
  code_page = ResolveSystemCodePage(code_page);
  if (ExactConverter(code_page)) return CodePageSupport::kExact;
  switch (code_page) {
    case kArabicAsmo708:
    case kUserDefined:
      return CodePageSupport::kSubstitute;
    case kAutoDetectAll:
    case kAutoDetectJapanese:
    case kAutoDetectKorean:
      return CodePageSupport::kGuessed;
    default:
      return CodePageSupport::kUnsupported;
  }
}

std::u16string CodePageToText(std::string_view bytes, std::uint32_t code_page, std::u16string* warning) {
  code_page = ResolveSystemCodePage(code_page);
  if (CachedConverter* exact = ExactConverter(code_page)) return Decode(*exact, bytes).text;
  switch (GetCodePageSupport(code_page)) {
    case CodePageSupport::kSubstitute: {
      const std::uint32_t stand_in = code_page == kArabicAsmo708 ? 28596 : AnsiCodePage();
      SetWarning(warning, u"code page " + Number(code_page) + u" is not available; it was read as code page " +
                              Number(stand_in));
      return Decode(MustHave(stand_in), bytes).text;
    }
    case CodePageSupport::kGuessed:
      return DecodeGuessed(bytes, code_page, warning);
    default:
      break;
  }
  SetWarning(warning, u"code page " + Number(code_page) +
                          u" is not available; only its ASCII characters were read, the others became U+FFFD");
  std::u16string text;
  text.reserve(bytes.size());
  for (char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    text.push_back(byte < 0x80 ? static_cast<char16_t>(byte) : u'\uFFFD');
  }
  return text;
}

std::vector<CodePageMatch> DetectCodePages(std::string_view bytes, std::span<const std::uint32_t> candidates) {
  std::vector<CodePageMatch> matches;
  if (bytes.empty()) return matches;
  UErrorCode error = U_ZERO_ERROR;
  DetectorPtr detector(ucsdet_open(&error));
  if (U_FAILURE(error)) return matches;
  // The detector keeps a pointer to the bytes; they outlive it here.
  const auto length = static_cast<int32_t>(std::min<std::size_t>(bytes.size(), INT32_MAX));
  ucsdet_setText(detector.get(), bytes.data(), length, &error);
  int32_t count = 0;
  const UCharsetMatch** found = ucsdet_detectAll(detector.get(), &count, &error);
  if (U_FAILURE(error)) return matches;
  for (int32_t i = 0; i < count; ++i) {
    UErrorCode match_error = U_ZERO_ERROR;
    const char* name = ucsdet_getName(found[i], &match_error);
    const int confidence = ucsdet_getConfidence(found[i], &match_error);
    if (U_FAILURE(match_error) || !name) continue;
    const std::uint32_t code_page = DetectedCharsetCodePage(name);
    if (code_page == 0 || std::find(candidates.begin(), candidates.end(), code_page) == candidates.end()) continue;
    // Best first already: a code page met again (as its ISO relative) keeps its first rank.
    const bool seen =
        std::any_of(matches.begin(), matches.end(), [&](const CodePageMatch& m) { return m.code_page == code_page; });
    if (!seen) matches.push_back({code_page, confidence});
  }
  return matches;
}

std::string TextToCodePage(std::u16string_view text, std::uint32_t code_page, bool* lossless, std::u16string* warning) {
  code_page = ResolveSystemCodePage(code_page);
  std::uint32_t target = code_page;
  const CodePageSupport support = GetCodePageSupport(code_page);
  if (support == CodePageSupport::kSubstitute) {
    target = code_page == kArabicAsmo708 ? 28596 : AnsiCodePage();
  } else if (support == CodePageSupport::kGuessed) {
    target = GuessedEncodingTarget(code_page);
  }
  if (support != CodePageSupport::kUnsupported) {
    if (target != code_page) {
      SetWarning(warning, u"code page " + Number(code_page) + u" is not available; the text was written in code page " +
                              Number(target));
    }
    Converted8 encoded = Encode(MustHave(target), text);
    if (lossless) *lossless = !encoded.replaced;
    return std::move(encoded.bytes);
  }
  SetWarning(warning, u"code page " + Number(code_page) +
                          u" is not available; only ASCII characters were written, the others became '?'");
  std::string bytes;
  bytes.reserve(text.size());
  bool all_ascii = true;
  for (char16_t c : text) {
    all_ascii = all_ascii && c < 0x80;
    bytes.push_back(c < 0x80 ? static_cast<char>(c) : '?');
  }
  if (lossless) *lossless = all_ascii;
  return bytes;
}

}  // namespace tomeshift
