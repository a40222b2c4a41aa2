#include "converter/chm_topic_file.h"

#include <algorithm>
#include <optional>

#include "converter/authoring_tools.h"
#include "converter/navigation_blocks.h"
#include "platform/text_files.h"
#include "text/html_vocabulary.h"
#include "text/path_helpers.h"
#include "text/text_utils.h"

namespace tomeshift {

namespace {

// Closing an element copies its collected content into its parent, so every level of nesting costs
// a copy of what lies below it. Deeper start tags are kept as plain tags of the innermost element
// (as browsers stop nesting at 512 levels), which bounds the time and memory a hostile page takes.
constexpr int kMaxOpenElements = 512;

bool IsBlank(std::u16string_view text) {
  for (char16_t c : text)
    if (!IsWhitespace(c)) return false;
  return true;
}

// A block of no-break spaces alone (an empty cell of a navigation table, "&nbsp;") shows the reader
// nothing: it is passed like an empty one, or a page whose bar lacks one link would stop there.
bool ShowsNothing(std::u16string_view text) {
  for (char16_t c : text)
    if (c > u' ' && c != u'\u00A0') return false;
  return true;
}

// Removes a trailing '/' and a leading one; the latter marks an end tag.
bool StripSlashes(std::u16string& name) {
  if (!name.empty() && name.back() == u'/') name.pop_back();
  if (!name.empty() && name.front() == u'/') {
    name.erase(0, 1);
    return true;
  }
  return false;
}

// Delphi's Copy: a start below 1 counts as 1, a count below 1 gives nothing.
std::u16string CopyText(std::u16string_view text, std::int64_t start, std::int64_t count) {
  if (start < 1) start = 1;
  if (count <= 0 || start > static_cast<std::int64_t>(text.size())) return {};
  return std::u16string(text.substr(static_cast<std::size_t>(start - 1), static_cast<std::size_t>(count)));
}

}  // namespace

std::optional<bool> IsSimilarLoweredWithin(std::u16string_view s1, std::u16string_view s2, std::size_t limit,
                                           std::size_t& steps) {
  if (s1.empty() || s2.empty()) return false;
  const std::size_t n1 = s1.size(), n2 = s2.size();
  if (n1 == n2) {
    steps += n1;
    if (s1 == s2) return true;
  }
  if (n1 < 5 || n2 < 5) return false;
  if ((n1 > n2 ? n1 - n2 : n2 - n1) > 50) return false;
  const std::u16string_view a = n2 < n1 ? s2 : s1;  // the shorter, the first when equal
  const std::u16string_view b = n2 < n1 ? s1 : s2;
  const std::size_t n = a.size(), m = b.size();
  // Each character of a is looked for in b from just after the last match; a miss ends the current
  // run, and a character b does not hold from there on is given up. Runs of three or more count.
  std::size_t t = 0, r = 0, q = 0;
  for (std::size_t p = 0; p < n; ++p) {
    // Even if every remaining character matched, could the share still pass 80 percent?
    if (5 * (t + r + (n - p)) <= 4 * n) return false;
    if (steps > limit) return std::nullopt;
    const char16_t ch = a[p];
    std::size_t k = q;
    while (k < m && b[k] != ch) ++k;
    steps += k - q + 1;
    if (k < m) {
      if (k > q) {
        if (r >= 3) t += r;
        r = 0;
      }
      ++r;
      q = k + 1;
    } else if (q < m) {
      if (r >= 3) t += r;
      r = 0;
    }
  }
  if (r >= 3) t += r;
  return 5 * t > 4 * n;  // t / n > 0.8
}

bool IsSimilarLowered(std::u16string_view s1, std::u16string_view s2) {
  std::size_t steps = 0;
  return *IsSimilarLoweredWithin(s1, s2, static_cast<std::size_t>(-1), steps);
}

bool IsSimilarText(std::u16string_view S1, std::u16string_view S2) {
  if (S1.empty() || S2.empty()) return false;
  return IsSimilarLowered(LowerCase(S1), LowerCase(S2));
}

TChmTopicFile::TChmTopicFile() = default;

TChmTopicFile::TChmTopicFile(std::u16string_view TopicFile, TCHMDistill* owner, std::u16string_view Title)
    : Owner(owner), Filename(TopicFile), Title1(Title) {
  LoadPageText(ReadPageText(Filename, u""));
}

TChmTopicFile::~TChmTopicFile() = default;

void TChmTopicFile::LoadPageText(std::u16string_view page) {
  TBodySplit split = SplitBody(PreprocessForSpecialHelpAuthoringTools(page));
  BeforeBody = std::move(split.BeforeBody);
  Body = std::move(split.Body);
  AfterBody = std::move(split.AfterBody);
  Title2 = TrimWhitespace(DecodeHtmlEntities(GetPageTitle(BeforeBody)));
  h = static_cast<std::int32_t>(Body.size());
  L = 0;
  SamePointL = 0;
  SamePointH = h;
}

std::u16string TChmTopicFile::PreprocessForSpecialHelpAuthoringTools(std::u16string_view Source) {
  return tomeshift::PreprocessForSpecialHelpAuthoringTools(Source);
}

void TChmTopicFile::IniticalizeTags() {
  Tags.Clear();
  Tags.Add().Name = u"Root";
  CurrentIndex = 0;
  FindText = false;
  TagAll.clear();
  TagName.clear();
  Text.clear();
}

// The break tag a block ended at has been passed: the unique part cannot start before it.
void TChmTopicFile::PassBreakTagDown() {
  SamePointL = i - static_cast<std::int32_t>(TagAll.size()) + 1;
  blockBegin_ = static_cast<std::size_t>(i);
  Text.clear();
}

std::u16string_view TChmTopicFile::CurrentBlock() const {
  const std::size_t end = std::min(blockEnd_, Body.size());
  return blockBegin_ < end ? std::u16string_view(Body).substr(blockBegin_, end - blockBegin_) : std::u16string_view();
}

void TChmTopicFile::FollowTagDown() {
  if (Tags.GetCount() == 0) IniticalizeTags();
  if (IsStartTag) {
    if (IsEmptyTag(TagName)) return;
    const bool nonDoc = Tags.Last().NonDoc || IsNonDocumentTag(TagName);
    THtmlTag& element = Tags.Add();
    element.Name = TagName;
    element.Start = TagAll;
    element.Block = IsBreakTag(TagName);
    element.NonDoc = nonDoc;
  } else {
    int k = Tags.GetCount() - 1;
    while (k > 0 && !SameText(Tags[k].Name, TagName)) --k;
    if (k == 0) return;
    Tags.SetCount(k);
  }
  CurrentIndex = Tags.GetCount() - 1;
}

void TChmTopicFile::SearchDown() {
  if (Tags.GetCount() == 0) IniticalizeTags();
  bool resume = FindText;
  if (FindText) {
    FindText = false;
  } else {
    Text.clear();
    blockBegin_ = static_cast<std::size_t>(std::max(i - 1, 0));
  }
  blockEnd_ = static_cast<std::size_t>(std::max(h, 0));
  for (; i <= h; ++i) {
    if (resume) {
      resume = false;
      PassBreakTagDown();
      FollowTagDown();
      TagAll.clear();
      continue;
    }
    const char16_t c = Body[static_cast<std::size_t>(i - 1)];
    if (c == u'<') {
      InTag = IsTagName = true;
      TagName.clear();
      TagAll.assign(1, u'<');
      continue;
    }
    if (c == u'>' && InTag) {
      InTag = IsTagName = false;
      TagAll += u'>';
      if (!TagName.empty()) {
        IsStartTag = !StripSlashes(TagName);
        if (SameText(TagName, u"img")) {
          const std::u16string file = PictureFileName(TagAll);
          if (!IsNavigationPicture(file)) Text += file;
        }
        if (IsBreakTag(TagName)) {
          Text = Trim(DecodeHtmlEntities(CollapseWhitespace(Text)));
          if (!ShowsNothing(Text)) {
            FindText = true;
            blockEnd_ = static_cast<std::size_t>(i) - TagAll.size();
            return;
          }
          PassBreakTagDown();
        }
        FollowTagDown();
      }
      TagAll.clear();
      continue;
    }
    if (InTag) {
      if (IsTagName) {
        if (IsWhitespace(c))
          IsTagName = false;
        else
          TagName += c;
      }
      TagAll += c;
      continue;
    }
    if (!Tags.Last().NonDoc) Text += c;
  }
}

void TChmTopicFile::SearchUp() {
  reversedText_.clear();
  blockEnd_ = static_cast<std::size_t>(std::max(i, 0));
  if (FindText) {
    SamePointH = i;
    blockEnd_ = static_cast<std::size_t>(std::max(i - 1, 0));
    --i;
  }
  blockBegin_ = 0;
  Text.clear();
  // Both are gathered backwards and turned round once: inserting at the front would make a long
  // tag cost time quadratic in its length.
  std::u16string reversedTag, reversedName;
  for (; i > 0; --i) {
    const char16_t c = Body[static_cast<std::size_t>(i - 1)];
    if (c == u'>') {
      InTag = IsTagName = true;
      TagName.clear();
      reversedName.clear();
      reversedTag.assign(1, u'>');
      continue;
    }
    if (c == u'<' && InTag) {
      InTag = IsTagName = false;
      reversedTag += u'<';
      TagAll.assign(reversedTag.rbegin(), reversedTag.rend());
      TagName.assign(reversedName.rbegin(), reversedName.rend());
      if (TagName.empty()) continue;
      IsStartTag = !StripSlashes(TagName);
      if (SameText(TagName, u"img")) {
        const std::u16string file = PictureFileName(TagAll);
        if (!IsNavigationPicture(file)) reversedText_.append(file.rbegin(), file.rend());
      }
      if (IsBreakTag(TagName)) {
        const std::u16string gathered(reversedText_.rbegin(), reversedText_.rend());
        Text = TrimWhitespace(DecodeHtmlEntities(CollapseWhitespace(gathered)));
        if (!ShowsNothing(Text)) {
          FindText = true;
          blockBegin_ = static_cast<std::size_t>(i - 1) + TagAll.size();
          return;
        }
        SamePointH = i;
        blockEnd_ = static_cast<std::size_t>(i - 1);
        reversedText_.clear();
      }
      continue;
    }
    if (InTag) {
      if (IsWhitespace(c))
        reversedName.clear();
      else
        reversedName += c;
      reversedTag += c;
      continue;
    }
    reversedText_ += c;
  }
  if (InTag) TagName.assign(reversedName.rbegin(), reversedName.rend());
  Text.assign(reversedText_.rbegin(), reversedText_.rend());
}

bool TChmTopicFile::IsTitle(std::u16string_view) const {
  return IsSimilarText(Text, Title1) || IsSimilarText(Text, Title2);
}

std::u16string TChmTopicFile::Distiller() const {
  THtmlTags tags;
  tags.Add().Name = u"Root";
  THtmlTag* heading = nullptr;
  std::u16string tagText, name, block, result;
  bool inTag = false, inName = false, big = false, titleFound = TitleFound;
  std::uint32_t threshold = 100;
  const auto raise = [&threshold](std::uint32_t count) { threshold = count + (count <= 300 ? 10 : 60); };
  // Folding e into p: tags of elements opened inside the common head are dropped, their content kept.
  const auto fold = [](THtmlTag& e, THtmlTag& p, bool withTags) {
    p.InnerText += e.InnerText;
    if (withTags) p.Inner += e.Start;
    p.Inner += e.Inner;
    if (withTags) p.Inner += e.Tail;
    p.Blocks += e.Blocks;
    p.CharCount = p.Hide ? 0 : p.CharCount + e.CharCount;
  };

  const std::int32_t length = static_cast<std::int32_t>(Body.size());
  for (std::int32_t pos = 1; pos <= length; ++pos) {
    const char16_t c = Body[static_cast<std::size_t>(pos - 1)];
    THtmlTag& current = tags.Last();
    if (c == u'<') {
      inTag = inName = true;
      name.clear();
      if (pos > SamePointL && !tagText.empty()) current.Inner += tagText;  // a '<' that never closed
      tagText.assign(1, u'<');
      continue;
    }
    if (c == u'>' && inTag) {
      inTag = inName = false;
      tagText += u'>';
      if (name.empty() || name == u"/") {
        tagText.clear();
        continue;
      }
      std::u16string tag = name;
      const bool endTag = StripSlashes(tag);
      if (!big) {
        std::uint64_t sum = 0;
        for (int n = 0; n < tags.GetCount(); ++n) sum += tags[n].CharCount;
        big = sum > 200;
      }
      if (IsBreakTag(tag)) {
        block = Trim(DecodeHtmlEntities(CollapseWhitespace(block)));
        if (!block.empty() && !titleFound && !big && (IsSimilar(block, Title1) || IsSimilar(block, Title2))) {
          // The page's own title: it and all that came before it go.
          titleFound = true;
          heading = &current;
          for (int n = 0; n < tags.GetCount(); ++n) tags[n].Inner.clear();
        }
        block.clear();
      }
      if (!endTag && (IsEmptyTag(tag) || tags.GetCount() >= kMaxOpenElements)) {
        if (SamePointL < pos && pos <= SamePointH) {
          current.Inner += tagText;
          if (!current.Hide && SameText(tag, u"img") && !IsNavigationPicture(PictureFileName(tagText)))
            current.CharCount += 150;
        }
      } else if (!endTag) {
        const bool nonDoc = current.NonDoc || IsNonDocumentTag(tag);
        THtmlTag& element = tags.Add();
        element.Hide = ContainsText(tagText, u"display:none");
        element.Name = std::move(tag);
        element.Start = tagText;
        element.Block = IsBlockTag(element.Name);
        element.NonDoc = nonDoc;
        element.NotCut = pos < SamePointH;
        element.InTop = pos > SamePointL;
      } else {
        int k = tags.GetCount() - 1;
        while (k > 0 && !SameText(tags[k].Name, tag)) --k;
        if (k == 0) {
          current.Inner += tagText;
        } else {
          THtmlTag& closed = tags[k];
          closed.Tail = tagText;
          if (pos >= SamePointL && closed.NotCut) {
            if (closed.CharCount > threshold) {
              result = closed.Start + closed.Inner + closed.Tail;
              raise(closed.CharCount);
              big = true;
              heading = nullptr;
            }
            for (int n = tags.GetCount() - 1; n >= k; --n) {
              if (&tags[n] == heading) {
                tags[n - 1].Inner.clear();
                heading = &tags[n - 1];
              } else {
                fold(tags[n], tags[n - 1], tags[n].InTop || n == k);
              }
              // Its content lives on in the parent; a cascade of closes must not keep every copy.
              std::u16string().swap(tags[n].Inner);
              std::u16string().swap(tags[n].InnerText);
            }
          }
          for (int n = k; n < tags.GetCount(); ++n)
            if (&tags[n] == heading) heading = nullptr;
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
          name += c;
      }
      tagText += c;
      continue;
    }
    if (SamePointL <= pos && pos < SamePointH) {
      current.InnerText += c;
      current.Inner += c;
      if (!current.NonDoc) {
        block += c;
        if (!IsWhitespace(c) && !current.Hide) ++current.CharCount;
      }
    }
  }

  // Elements still open at the end compete only when they are blocks.
  for (int n = tags.GetCount() - 1; n > 0; --n) {
    THtmlTag& element = tags[n];
    if (!element.NotCut) continue;
    fold(element, tags[n - 1], element.InTop);
    if (IsBlockTag(element.Name) && element.CharCount > threshold) {
      result = element.Start + element.Inner + u"</" + element.Name + u">";
      raise(element.CharCount);
    }
    std::u16string().swap(element.Inner);
    std::u16string().swap(element.InnerText);
  }
  tags.SetCount(1);
  const THtmlTag& root = tags[0];
  if (root.CharCount > threshold) result = root.Inner;
  if (IsBlank(result)) {
    result = root.Inner;
    if (IsBlank(result)) result = CopyText(Body, std::max(SamePointL, 1), std::int64_t{SamePointH} - SamePointL);
  }
  return result;
}

}  // namespace tomeshift
