#include "text/path_helpers.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <vector>

#include "text/html_vocabulary.h"
#include "text/text_utils.h"

namespace tomeshift {
namespace {

constexpr auto npos = std::u16string_view::npos;

// Drive of a Windows path: "C:" or the "\\server\share" of a network path; empty otherwise.
std::u16string_view ExtractFileDrive(std::u16string_view path) {
  if (path.size() >= 2 && path[1] == u':') return path.substr(0, 2);
  if (path.size() >= 2 && path[0] == u'\\' && path[1] == u'\\') {
    std::size_t separators = 0;
    std::size_t i = 2;
    for (; i < path.size(); ++i) {
      if (path[i] == u'\\' && ++separators == 2) break;
    }
    return path.substr(0, i);
  }
  return {};
}

// Position just after the last '\' or ':' (0 when there is none): where the file name starts.
std::size_t FileNameStart(std::u16string_view path) {
  const std::size_t last = path.find_last_of(u"\\:");
  return last == npos ? 0 : last + 1;
}

// The extension from the last '.', provided no '\' or ':' follows it.
std::u16string_view ExtractFileExt(std::u16string_view path) {
  const std::size_t last = path.find_last_of(u".\\:");
  if (last == npos || path[last] != u'.') return {};
  return path.substr(last);
}

bool IsHtmExtension(std::u16string_view ext) {
  const std::u16string lower = LowerCase(ext);
  return lower == u".htm" || lower == u".html";
}

// Folder components of a path without drive and file name; "a\b\" gives "a" and "b".
std::vector<std::u16string_view> FolderComponents(std::u16string_view path) {
  const std::u16string_view drive = ExtractFileDrive(path);
  std::u16string_view folder = path.substr(0, FileNameStart(path));
  folder.remove_prefix(std::min(drive.size(), folder.size()));
  std::vector<std::u16string_view> parts;
  std::size_t pos = 0;
  while (pos < folder.size()) {
    std::size_t sep = folder.find(u'\\', pos);
    if (sep == npos) sep = folder.size();
    parts.push_back(folder.substr(pos, sep - pos));
    pos = sep + 1;
  }
  return parts;
}

// A decoded numeric reference. Code points beyond the BMP become surrogate pairs; values that name
// no character (0, surrogates, beyond U+10FFFF, including digit runs too long for 32 bits) become
// U+FFFD, the replacement character.
void AppendCodePoint(std::u16string& out, std::uint32_t value) {
  if (value == 0 || (value >= 0xD800 && value <= 0xDFFF) || value > 0x10FFFF) {
    out.push_back(u'\uFFFD');
  } else if (value < 0x10000) {
    out.push_back(static_cast<char16_t>(value));
  } else {
    value -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (value >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (value & 0x3FF)));
  }
}

// Decimal value of a digit run, saturating just above the last code point so that any length of
// digits is safe.
std::uint32_t DigitsValue(std::u16string_view digits, std::uint32_t base = 10) {
  std::uint32_t value = 0;
  for (const char16_t c : digits) {
    const std::uint32_t digit =
        c <= u'9' ? static_cast<std::uint32_t>(c - u'0') : static_cast<std::uint32_t>((c | 0x20) - u'a' + 10);
    value = value * base + digit;
    if (value > 0x10FFFF) return 0x110000;
  }
  return value;
}

bool IsHexDigit(char16_t c) { return IsDigit(c) || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F'); }

}  // namespace

std::u16string ToBackslashes(std::u16string_view path) {
  std::u16string out(path);
  for (char16_t& c : out) {
    if (c == u'/') c = u'\\';
  }
  return out;
}

std::u16string NormalizePath(std::u16string_view path) {
  const std::u16string text = ReplaceAll(ToBackslashes(path), u"%20", u" ");
  const std::u16string_view view(text);
  std::vector<std::u16string_view> segments;
  std::size_t pos = 0;
  for (;;) {
    const std::size_t sep = view.find(u'\\', pos);
    if (sep == npos) {
      segments.push_back(view.substr(pos));
      break;
    }
    segments.push_back(view.substr(pos, sep + 1 - pos));
    pos = sep + 1;
  }
  // Walk from the end so that each ".." knows how many segments before it to swallow.
  std::vector<std::u16string_view> kept;
  int pendingParents = 0;
  for (auto it = segments.rbegin(); it != segments.rend(); ++it) {
    if (*it == u"..\\") {
      ++pendingParents;
    } else if (*it == u".\\" || *it == u"\\") {
      // dropped: current folder or an empty segment
    } else if (pendingParents > 0) {
      --pendingParents;
    } else {
      kept.push_back(*it);
    }
  }
  std::u16string result;
  result.reserve(text.size());
  for (auto it = kept.rbegin(); it != kept.rend(); ++it) result.append(*it);
  return result;
}

std::u16string GetRelativeUrl(std::u16string_view base, std::u16string_view target) {
  const std::u16string b = ToBackslashes(base);
  const std::u16string t = ToBackslashes(target);
  std::u16string result;
  if (!SameText(ExtractFileDrive(b), ExtractFileDrive(t))) {
    result = t;
  } else {
    const auto baseParts = FolderComponents(b);
    const auto targetParts = FolderComponents(t);
    std::size_t common = 0;
    while (common < baseParts.size() && common < targetParts.size() &&
           SameText(baseParts[common], targetParts[common])) {
      ++common;
    }
    for (std::size_t i = common; i < baseParts.size(); ++i) result += u"..\\";
    for (std::size_t i = common; i < targetParts.size(); ++i) {
      result.append(targetParts[i]);
      result += u'\\';
    }
    result.append(std::u16string_view(t).substr(FileNameStart(t)));
  }
  for (char16_t& c : result) {
    if (c == u'\\') c = u'/';
  }
  return result;
}

std::u16string GetAttributeValue(std::u16string_view tag, std::u16string_view name) {
  bool readingName = false;
  bool inValue = false;
  bool quoted = false;
  bool skipNext = false;
  char16_t quote = 0;
  std::u16string attrName;
  std::u16string value;
  const auto clear = [&](bool reading) {
    readingName = reading;
    inValue = false;
    quoted = false;
    quote = 0;
    attrName.clear();
    value.clear();
  };
  for (std::size_t i = 0; i < tag.size(); ++i) {
    const char16_t c = tag[i];
    if (c == u'>' && inValue && SameText(attrName, name)) return value;
    if (skipNext) {
      skipNext = false;
      continue;
    }
    if (inValue) {
      if (quoted ? c == quote : IsWhitespace(c)) {
        if (SameText(attrName, name)) return value;
        clear(!quoted);
      } else {
        value += c;
      }
      continue;
    }
    if (readingName) {
      if (c == u'=') {
        inValue = true;
        value.clear();
        if (i + 1 < tag.size() && (tag[i + 1] == u'\'' || tag[i + 1] == u'"')) {
          quote = tag[i + 1];
          quoted = true;
          skipNext = true;
        }
      } else {
        attrName += c;
      }
    }
    if (IsWhitespace(c)) {
      readingName = true;
      attrName.clear();
      value.clear();
    }
  }
  return {};
}

UrlParts SplitUrlAnchor(std::u16string_view link) {
  const std::size_t hash = link.rfind(u'#');
  if (hash == npos) return {std::u16string(link), {}};
  const std::u16string_view page = link.substr(0, hash);
  const std::u16string_view anchor = link.substr(hash + 1);
  // "C#intro.htm" names a file, not the anchor "intro.htm" of page "C".
  if (anchor.find(u'.') != npos && IsHtmExtension(ExtractFileExt(anchor)) && !IsHtmExtension(ExtractFileExt(page))) {
    return {std::u16string(link), {}};
  }
  return {std::u16string(page), std::u16string(anchor)};
}

std::u16string GetPageTitle(std::u16string_view page) {
  const std::size_t a = PosText(u"<title>", page);
  const std::size_t b = PosText(u"</title>", page);
  if (a == npos || b == npos || a >= b) return {};
  // Further "<title>" tags inside are lowered, as if the whole page had been.
  const std::u16string inner = ReplaceText(page.substr(a + 7, b - (a + 7)), u"<title>", u"<title>");
  std::u16string flat;
  flat.reserve(inner.size());
  for (const char16_t c : inner) {
    if (c != u'\r' && c != u'\n') flat += c;
  }
  return DecodeHtmlEntities(flat);
}

std::u16string DecodeHtmlEntities(std::u16string_view text, bool hexadecimal) {
  std::u16string out;
  out.reserve(text.size());
  std::u16string buffer;  // the reference after '&'; a numeric one starts with '#'
  bool inReference = false;
  bool numeric = false;
  bool hex = false;  // in "&#x41;"
  bool justDecoded = false;
  // The digits of a numeric reference in the buffer, behind "#" or "#x".
  const auto numericDigits = [&] { return std::u16string_view(buffer).substr(hex ? 2 : 1); };
  const auto flushNumeric = [&](std::u16string_view digits) {
    if (digits.empty()) {
      out += u'&';
      out += buffer;
    } else {
      AppendCodePoint(out, DigitsValue(digits, hex ? 16 : 10));
    }
  };
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (!inReference && c != u'&') {
      // Plain text up to the next reference is copied in one piece.
      std::size_t next = text.find(u'&', i);
      if (next == npos) next = text.size();
      std::size_t from = i;
      if (c == u';' && justDecoded) ++from;
      out.append(text.substr(from, next - from));
      justDecoded = false;
      i = next - 1;
      continue;
    }
    if (c == u'&') {
      if (inReference) {
        out += u'&';
        out += buffer;
      }
      inReference = true;
      numeric = false;
      hex = false;
      justDecoded = false;
      buffer.clear();
      continue;
    }
    if (inReference) {
      if (hexadecimal && numeric && !hex && buffer == u"#" && (c == u'x' || c == u'X')) {
        hex = true;
        buffer += c;
        continue;
      }
      if (numeric && !(hex ? IsHexDigit(c) : IsDigit(c))) {
        const std::u16string_view digits = numericDigits();
        flushNumeric(digits);
        if (!digits.empty()) {
          if (c != u';') out += c;
        } else {
          out += c;
        }
        inReference = false;
        numeric = false;
        hex = false;
        buffer.clear();
        continue;
      }
      buffer += c;
      if (buffer == u"#") numeric = true;
      if (numeric) continue;
      if (buffer.size() > 10) {
        out += u'&';
        out += buffer;
        inReference = false;
        buffer.clear();
        continue;
      }
      const int code = EntityCode(buffer);
      if (code >= 0) {
        out += static_cast<char16_t>(code);
        justDecoded = true;
        inReference = false;
        buffer.clear();
      }
      continue;
    }
  }
  if (inReference) {
    if (numeric) {
      flushNumeric(numericDigits());
    } else {
      out += u'&';
      out += buffer;
    }
  }
  return out;
}

std::u16string RemoveMarkedSections(std::u16string_view text, std::u16string_view startMarker,
                                    std::u16string_view endMarker) {
  // Empty markers would match everywhere and never advance: there is nothing to remove.
  if (startMarker.empty() || endMarker.empty()) return std::u16string(text);
  const std::u16string start = LowerCase(startMarker);
  const std::u16string end = LowerCase(endMarker);
  const std::u16string source = ReplaceText(ReplaceText(text, start, start), end, end);
  std::u16string out;
  out.reserve(source.size());
  std::size_t pos = 0;
  for (;;) {
    const std::size_t s = source.find(start, pos);
    if (s == npos) break;
    out.append(source, pos, s - pos);
    const std::size_t e = source.find(end, s);
    if (e == npos) {
      pos = s;
      break;
    }
    pos = e + end.size();
  }
  out.append(source, pos, npos);
  return out;
}

int FirstNumber(std::u16string_view text) {
  std::size_t i = 0;
  while (i < text.size() && !IsDigit(text[i])) ++i;
  long long value = 0;
  for (; i < text.size() && IsDigit(text[i]); ++i) {
    value = value * 10 + (text[i] - u'0');
    if (value > INT_MAX) return INT_MAX;
  }
  return static_cast<int>(value);
}

}  // namespace tomeshift
