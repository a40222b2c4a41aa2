#include "converter/navigation_blocks.h"

#include <algorithm>
#include <cstdint>

#include "converter/chapter_numbers.h"
#include "converter/chm_topic_file.h"
#include "text/html_tag_tree.h"
#include "text/html_vocabulary.h"
#include "text/path_helpers.h"
#include "text/text_utils.h"

namespace tomeshift {

namespace {

// Deeper elements are taken as plain tags of the innermost one, as the distiller does.
constexpr std::size_t kMaxOpenElements = 512;

// Besides the links, a navigation line holds a few words per gap ("Next:", "Up:") and no sentence.
constexpr int kMaxWordsPerGap = 3;

bool IsLetter(char16_t c) {
  if (c < 0x80) return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
  // Latin-1 signs (« » © ¶ ·), general punctuation, arrows and other symbols are separators.
  if (c < 0xC0 || c == 0xD7 || c == 0xF7) return false;
  if (c >= 0x2000 && c <= 0x2BFF) return false;
  return c != kLinkMark && !(c >= 0xD800 && c <= 0xDFFF) && c != 0xFEFF;
}

// The tag's name as written, without '<', '/' and attributes.
std::u16string_view TagName(std::u16string_view tag) {
  std::size_t at = 1;
  if (at < tag.size() && tag[at] == u'/') ++at;
  std::size_t end = at;
  while (end < tag.size() && !IsWhitespace(tag[end]) && tag[end] != u'>' && tag[end] != u'/') ++end;
  return tag.substr(at, end - at);
}

bool IsEndTag(std::u16string_view tag) { return tag.size() > 1 && tag[1] == u'/'; }

// Whether the tag carries the attribute at all: a link with an empty href is still a link.
bool HasAttribute(std::u16string_view tag, std::u16string_view name) {
  const std::u16string lower = LowerCase(tag);
  for (std::size_t at = lower.find(name); at != std::u16string::npos; at = lower.find(name, at + 1)) {
    if (at == 0 || !IsWhitespace(lower[at - 1])) continue;
    std::size_t after = at + name.size();
    while (after < lower.size() && IsWhitespace(lower[after])) ++after;
    if (after < lower.size() && lower[after] == u'=') return true;
  }
  return false;
}

enum class BlockKind { Empty, Navigation, ContentsList, EntryTitle, Caption, Content };

int HexValue(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

// No-break spaces as plain ones: generators put them between "Chapter", its number and the title.
std::u16string PlainSpaces(std::u16string text) {
  for (char16_t& c : text)
    if (c == u'\u00A0') c = u' ';
  return text;
}

// "&#x41E;" as the character it stands for: some tools write every letter so, and the entity decoder
// leaves hexadecimal references as they are.
std::u16string DecodeHexReferences(std::u16string_view text) {
  std::u16string out;
  out.reserve(text.size());
  for (std::size_t at = 0; at < text.size();) {
    if (text[at] == u'&' && at + 3 < text.size() && text[at + 1] == u'#' &&
        (text[at + 2] == u'x' || text[at + 2] == u'X')) {
      std::size_t end = at + 3;
      char32_t code = 0;
      while (end < text.size() && end < at + 9 && HexValue(text[end]) >= 0) code = code * 16 + HexValue(text[end++]);
      if (end > at + 3 && code != 0 && code <= 0x10FFFF && !(code >= 0xD800 && code <= 0xDFFF)) {
        if (code < 0x10000) {
          out += static_cast<char16_t>(code);
        } else {
          code -= 0x10000;
          out += static_cast<char16_t>(0xD800 + (code >> 10));
          out += static_cast<char16_t>(0xDC00 + (code & 0x3FF));
        }
        at = end < text.size() && text[end] == u';' ? end + 1 : end;
        continue;
      }
    }
    out += text[at++];
  }
  return out;
}

}  // namespace

std::u16string PictureFileName(std::u16string_view tagText) {
  const std::u16string src = GetAttributeValue(tagText, u"src");
  const std::size_t cut = src.find_last_of(u"\\/:");
  return cut == std::u16string::npos ? src : src.substr(cut + 1);
}

bool IsNavigationPicture(std::u16string_view fileName) {
  const std::u16string lower = LowerCase(fileName);
  return lower.find(u"prev") != std::u16string::npos || lower.find(u"next") != std::u16string::npos;
}

TBlockShape ShapeOfBlock(std::u16string_view markup) {
  TBlockShape shape;
  std::u16string raw;
  bool inLink = false;
  int hidden = 0;  // open non-document elements (script, style): their text is no block text
  for (std::size_t at = 0; at < markup.size();) {
    const char16_t c = markup[at];
    if (c != u'<') {
      if (!inLink && hidden == 0) raw += c;
      ++at;
      continue;
    }
    const std::size_t close = markup.find(u'>', at);
    if (close == std::u16string_view::npos) break;
    const std::u16string_view tag = markup.substr(at, close + 1 - at);
    at = close + 1;
    const std::u16string_view name = TagName(tag);
    if (name.empty()) continue;
    const bool end = IsEndTag(tag);
    if (SameText(name, u"a")) {
      if (end) {
        inLink = false;
      } else if (HasAttribute(tag, u"href")) {
        inLink = true;
        shape.Links.push_back(GetAttributeValue(tag, u"href"));
        raw += kLinkMark;
      }
    } else if (SameText(name, u"img")) {
      const std::u16string file = PictureFileName(tag);
      if (!inLink && hidden == 0 && !IsNavigationPicture(file)) raw += u' ' + file + u' ';
    } else if (IsNonDocumentTag(name) && !IsEmptyTag(name)) {
      if (!end)
        ++hidden;
      else if (hidden > 0)
        --hidden;
    }
  }
  shape.Text = LowerCase(
      Trim(CollapseWhitespace(PlainSpaces(DecodeHexReferences(DecodeHtmlEntities(CollapseWhitespace(raw)))))));

  // Words between the links: tokens holding a letter or a digit; "Next:" is one, "»" and "|" none.
  int gapWords = 0, words = 0;
  bool inWord = false, wordHasLetter = false, wordHasDigit = false, sentence = false;
  const auto endWord = [&] {
    if (inWord && (wordHasLetter || wordHasDigit)) {
      ++gapWords;
      ++words;
      if (wordHasLetter) shape.FixedWords = true;
    }
    inWord = wordHasLetter = wordHasDigit = false;
  };
  for (const char16_t c : shape.Text) {
    if (c != kLinkMark && !IsWhitespace(c)) shape.FixedMarks = true;
    if (c == kLinkMark || IsWhitespace(c)) {
      endWord();
      if (c == kLinkMark) {
        sentence = sentence || gapWords > kMaxWordsPerGap;
        gapWords = 0;
      }
      continue;
    }
    inWord = true;
    wordHasLetter = wordHasLetter || IsLetter(c);
    wordHasDigit = wordHasDigit || IsDigit(c);
  }
  endWord();
  sentence = sentence || gapWords > kMaxWordsPerGap;
  const auto links = static_cast<int>(shape.Links.size());
  shape.LinkLine = links > 0 && !sentence && words <= 2 * links + kMaxWordsPerGap;
  return shape;
}

bool SimilarShapes(const TBlockShape& a, const TBlockShape& b) {
  return a.LinkLine && b.LinkLine && IsSimilarLowered(a.Text, b.Text);
}

std::u16string CutNavigationElements(std::u16string_view body, const TNavigationCut& cut) {
  struct Open {
    std::u16string_view name;
    std::size_t start = 0;  // its '<'
    int navigation = 0, contentsLinks = 0, entryTitles = 0, captions = 0, content = 0;
  };
  const auto classify = [&cut](std::u16string_view markup) {
    const TBlockShape shape = ShapeOfBlock(markup);
    if (shape.Text.empty()) return BlockKind::Empty;
    // Links to the page's own top ("#") lead nowhere in print.
    if (shape.LinkLine && std::all_of(shape.Links.begin(), shape.Links.end(), [](const std::u16string& link) {
          return Trim(link).empty() || Trim(link) == u"#";
        }))
      return BlockKind::Navigation;
    if (shape.LinkLine && shape.FixedWords) {
      for (const TBlockShape& known : cut.Shapes)
        if (SimilarShapes(shape, known)) return BlockKind::Navigation;
      return BlockKind::Content;
    }
    if (shape.LinkLine) {
      if (!cut.IsContentsLink) return BlockKind::Content;
      for (const std::u16string& link : shape.Links)
        if (!cut.IsContentsLink(link)) return BlockKind::Content;
      return BlockKind::ContentsList;
    }
    if (shape.Links.empty() && cut.IsContentsTitle && cut.IsContentsTitle(TitleKey(shape.Text)))
      return BlockKind::EntryTitle;
    if (shape.Links.empty()) {
      int words = 0;
      bool inWord = false;
      for (const char16_t c : shape.Text) {
        if (IsWhitespace(c)) {
          inWord = false;
        } else if (!inWord) {
          inWord = true;
          ++words;
        }
      }
      if (words <= kMaxWordsPerGap) return BlockKind::Caption;
    }
    return BlockKind::Content;
  };
  // A caption counts only above the links it names.
  const auto addCaptions = [](Open& element, int captions) {
    if (element.navigation + element.contentsLinks > 0)
      element.content += captions;
    else
      element.captions += captions;
  };
  const auto credit = [&](Open& element, BlockKind kind) {
    switch (kind) {
      case BlockKind::Empty:
        break;
      case BlockKind::Navigation:
        ++element.navigation;
        break;
      case BlockKind::ContentsList:
        ++element.contentsLinks;
        break;
      case BlockKind::EntryTitle:
        ++element.entryTitles;
        break;
      case BlockKind::Caption:
        addCaptions(element, 1);
        break;
      case BlockKind::Content:
        ++element.content;
        break;
    }
  };
  const auto fold = [&](const Open& child, Open& parent) {
    addCaptions(parent, child.captions);
    parent.navigation += child.navigation;
    parent.contentsLinks += child.contentsLinks;
    parent.entryTitles += child.entryTitles;
    parent.content += child.content;
  };
  const auto isNavigation = [](const Open& e) {
    // Titles without their links go with a list that links at least once (a bar naming its neighbours),
    // never alone: a list of plain titles may be the page's own text.
    return e.content == 0 && e.captions <= 1 &&
           (e.navigation > 0 || e.contentsLinks >= 2 || (e.contentsLinks >= 1 && e.contentsLinks + e.entryTitles >= 2));
  };

  std::vector<Open> open(1);                              // the root
  std::vector<std::pair<std::size_t, std::size_t>> cuts;  // [from, to), outermost only, in order
  std::size_t blockStart = 0;
  for (std::size_t at = 0; at < body.size();) {
    if (body[at] != u'<') {
      ++at;
      continue;
    }
    const std::size_t close = body.find(u'>', at);
    if (close == std::u16string_view::npos) break;
    const std::u16string_view tag = body.substr(at, close + 1 - at);
    const std::u16string_view name = TagName(tag);
    const std::size_t tagStart = at;
    at = close + 1;
    if (name.empty()) continue;
    if (IsBreakTag(name)) {
      credit(open.back(), classify(body.substr(blockStart, tagStart - blockStart)));
      blockStart = at;
    }
    if (!IsEndTag(tag)) {
      if (!IsEmptyTag(name) && open.size() < kMaxOpenElements) open.push_back(Open{name, tagStart});
      continue;
    }
    std::size_t k = open.size() - 1;
    while (k > 0 && !SameText(open[k].name, name)) --k;
    if (k == 0) continue;
    // Elements left open inside it end with it; only one that closes itself can be cut.
    while (open.size() - 1 > k) {
      fold(open.back(), open[open.size() - 2]);
      open.pop_back();
    }
    const Open element = open.back();
    open.pop_back();
    if (isNavigation(element)) {
      while (!cuts.empty() && cuts.back().first >= element.start) cuts.pop_back();
      cuts.emplace_back(element.start, at);
    }
    fold(element, open.back());
  }
  if (cuts.empty()) return std::u16string(body);
  std::u16string result;
  result.reserve(body.size());
  std::size_t from = 0;
  for (const auto& [start, end] : cuts) {
    result.append(body.substr(from, start - from));
    from = end;
  }
  result.append(body.substr(from));
  return result;
}

std::u16string DropTitleBlock(std::u16string_view body, const std::vector<std::u16string>& titles) {
  std::size_t blockStart = 0, previousTag = std::u16string_view::npos;
  int hidden = 0;  // open non-document elements (script, style)
  std::u16string text;
  for (std::size_t at = 0; at < body.size();) {
    if (body[at] != u'<') {
      if (hidden == 0) text += body[at];
      ++at;
      continue;
    }
    const std::size_t close = body.find(u'>', at);
    if (close == std::u16string_view::npos) break;
    const std::u16string_view tag = body.substr(at, close + 1 - at);
    const std::u16string_view name = TagName(tag);
    const std::size_t tagStart = at;
    at = close + 1;
    if (name.empty()) continue;
    if (IsNonDocumentTag(name) && !IsEmptyTag(name)) {
      if (!IsEndTag(tag))
        ++hidden;
      else if (hidden > 0)
        --hidden;
    }
    if (!IsBreakTag(name)) continue;
    const std::u16string block = Trim(DecodeHtmlEntities(CollapseWhitespace(text)));
    if (block.empty()) {
      previousTag = tagStart;
      blockStart = at;
      text.clear();
      continue;
    }
    const std::u16string key = TitleKey(block);
    bool repeats = false;
    for (const std::u16string& title : titles) repeats = repeats || (!key.empty() && key == TitleKey(title));
    if (!repeats) return std::u16string(body);
    std::size_t from = blockStart, to = tagStart;
    if (previousTag != std::u16string_view::npos && IsEndTag(tag)) {
      const std::u16string_view opener = body.substr(previousTag, blockStart - previousTag);
      if (!IsEndTag(opener) && SameText(TagName(opener), name)) from = previousTag, to = at;
    }
    return std::u16string(body.substr(0, from)) + std::u16string(body.substr(to));
  }
  return std::u16string(body);
}

std::u16string TitleKey(std::u16string_view title) {
  std::u16string key = LowerCase(Trim(CollapseWhitespace(PlainSpaces(DecodeHexReferences(title)))));
  // Permalink signs that generators put behind headings.
  while (!key.empty() &&
         (key.back() == u'\u00B6' || key.back() == u'\u00A7' || key.back() == u'#' || IsWhitespace(key.back())))
    key.pop_back();
  // Numbers are read in capitals ("a.1." is the appendix number "A.1.").
  const std::u16string upper = UpperCase(key);
  std::u16string_view rest = upper;
  std::size_t skip = OwnChapterNumber(rest).size();
  if (skip == 0) {
    // "Chapter 2. Daily use", "Appendix A. Commands": a word before the number.
    const std::size_t blank = rest.find(u' ');
    if (blank != std::u16string_view::npos) {
      const std::size_t number = OwnChapterNumber(rest.substr(blank + 1)).size();
      if (number > 0) skip = blank + 1 + number;
    }
  }
  if (upper.size() != key.size()) return key;
  return Trim(std::u16string_view(key).substr(skip));
}

}  // namespace tomeshift
