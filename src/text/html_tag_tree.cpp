#include "text/html_tag_tree.h"

#include "text/html_vocabulary.h"
#include "text/path_helpers.h"
#include "text/text_utils.h"

namespace tomeshift {

namespace {

bool IsBlank(std::u16string_view text) {
  for (char16_t c : text)
    if (!IsWhitespace(c)) return false;
  return true;
}

}  // namespace

THtmlTag& THtmlTags::Add() {
  items_.push_back(std::make_unique<THtmlTag>());
  return *items_.back();
}

void THtmlTags::SetCount(int n) {
  if (n < 0) n = 0;
  if (static_cast<std::size_t>(n) < items_.size()) items_.resize(static_cast<std::size_t>(n));
}

void FoldTag(THtmlTag& element, THtmlTag& parent) {
  parent.InnerText += element.InnerText;
  parent.Inner.reserve(parent.Inner.size() + element.Start.size() + element.Inner.size() + element.Tail.size());
  parent.Inner += element.Start;
  parent.Inner += element.Inner;
  parent.Inner += element.Tail;
  parent.Blocks += element.Blocks;
  parent.CharCount += element.CharCount;
}

std::u16string CollapseWhitespace(std::u16string_view text) {
  std::u16string result;
  result.reserve(text.size());
  bool space = false;
  for (char16_t c : text) {
    if (IsWhitespace(c)) {
      space = true;
      continue;
    }
    if (space && !result.empty()) result += u' ';
    space = false;
    result += c;
  }
  return result;
}

std::u16string TrimWhitespace(std::u16string_view text) {
  std::size_t begin = 0, end = text.size();
  while (begin < end && IsWhitespace(text[begin])) ++begin;
  while (end > begin && IsWhitespace(text[end - 1])) --end;
  return std::u16string(text.substr(begin, end - begin));
}

TBodySplit SplitBody(std::u16string_view page) {
  TBodySplit split;
  // Forward: find the body start tag; the head part ends with the '>' that closes it.
  std::size_t headEnd = std::u16string_view::npos;  // index just past that '>'
  bool inName = false, bodyFound = false;
  std::u16string name;
  for (std::size_t n = 0; n < page.size(); ++n) {
    const char16_t c = page[n];
    if (bodyFound) {
      if (c == u'>') {
        headEnd = n + 1;
        break;
      }
      continue;
    }
    if (c == u'<') {
      inName = true;
      name.clear();
      continue;
    }
    if (!inName) continue;
    if (c == u' ' || c == u'>' || c == u'\r' || c == u'\n' || c == u'\t') {
      inName = false;
      if (SameText(name, u"body")) {
        bodyFound = true;
        if (c == u'>') {
          headEnd = n + 1;
          break;
        }
      }
      continue;
    }
    name += c;
  }
  if (headEnd == std::u16string_view::npos) {
    // No body start tag (or one that never closes): the whole page is the body.
    split.Body = page;
    return split;
  }

  // Backward: a candidate name starts at each 'y' and grows until a '<' proves it to be "/body".
  std::size_t tailStart = page.size();  // no end tag: the rest of the page is the body
  std::u16string candidate;             // kept reversed while growing
  bool open = false;
  for (std::size_t n = page.size(); n > headEnd; --n) {
    const char16_t c = page[n - 1];
    if (c == u'y' || c == u'Y') {
      candidate.assign(1, c);
      open = true;
      continue;
    }
    if (!open) continue;
    if (c == u'<') {
      if (candidate.size() == 5) {
        std::u16string forward(candidate.rbegin(), candidate.rend());
        if (SameText(forward, u"/body")) {
          tailStart = n - 1;
          break;
        }
      }
      continue;
    }
    candidate += c;
  }
  split.BeforeBody = page.substr(0, headEnd);
  split.Body = page.substr(headEnd, tailStart - headEnd);
  split.AfterBody = page.substr(tailStart);
  // A page with more than one body end tag: the body stops at the first.
  const std::size_t extra = LowerCase(split.Body).find(u"</body");
  if (extra != std::u16string::npos) split.Body.resize(extra);
  return split;
}

namespace {

// A title as a heading shows it: lower case, no-break spaces as plain ones, without the permalink sign
// some generators put behind it.
std::u16string TitleText(std::u16string_view text) {
  std::u16string lower = LowerCase(text);
  for (char16_t& c : lower)
    if (c == u'\u00A0') c = u' ';
  while (!lower.empty() && (lower.back() == u'\u00B6' || IsWhitespace(lower.back()))) lower.pop_back();
  return lower;
}

}  // namespace

bool TitlesMatch(std::u16string_view text, std::u16string_view title) {
  const std::u16string a = TitleText(text), b = TitleText(title);
  if (a == b) return true;
  const std::u16string& longer = a.size() >= b.size() ? a : b;
  const std::u16string& shorter = a.size() >= b.size() ? b : a;
  const double gap = static_cast<double>(longer.size() - shorter.size()) / static_cast<double>(longer.size());
  return gap < 0.4 && longer.find(shorter) != std::u16string::npos;
}

std::u16string BalanceTableFragment(std::u16string_view fragment) {
  std::u16string result(fragment);

  // The last tag: read backward from its '>' to its '<'; the name is the word right after '<'.
  std::u16string last;  // reversed
  bool inTag = false, complete = false;
  for (std::size_t n = fragment.size(); n > 0 && !complete; --n) {
    const char16_t c = fragment[n - 1];
    if (c == u'>') {
      inTag = true;
      last.clear();
    } else if (!inTag) {
      continue;
    } else if (c == u'<') {
      complete = true;
    } else if (IsWhitespace(c)) {
      last.clear();
    } else {
      last += c;
    }
  }
  if (complete) {
    std::u16string name(last.rbegin(), last.rend());
    if (!name.empty() && name.front() == u'/') name.erase(0, 1);
    if (SameText(name, u"tr"))
      result += u"</table>";
    else if (SameText(name, u"td"))
      result += u"</tr></table>";
  }

  // The first tag: the name runs from '<' to the first whitespace and is complete at the first '>'.
  std::u16string first;
  bool inName = false;
  for (char16_t c : fragment) {
    if (c == u'>') break;
    if (c == u'<') {
      inName = true;
      first.clear();
    } else if (inName) {
      if (IsWhitespace(c))
        inName = false;
      else
        first += c;
    }
  }
  if (!first.empty() && first.front() == u'/') first.erase(0, 1);
  if (SameText(first, u"tr"))
    result.insert(0, u"<table>");
  else if (SameText(first, u"td"))
    result.insert(0, u"<table><tr>");
  return result;
}

namespace {

// Closing an element copies its collected content into its parent, so every level of nesting costs
// a copy of what lies below it. Deeper start tags are kept as plain tags of the innermost element
// (as browsers stop nesting at 512 levels), which bounds the time and memory a hostile page takes.
constexpr int kMaxSectionElements = 512;

void ReleaseText(THtmlTag& element) {
  std::u16string().swap(element.Inner);
  std::u16string().swap(element.InnerText);
}

}  // namespace

std::u16string DistillSection(std::u16string_view section, std::u16string_view title) {
  THtmlTags tags;
  tags.Add().Name = u"Root";
  THtmlTag* heading = &tags[0];  // the root is never folded, so it stands for "no heading yet"
  std::u16string tagText, tagName, block, result;
  bool inTag = false, inName = false, titleSearch = true, titleDropped = false;
  std::uint32_t threshold = 5;

  for (const char16_t c : section) {
    THtmlTag& current = tags.Last();
    if (c == u'<') {
      if (!tagText.empty()) current.Inner += tagText;  // a '<' that never closed is text
      inTag = inName = true;
      tagName.clear();
      tagText.assign(1, u'<');
      continue;
    }
    if (c == u'>' && inTag) {
      inTag = inName = false;
      tagText += u'>';
      if (tagName.empty()) {
        tagText.clear();
        continue;
      }
      const bool endTag = tagName.front() == u'/';
      const std::u16string name = endTag ? tagName.substr(1) : tagName;
      if (IsBreakTag(name)) {
        const std::u16string text = Trim(DecodeHtmlEntities(CollapseWhitespace(block)));
        if (!text.empty() && titleSearch) {
          titleDropped = TitlesMatch(text, title);
          // A definition term is the entry's own text, not its heading: an API signature
          // ("class sphinx.Builder(app)") that the entry only names.
          const bool isTitle = titleDropped || (text.size() <= 49 && text.back() != u'.' && text.back() != u':' &&
                                                !SameText(current.Name, u"dt"));
          if (isTitle) heading = &current;
          titleSearch = false;
        }
        block.clear();
      }
      if (!endTag) {
        if (IsEmptyTag(name) || tags.GetCount() >= kMaxSectionElements) {
          current.Inner += tagText;
        } else {
          const bool nonDoc = current.NonDoc || IsNonDocumentTag(name);
          THtmlTag& element = tags.Add();
          element.Name = name;
          element.Start = tagText;
          element.Block = IsBreakTag(name);
          element.NonDoc = nonDoc;
        }
      } else {
        int k = tags.GetCount() - 1;
        while (k > 0 && !SameText(tags[k].Name, name)) --k;
        if (k > 0) {
          THtmlTag& closed = tags[k];
          closed.Tail = tagText;
          bool headingClosed = false;
          for (int n = tags.GetCount() - 1; n >= k; --n) {
            if (&tags[n] == heading) {
              // The heading and whatever came before it in its parent are dropped.
              tags[n - 1].Inner.clear();
              heading = &tags[n - 1];
              headingClosed = headingClosed || n == k;
            } else {
              FoldTag(tags[n], tags[n - 1]);
            }
            // Its content lives on in the parent; a cascade of closes must not keep every copy.
            if (n > k) ReleaseText(tags[n]);
          }
          // The dropped heading is never the section, though a short section holds fewer characters
          // than its title ("&#9670;&nbsp;Height" above "float Height").
          if (!headingClosed && closed.CharCount > threshold) {
            result = closed.Start + closed.Inner + closed.Tail;
            threshold = closed.CharCount + 5;
            heading = nullptr;
          }
          tags.SetCount(k);
        }
      }
      tagText.clear();
      continue;
    }
    if (inTag) {
      if (inName) {
        if (IsWhitespace(c))
          inName = false;
        else
          tagName += c;
      }
      tagText += c;
      continue;
    }
    current.InnerText += c;
    current.Inner += c;
    if (!current.NonDoc) {
      block += c;
      if (!IsWhitespace(c)) ++current.CharCount;
    }
  }

  for (int n = tags.GetCount() - 1; n > 0; --n) {
    THtmlTag& element = tags[n];
    FoldTag(element, tags[n - 1]);
    if (IsBreakTag(element.Name) && element.CharCount > threshold) {
      result = element.Start + element.Inner + u"</" + element.Name + u">";
      threshold = element.CharCount + 5;
    }
    ReleaseText(element);
  }
  tags.SetCount(1);
  const THtmlTag& root = tags[0];
  if (root.CharCount > threshold) result = root.Inner;
  if (IsBlank(result)) result = IsBlank(root.Inner) ? std::u16string(section) : root.Inner;
  // A section that holds nothing but its title (an enumeration value's row) adds nothing to its heading.
  if (titleDropped) {
    std::u16string visible;
    bool inMarkup = false;
    for (const char16_t c : result) {
      if (c == u'<') inMarkup = true;
      if (!inMarkup) visible += c;
      if (c == u'>') inMarkup = false;
    }
    visible = Trim(DecodeHtmlEntities(CollapseWhitespace(visible)));
    const bool pictures = ContainsText(result, u"<img");
    if ((visible.empty() && !pictures) || (!pictures && TitleText(visible) == TitleText(title))) return {};
  }
  return BalanceTableFragment(result);
}

}  // namespace tomeshift
