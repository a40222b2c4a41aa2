#include "text/reference_resolver.h"

#include <vector>

#include "text/path_helpers.h"
#include "text/text_utils.h"
#include "text/unicode.h"

namespace tomeshift {

namespace {

constexpr auto npos = std::u16string_view::npos;

int HexValue(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

// Character references decoded, tabs and line breaks dropped (browsers ignore them inside
// addresses), blanks and control characters trimmed.
std::u16string DecodeCharacters(std::u16string_view reference) {
  const std::u16string decoded = DecodeHtmlEntities(reference, true);
  std::u16string out;
  out.reserve(decoded.size());
  for (const char16_t c : decoded) {
    if (c != u'\t' && c != u'\n' && c != u'\r') out += c;
  }
  return Trim(out);
}

// Percent-escapes as UTF-8 bytes; a '%' without two hex digits stays.
std::u16string DecodePercent(std::u16string_view text) {
  if (text.find(u'%') == npos) return std::u16string(text);
  std::u16string out;
  std::string bytes;
  const auto flush = [&] {
    if (!bytes.empty()) out += Utf8ToUtf16(bytes);
    bytes.clear();
  };
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == u'%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 && HexValue(text[i + 2]) >= 0) {
      bytes += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
      i += 2;
      continue;
    }
    flush();
    out += text[i];
  }
  flush();
  return out;
}

// The scheme of an address ("http" of "http://..."); empty when there is none. One letter before the
// colon is a drive, not a scheme.
std::u16string_view SchemeOf(std::u16string_view text) {
  const std::size_t colon = text.find(u':');
  if (colon == npos || colon < 2) return {};
  for (std::size_t i = 0; i < colon; ++i) {
    const char16_t c = text[i];
    const bool letter = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
    if (!(letter || (i > 0 && ((c >= u'0' && c <= u'9') || c == u'+' || c == u'-' || c == u'.')))) return {};
  }
  return text.substr(0, colon);
}

ResolvedReference Refused(ResolvedReference r, std::u16string reason) {
  r.kind = ResolvedReference::Kind::kRefused;
  r.path.clear();
  r.reason = std::move(reason);
  return r;
}

}  // namespace

bool IsWebScheme(std::u16string_view scheme) {
  return SameText(scheme, u"http") || SameText(scheme, u"https") || SameText(scheme, u"ftp") ||
         SameText(scheme, u"mailto") || SameText(scheme, u"news");
}

std::u16string DecodeReference(std::u16string_view reference) { return DecodePercent(DecodeCharacters(reference)); }

ResolvedReference ResolveReference(std::u16string_view reference, std::u16string_view page) {
  using Kind = ResolvedReference::Kind;
  ResolvedReference r;
  std::u16string text = DecodeCharacters(reference);
  // Anchor and query are split off before percent-escapes are decoded: "%23" is part of a name.
  std::u16string_view address(text);
  if (const std::size_t hash = address.find(u'#'); hash != npos) {
    r.fragment = DecodePercent(address.substr(hash + 1));
    address = address.substr(0, hash);
  }
  if (const std::size_t query = address.find(u'?'); query != npos) address = address.substr(0, query);
  const std::u16string_view raw_scheme = SchemeOf(address);
  std::u16string path = DecodePercent(address);
  r.decoded = path;
  if (path.empty()) {
    r.kind = r.fragment.empty() && text.find(u'#') == npos ? Kind::kNone : Kind::kFragment;
    return r;
  }
  // A scheme counts whether it was written plainly or hidden behind escapes ("%66ile:").
  const std::u16string_view scheme = raw_scheme.empty() ? SchemeOf(path) : raw_scheme;
  if (!scheme.empty()) {
    if (IsWebScheme(scheme)) {
      r.kind = Kind::kWeb;
      return r;
    }
    return Refused(std::move(r), u"addresses of the form " + LowerCase(scheme) + u": name no file of the help file");
  }
  if (path.find(u'\0') != npos) return Refused(std::move(r), u"the address contains a NUL character");
  for (char16_t& c : path) {
    if (c == u'\\') c = u'/';
  }
  if (path.size() >= 2 && path[1] == u':') return Refused(std::move(r), u"a drive path lies outside the help file");
  if (path.size() >= 2 && path[0] == u'/' && path[1] == u'/')
    return Refused(std::move(r), u"a network path lies outside the help file");

  std::vector<std::u16string_view> parts;
  const auto walk = [&](std::u16string_view p) -> bool {
    std::size_t pos = 0;
    while (pos <= p.size()) {
      std::size_t slash = p.find(u'/', pos);
      if (slash == npos) slash = p.size();
      const std::u16string_view part = p.substr(pos, slash - pos);
      pos = slash + 1;
      if (part.empty() || part == u".") continue;
      if (part == u"..") {
        if (parts.empty()) return false;
        parts.pop_back();
      } else {
        parts.push_back(part);
      }
    }
    return true;
  };
  std::u16string folder;
  if (path.front() != u'/') {
    folder = ToBackslashes(page);
    for (char16_t& c : folder) {
      if (c == u'\\') c = u'/';
    }
    const std::size_t slash = folder.find_last_of(u'/');
    folder = slash == npos ? std::u16string() : folder.substr(0, slash);
    if (!walk(folder)) return Refused(std::move(r), u"the page lies outside the help file");
  }
  if (!walk(path)) return Refused(std::move(r), u"the path leads outside the help file");
  if (parts.empty()) return Refused(std::move(r), u"the path names a folder, not a file");
  if (parts.size() > static_cast<std::size_t>(kMaxFolderDepth) + 1)
    return Refused(std::move(r), u"the path is nested deeper than " + IntToStr(kMaxFolderDepth) + u" folders");
  for (std::size_t k = 0; k < parts.size(); ++k) {
    if (k) r.path += u'/';
    r.path += parts[k];
  }
  r.kind = Kind::kInside;
  return r;
}

}  // namespace tomeshift
