#include "converter/link_rewriting.h"

#include "platform/file_system.h"
#include "text/html_vocabulary.h"
#include "text/path_helpers.h"
#include "text/reference_resolver.h"
#include "text/text_utils.h"

namespace tomeshift {

namespace {

constexpr auto npos = std::u16string::npos;

bool IsSeparator(char16_t c) { return c == u'\\' || c == u'/'; }

// A help file beside the one being converted, found as the help viewer would (without regard to
// case); empty when there is none.
std::u16string SiblingHelpFile(const std::u16string& folder, const std::u16string& name) {
  const std::u16string exact = folder + name;
  if (FileSystem().FileExists(exact)) return exact;
  for (const DirEntry& entry : FileSystem().ListDirectory(folder.empty() ? u"." : folder)) {
    if (!entry.is_directory && SameText(entry.name, name) && FileSystem().FileExists(folder + entry.name))
      return folder + entry.name;
  }
  return {};
}

// A help-file address: "ms-its:" or "mk:@msitstore:", the help file, "::" and the path inside it.
// Addresses into the extracted help file lose their prefix; addresses into another help file beside
// it become "/" + its name + path, the other file extracted once into rootFolder + its name. A help
// file that is not there (or a name that is no file name) empties the link.
void ResolveHelpFileAddress(const TLinkContext& context, std::u16string& U, std::u16string_view prefix) {
  if (U.size() < prefix.size() || !SameText(std::u16string_view(U).substr(0, prefix.size()), prefix)) return;
  const std::size_t p = U.find(u"::", prefix.size());
  if (p == npos) return;
  const std::u16string H = U.substr(prefix.size(), p - prefix.size());
  std::u16string R = U.substr(p + 2);
  // Only the file name counts: the help file may be named with the folder it had on the author's disk.
  const std::u16string name = Trim(ExtractName(ToBackslashes(DecodeReference(H))));
  if (SameText(name, ExtractName(context.chmFile))) {
    U = R;
    return;
  }
  // Only help files are looked for beside this one; names that would lead out of the scratch folder or
  // the help file's own folder are not files.
  if (!EndsText(u".chm", name) || name == u".chm" || name.find_first_of(std::u16string_view(u":\0", 2)) != npos) {
    U.clear();
    return;
  }
  const std::u16string other = SiblingHelpFile(ExtractFolder(context.chmFile), name);
  if (other.empty()) {
    U.clear();
    return;
  }
  const std::u16string sub = context.rootFolder + name + u"\\";
  if (!FileSystem().DirectoryExists(sub) && context.ExtractHelpFile) context.ExtractHelpFile(other, sub);
  if (R.empty() || !IsSeparator(R.front())) R.insert(R.begin(), u'/');
  U = u"/" + name + R;
}

// A file name written back into a link: characters that would end the attribute or be read as
// anchor, query or escape are escaped.
std::u16string EscapeForLink(std::u16string_view name) {
  std::u16string out;
  for (const char16_t c : name) {
    if (c < 0x20 || c == u'%' || c == u'"' || c == u'\'' || c == u'<' || c == u'>' || c == u'&' || c == u'#' ||
        c == u'?') {
      static constexpr char16_t kHex[] = u"0123456789ABCDEF";
      out += u'%';
      out += kHex[(c >> 4) & 0xF];
      out += kHex[c & 0xF];
    } else {
      out += c;
    }
  }
  return out;
}

// The attribute scan shared by ProcessSCR and page discovery. onEnd(name, value) gives the text
// that replaces a value; out (when given) receives the rewritten page.
template <typename OnEnd>
void ScanAttributes(std::u16string_view s, std::u16string* out, OnEnd&& onEnd) {
  bool inTag = false, readingName = false, inValue = false, skip = false;
  char16_t quote = 0;
  std::u16string name, value;
  const auto put = [out](char16_t c) {
    if (out) out->push_back(c);
  };
  const auto putText = [out](std::u16string_view t) {
    if (out) out->append(t);
  };
  const auto endAttribute = [&](char16_t c) {
    if (inValue) putText(onEnd(name, value));
    put(c);
    name.clear();
    value.clear();
    inValue = false;
    quote = 0;
    readingName = true;
    if (c == u'>') inTag = false;
  };
  for (std::size_t i = 0; i < s.size(); ++i) {
    const char16_t c = s[i];
    if (skip) {
      skip = false;
      continue;
    }
    if (c == u'<') {
      // A value cut short by a new tag is kept as it was written.
      if (inValue) putText(value);
      inTag = true;
      readingName = inValue = false;
      quote = 0;
      name.clear();
      value.clear();
      put(c);
      continue;
    }
    if (!inTag) {
      put(c);
      continue;
    }
    if (inValue && quote != 0) {
      if (c == quote || c == u'>')
        endAttribute(c);
      else
        value += c;
      continue;
    }
    if (IsWhitespace(c) || c == u'>') {
      endAttribute(c);
      continue;
    }
    if (inValue) {
      value += c;
      continue;
    }
    if (readingName && c == u'=') {
      inValue = true;
      readingName = false;
      value.clear();
      put(c);
      if (i + 1 < s.size() && (s[i + 1] == u'"' || s[i + 1] == u'\'')) {
        quote = s[i + 1];
        put(quote);
        skip = true;
      }
      continue;
    }
    if (readingName) name += c;
    put(c);
  }
  if (inValue) putText(value);
}

bool IsBookmarkSeparator(char16_t c) { return c == u' ' || c == u'>' || c == u'\r' || c == u'\n' || c == u'\t'; }

}  // namespace

std::u16string NormalizeFullPath(std::u16string_view path) {
  const bool rooted = !path.empty() && IsSeparator(path.front());
  std::u16string text(path);
  // A final "." or ".." names a folder too; resolve it like the others.
  const std::size_t name = text.find_last_of(u"\\/");
  const std::u16string_view last = std::u16string_view(text).substr(name == npos ? 0 : name + 1);
  if (last == u"." || last == u"..") text += u'\\';
  std::u16string normalized = NormalizePath(text);
  if (rooted) normalized.insert(normalized.begin(), u'\\');
  return normalized;
}

std::u16string ExtractFolder(std::u16string_view path) {
  const std::size_t last = path.find_last_of(u"\\/");
  return last == npos ? std::u16string() : std::u16string(path.substr(0, last + 1));
}

std::u16string ExtractName(std::u16string_view path) {
  const std::size_t last = path.find_last_of(u"\\/");
  return std::u16string(last == npos ? path : path.substr(last + 1));
}

bool IsOutOfRootfolder(std::u16string_view rootFolder, std::u16string_view url) {
  std::u16string root = NormalizeFullPath(rootFolder);
  if (root.empty() || root.back() != u'\\') root += u'\\';
  const std::u16string path = NormalizeFullPath(url);
  return path.size() < root.size() || !SameText(std::u16string_view(path).substr(0, root.size()), root);
}

std::u16string CanonicalPathInRoot(std::u16string_view rootFolder, std::u16string_view path) {
  std::u16string root = NormalizeFullPath(rootFolder);
  if (root.empty() || root.back() != u'\\') root += u'\\';
  const std::u16string normalized = NormalizeFullPath(path);
  if (normalized.size() <= root.size() || !SameText(std::u16string_view(normalized).substr(0, root.size()), root))
    return {};
  return std::u16string(rootFolder) + normalized.substr(root.size());
}

std::u16string ProcessDecompiledUrl(const TLinkContext& context, std::u16string_view Url,
                                    std::u16string_view CurrentUrl) {
  std::u16string U = Trim(Url);
  ResolveHelpFileAddress(context, U, u"ms-its:");
  ResolveHelpFileAddress(context, U, u"mk:@msitstore:");
  if (U.size() <= 2) return U;
  // Where the link leads is judged on what a browser would make of it: "&#47;", "%2e%2e" and
  // "%66ile:" hide the same paths as "/", ".." and "file:". A link that stays where it is keeps
  // its spelling.
  const ResolvedReference decoded = ResolveReference(U, u"");
  const std::u16string plain = ToBackslashes(decoded.decoded);
  const auto bareName = [&] { return EscapeForLink(ExtractName(plain)); };
  const std::size_t colon = plain.find(u':');
  if (colon != npos && colon > 1 && IsWebScheme(std::u16string_view(plain).substr(0, colon))) return U;
  if (plain.size() >= 5 && SameText(std::u16string_view(plain).substr(0, 5), u"file:")) return bareName();
  if (plain.size() <= 2) return U;
  if (IsSeparator(plain.front())) {
    const std::u16string target = NormalizeFullPath(context.rootFolder + plain.substr(1));
    // "/../.." would otherwise lead above the scratch folder.
    if (IsOutOfRootfolder(context.rootFolder, target)) return bareName();
    const std::u16string relative = GetRelativeUrl(CurrentUrl, target);
    return decoded.fragment.empty() ? relative : relative + u"#" + decoded.fragment;
  }
  if (plain[1] == u':') return bareName();
  if (plain.find(u"..") != npos && IsOutOfRootfolder(context.rootFolder, ExtractFolder(CurrentUrl) + plain))
    return bareName();
  return U;
}

std::u16string ProcessSCR(const TLinkContext& context, std::u16string_view S, std::u16string_view CurrentUrl) {
  std::u16string out;
  out.reserve(S.size() + S.size() / 16);
  ScanAttributes(S, &out, [&](const std::u16string& name, const std::u16string& value) -> std::u16string {
    if (SameText(name, u"media")) return SameText(value, u"screen") ? std::u16string(u"all") : value;
    if (!name.empty() && IsUrlAttribute(name)) return ProcessDecompiledUrl(context, value, CurrentUrl);
    return value;
  });
  return out;
}

void ScanLinkValues(std::u16string_view S, const std::function<void(std::u16string_view value)>& onValue) {
  ScanAttributes(S, nullptr, [&](const std::u16string& name, const std::u16string& value) -> std::u16string_view {
    if (!name.empty() && IsUrlAttribute(name)) onValue(value);
    return {};
  });
}

std::u16string ChangeUrlBookmark(const TBookmarkContext& context, std::u16string_view text, const TLinkTopic& Base) {
  std::u16string out;
  out.reserve(text.size() + text.size() / 8);
  bool readingTagName = false, inAnchorTag = false, inValue = false, skip = false, hintPending = false;
  char16_t quote = 0;
  std::u16string tagName, attribute, value, chapter;

  const auto anchorReference = [&](const std::u16string& bookmark, std::u16string_view url,
                                   std::u16string_view anchor) {
    std::u16string reference = u"#" + bookmark;
    if (!anchor.empty() && context.HasAnchor && context.HasAnchor(url, anchor)) {
      reference += u'_';
      reference += anchor;
    }
    return reference;
  };
  const auto rewrite = [&]() -> std::u16string {
    if (SameText(attribute, u"name")) {
      if (value.empty()) return {};
      std::u16string_view anchor(value);
      if (anchor.front() == u'#') anchor.remove_prefix(1);
      return Base.Bookmark + u"_" + std::u16string(anchor);
    }
    if (!SameText(attribute, u"href")) return value;
    const UrlParts parts = SplitUrlAnchor(value);
    if (!parts.page.empty()) {
      if (parts.page.find(u':') != npos) return value;
      const std::u16string target = parts.page.front() == u'/'
                                        ? ToBackslashes(std::u16string_view(parts.page).substr(1))
                                        : NormalizePath(ExtractFolder(Base.Url) + ToBackslashes(parts.page));
      TLinkTopic entry;
      // A section of a split page first: its entry still names the page with the anchor, and the
      // entry that names the page alone holds only the text before the sections.
      if (!parts.anchor.empty() && context.FindEntry && context.FindEntry(target + u"#" + parts.anchor, entry)) {
        chapter = entry.ChapterNumber;
        return u"#" + entry.Bookmark;
      }
      if (!context.FindEntry || !context.FindEntry(target, entry)) {
        chapter.clear();
        return value;
      }
      chapter = entry.ChapterNumber;
      return anchorReference(entry.Bookmark, target, parts.anchor);
    }
    if (!parts.anchor.empty()) {
      // An anchor that begins a part of this page when the page was split: that part's entry.
      TLinkTopic entry;
      if (context.FindEntry && context.FindEntry(Base.Url + u"#" + parts.anchor, entry)) {
        if (entry.ChapterNumber != Base.ChapterNumber) chapter = entry.ChapterNumber;
        return u"#" + entry.Bookmark;
      }
      return anchorReference(Base.Bookmark, Base.Url, parts.anchor);
    }
    return value;
  };

  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (skip) {
      skip = false;
      continue;
    }
    const bool inQuotedValue = inAnchorTag && inValue && quote != 0;
    if (readingTagName) {
      if (!IsBookmarkSeparator(c)) {
        tagName += c;
      } else {
        readingTagName = false;
        if (SameText(tagName, u"a")) {
          inAnchorTag = true;
          chapter.clear();
          attribute.clear();
        } else if (SameText(tagName, u"/a") && !chapter.empty()) {
          hintPending = true;
        }
      }
    }
    if (!inQuotedValue && !(inAnchorTag && inValue)) {
      if (c == u'<') {
        readingTagName = true;
        tagName.clear();
      } else if (c == u'>') {
        readingTagName = false;
        tagName.clear();
      }
    }
    if (!inAnchorTag) {
      out += c;
    } else if (inValue && quote != 0) {
      if (c == quote) {
        out += rewrite();
        out += c;
        inValue = false;
        quote = 0;
        attribute.clear();
        value.clear();
      } else {
        value += c;
      }
      continue;  // a '>' inside quotes does not end the tag here
    } else if (inValue) {
      if (IsBookmarkSeparator(c)) {
        out += rewrite();
        out += c;
        inValue = false;
        attribute.clear();
        value.clear();
      } else {
        value += c;
        continue;
      }
    } else if (c == u'=') {
      out += c;
      inValue = true;
      value.clear();
      if (i + 1 < text.size() && (text[i + 1] == u'"' || text[i + 1] == u'\'')) {
        quote = text[i + 1];
        out += quote;
        skip = true;
      }
    } else if (c == u' ' || c == u'\r' || c == u'\n' || c == u'\t') {
      attribute.clear();
      out += c;
    } else {
      if (c != u'>') attribute += c;
      out += c;
    }
    if (c == u'>') {
      if (hintPending) {
        if (context.AddHint) {
          // Marked, so that the document leaves it out where it would stand inside code.
          out += u"<span ";
          for (const char c : kHintAttribute) out += static_cast<char16_t>(c);
          out += u">(";
          out += ReplaceText(context.HintFormat, u"[Title No.]", chapter);
          out += u")</span>";
        }
        hintPending = false;
        chapter.clear();
      }
      inAnchorTag = false;
      attribute.clear();
    }
  }
  if (inAnchorTag && inValue) out += value;  // unfinished tag at the end: keep what was written
  return out;
}

}  // namespace tomeshift
