#include "converter/code_page_detection.h"

#include <algorithm>
#include <set>

#include "lang/language_tables.h"
#include "platform/chm_extractor.h"
#include "platform/code_pages.h"
#include "text/charset.h"
#include "text/html_vocabulary.h"
#include "text/text_utils.h"
#include "text/unicode.h"

namespace tomeshift {

namespace {

constexpr std::uint64_t kSitemapBytes = std::uint64_t{16} << 20;  // contents and index files read at most
constexpr std::uint64_t kPageBytes = std::uint64_t{4} << 20;      // pages read at most
constexpr std::size_t kSampleBytes = std::size_t{256} << 10;      // text handed to the detector at most
// ICU rates a few Cyrillic, Greek or Hebrew words in their own code page between 30 and 70, and
// the same bytes in any other code page below 10. The Latin code pages (1250, 1252, 1254) score
// closer together, and a handful of accented letters can put the wrong one first; leaving the ANSI
// code page takes more text than that.
constexpr int kMinConfidence = 25;
constexpr int kMargin = 2;  // the best code page must score this many times the next one
constexpr std::size_t kMinHighBytes = 16;

// The Windows code pages of the language table, and UTF-8.
const std::vector<std::uint32_t>& Candidates() {
  static const std::vector<std::uint32_t> candidates = [] {
    std::set<std::uint32_t> pages{kCodePageUtf8};
    for (const auto& language : GlobalLanguages().Languages) pages.insert(language->CodePage);
    return std::vector<std::uint32_t>(pages.begin(), pages.end());
  }();
  return candidates;
}

bool IsAsciiAlnum(char16_t c) { return (c >= u'0' && c <= u'9') || ((c | 0x20) >= u'a' && (c | 0x20) <= u'z'); }

bool IsHigh(char c) { return static_cast<unsigned char>(c) >= 0x80; }
bool HasHighByte(std::string_view bytes) { return std::any_of(bytes.begin(), bytes.end(), IsHigh); }

bool HasByteOrderMark(std::string_view bytes) { return bytes.starts_with("\xEF\xBB") || bytes.starts_with("\xFF\xFE"); }

std::u16string Latin1(std::string_view bytes) {
  std::u16string text(bytes.size(), u'\0');
  std::transform(bytes.begin(), bytes.end(), text.begin(),
                 [](char c) { return static_cast<char16_t>(static_cast<unsigned char>(c)); });
  return text;
}

std::u16string Extension(std::string_view name) {
  const std::size_t dot = name.rfind('.');
  const std::size_t slash = name.rfind('/');
  if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash)) return {};
  return Latin1(name.substr(dot));
}

bool IsSitemapName(std::string_view name) {
  const std::u16string extension = Extension(name);
  return SameText(extension, u".hhc") || SameText(extension, u".hhk");
}

bool IsPageName(std::string_view name) {
  const std::u16string extension = Extension(name);
  return !extension.empty() && IsPageExtension(extension);
}

// Whether the page names a charset that the page reader knows, so its own bytes say how to read it.
bool DeclaresCharset(std::string_view page) { return CharsetTable().CodePageOf(GetCharset(Latin1(page))).has_value(); }

struct PageName {
  std::string folder;  // of the sitemap that names the page, below the root, with its '/'
  std::string value;   // the bytes of the Local value
};

struct Sample {
  std::string words;  // the runs of text above ASCII, for the detector
  std::vector<PageName> page_names;
};

// The runs of bytes that hold characters above ASCII, a blank between them. No byte below '@'
// (blanks, markup, digits, punctuation) occurs inside a double-byte character, so cutting there keeps
// those whole; runs of plain ASCII (markup, English words) would only drown the rest.
void AddWords(std::string& words, std::string_view bytes) {
  std::size_t i = 0;
  while (i < bytes.size() && words.size() < kSampleBytes) {
    while (i < bytes.size() && static_cast<unsigned char>(bytes[i]) < 0x40) ++i;
    const std::size_t start = i;
    while (i < bytes.size() && static_cast<unsigned char>(bytes[i]) >= 0x40) ++i;
    const std::string_view word = bytes.substr(start, i - start);
    if (HasHighByte(word)) {
      words.append(word);
      words += ' ';
    }
  }
}

// The values of a sitemap's param tags, found as the contents loader finds them.
void ScanSitemap(std::string_view entry_name, std::string_view data, Sample& sample) {
  if (HasByteOrderMark(data)) return;  // read by its mark, whatever the code page
  const std::string lower = AsciiLower(data);
  const std::size_t slash = entry_name.rfind('/');
  const std::string folder(entry_name.substr(1, slash));
  for (std::size_t at = lower.find("<param"); at != std::string::npos;) {
    const std::size_t close = lower.find('>', at);
    if (close == std::string::npos) break;
    const std::string_view tag = std::string_view(lower).substr(at, close - at);
    const std::size_t value_at = tag.find("value=\"");
    const std::size_t end = value_at == std::string_view::npos ? value_at : tag.find('"', value_at + 7);
    if (end != std::string_view::npos) {
      std::string value(data.substr(at + value_at + 7, end - value_at - 7));
      if (const std::optional<std::string> bytes = CharacterReferenceBytes(Latin1(value))) value = *bytes;
      if (HasHighByte(value)) {
        AddWords(sample.words, value);
        if (tag.find("name=\"local\"") != std::string_view::npos) sample.page_names.push_back({folder, value});
      }
    }
    at = lower.find("<param", close);
  }
}

// A Local value as the path of a stored file: anchor cut, "%20" a blank, forward slashes, no
// leading "./" or "/". Empty for addresses (anything with a colon).
std::u16string PageKey(std::u16string text) {
  if (text.find(u':') != std::u16string::npos) return {};
  if (const std::size_t hash = text.find(u'#'); hash != std::u16string::npos) text.resize(hash);
  text = ReplaceAll(text, u"%20", u" ");
  std::replace(text.begin(), text.end(), u'\\', u'/');
  while (text.starts_with(u"./")) text.erase(0, 2);
  while (text.starts_with(u"/")) text.erase(0, 1);
  return UpperCase(text);
}

// How many of the page names, read in code_page, name a stored file.
std::size_t MatchingPageNames(const Sample& sample, const std::set<std::u16string>& stored, std::uint32_t code_page) {
  std::size_t matches = 0;
  for (const PageName& page : sample.page_names) {
    const std::u16string text = CodePageToText(page.value, code_page);
    if (text.find(u'\uFFFD') != std::u16string::npos) continue;
    const std::u16string key = PageKey(text);
    if (key.empty()) continue;
    if (stored.count(key) != 0 || stored.count(UpperCase(Latin1(page.folder)) + key) != 0) ++matches;
  }
  return matches;
}

std::size_t HighBytes(std::string_view bytes) {
  return static_cast<std::size_t>(std::count_if(bytes.begin(), bytes.end(), IsHigh));
}

bool Clear(const std::vector<CodePageMatch>& ranked) {
  return !ranked.empty() && ranked[0].confidence >= kMinConfidence &&
         (ranked.size() == 1 || ranked[0].confidence >= kMargin * ranked[1].confidence);
}

// "208" or "xD0" (the text of "&#208;" or "&#xD0;"); -1 when it is not a number of one to five digits.
int NumericReference(std::u16string_view digits) {
  const bool hex = !digits.empty() && (digits[0] == u'x' || digits[0] == u'X');
  if (hex) digits.remove_prefix(1);
  if (digits.empty() || digits.size() > 5) return -1;
  int code = 0;
  for (const char16_t c : digits) {
    int digit = -1;
    if (c >= u'0' && c <= u'9') digit = c - u'0';
    if (hex && c >= u'a' && c <= u'f') digit = c - u'a' + 10;
    if (hex && c >= u'A' && c <= u'F') digit = c - u'A' + 10;
    if (digit < 0) return -1;
    code = code * (hex ? 16 : 10) + digit;
  }
  return code;
}

std::u16string Number(std::uint64_t n) { return IntToStr(static_cast<std::int64_t>(n)); }

CodePageDetection Decide(const Sample& sample, const std::set<std::u16string>& stored) {
  CodePageDetection result;
  result.non_ascii = !sample.words.empty();
  if (!result.non_ascii) return result;
  const std::vector<CodePageMatch> ranked = DetectCodePages(sample.words, Candidates());
  const bool text_is_clear = Clear(ranked) && HighBytes(sample.words) >= kMinHighBytes;

  // A contents file whose page names match the stored files in one code page was written in it.
  std::size_t best = 0;
  std::vector<std::uint32_t> tied;
  for (const std::uint32_t code_page : Candidates()) {
    const std::size_t matches = MatchingPageNames(sample, stored, code_page);
    if (matches > best) {
      best = matches;
      tied.assign(1, code_page);
    } else if (matches == best && matches > 0) {
      tied.push_back(code_page);
    }
  }
  if (best > 0 && 2 * best >= sample.page_names.size()) {
    // Code pages that share those letters (1250 and 1252 both have "ü"): the text decides when it
    // is clear, the ANSI code page stays when it is one of them.
    const auto in_tied = [&](std::uint32_t code_page) {
      return std::find(tied.begin(), tied.end(), code_page) != tied.end();
    };
    const auto ranked_tied =
        std::find_if(ranked.begin(), ranked.end(), [&](const CodePageMatch& m) { return in_tied(m.code_page); });
    if (text_is_clear && in_tied(ranked[0].code_page)) {
      result.code_page = ranked[0].code_page;
    } else if (in_tied(AnsiCodePage())) {
      result.code_page = AnsiCodePage();
    } else {
      result.code_page = ranked_tied != ranked.end() ? ranked_tied->code_page : tied.front();
    }
    result.reason = Number(best) + u" of its " + Number(sample.page_names.size()) +
                    u" page names that are not plain ASCII name its stored files in that code page";
    return result;
  }
  if (text_is_clear) {
    result.code_page = ranked[0].code_page;
    result.reason = u"its contents and pages read as text in that code page (confidence " +
                    Number(static_cast<std::uint64_t>(ranked[0].confidence)) + u" of 100)";
    return result;
  }
  result.reason = u"its text does not show clearly which code page it is written in";
  return result;
}

}  // namespace

CodePageDetection DetectHelpFileCodePage(std::string_view chm, const std::string& display_name,
                                         std::string_view record) {
  Sample sample;
  AddWords(sample.words, record);
  std::set<std::u16string> stored;
  const ChmExtractor extractor;
  try {
    for (const ChmExtractor::Entry& entry : extractor.ReadMemory(chm, display_name, IsSitemapName, kSitemapBytes)) {
      stored.insert(UpperCase(Utf8ToUtf16(std::string_view(entry.name).substr(1))));
      if (!entry.data.empty()) ScanSitemap(entry.name, entry.data, sample);
    }
    for (const ChmExtractor::Entry& entry : extractor.ReadMemory(chm, display_name, IsPageName, kPageBytes)) {
      if (!entry.data.empty() && !HasByteOrderMark(entry.data) && !DeclaresCharset(entry.data)) {
        AddWords(sample.words, entry.data);
      }
    }
  } catch (const NotAHelpFileError&) {
    // The extraction says so; the record alone is all there is to go by.
  }
  return Decide(sample, stored);
}

std::optional<std::string> CharacterReferenceBytes(std::u16string_view value) {
  std::string bytes;
  bool referenced = false;
  for (std::size_t i = 0; i < value.size(); ++i) {
    const char16_t c = value[i];
    if (c >= 0x80) return std::nullopt;
    if (c != u'&') {
      bytes += static_cast<char>(c);
      continue;
    }
    // A reference is "&", a name or "#" and digits, and ";"; any other ampersand is text.
    std::size_t end = i + 1;
    while (end < value.size() && end - i <= 10 && (IsAsciiAlnum(value[end]) || (end == i + 1 && value[end] == u'#'))) {
      ++end;
    }
    if (end == i + 1 || end >= value.size() || value[end] != u';') {
      bytes += '&';
      continue;
    }
    const std::u16string_view name = value.substr(i + 1, end - i - 1);
    int code = -1;
    if (name.starts_with(u"#")) {
      code = NumericReference(name.substr(1));
    } else if (name == u"Dstrok") {
      code = 0xD0;  // written for "Ð" (D0) by some compilers
    } else {
      code = EntityCode(name);
    }
    if (code < 0 || code > 0xFF) return std::nullopt;
    referenced = referenced || code >= 0x80;
    bytes += static_cast<char>(code);
    i = end;
  }
  if (!referenced) return std::nullopt;
  return bytes;
}

bool ReadsClearlyAs(const std::vector<std::string>& texts, std::uint32_t code_page) {
  std::string words;
  for (const std::string& text : texts) AddWords(words, text);
  const std::vector<CodePageMatch> ranked = DetectCodePages(words, Candidates());
  return Clear(ranked) && ranked[0].code_page == code_page;
}

}  // namespace tomeshift
