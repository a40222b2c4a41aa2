#include "converter/bookmarks.h"

#include <algorithm>
#include <string>

#include "converter/chm_topic_file.h"
#include "platform/text_files.h"
#include "text/html_tag_tree.h"
#include "text/html_vocabulary.h"
#include "text/text_utils.h"

namespace tomeshift {

namespace {

std::u16string_view WithoutHash(std::u16string_view name) {
  if (!name.empty() && name.front() == u'#') name.remove_prefix(1);
  return name;
}

bool EndsTagName(char16_t c) { return c == u' ' || c == u'>' || c == u'\r' || c == u'\n' || c == u'\t'; }

// One left-to-right pass over a body: hands every attribute of every start tag to onAttribute (whether
// the tag is an A element, name, value, block start) and keeps the block start (1-based) where the
// enclosing block begins.
template <typename OnAttribute>
void ScanAnchors(std::u16string_view body, OnAttribute&& onAttribute) {
  std::uint32_t blockStart = 1, tagStart = 0;
  bool inName = false, inTag = false, anchorTag = false, inValue = false, quoteNext = false;
  char16_t quote = 0;
  std::u16string name, attribute, value;
  const auto endValue = [&] {
    onAttribute(anchorTag, attribute, value, blockStart);
    attribute.clear();
    value.clear();
    inValue = false;
    quote = 0;
  };
  for (std::size_t n = 0; n < body.size(); ++n) {
    const char16_t c = body[n];
    const auto pos = static_cast<std::uint32_t>(n + 1);
    if (inTag) {
      if (quoteNext) {
        quoteNext = false;
        inValue = true;
        if (c == u'"' || c == u'\'') {
          quote = c;
          continue;
        }
      }
      if (inValue) {
        if (quote != 0) {
          if (c == quote)
            endValue();
          else
            value += c;
          continue;
        }
        if (IsWhitespace(c) || c == u'>') {
          endValue();
          if (c == u'>') inTag = false;
        } else {
          value += c;
        }
        continue;
      }
      if (c == u'>') {
        inTag = false;
        attribute.clear();
      } else if (IsWhitespace(c)) {
        attribute.clear();
      } else if (c == u'=') {
        value.clear();
        quoteNext = true;
      } else {
        attribute += c;
      }
      continue;
    }
    if (c == u'<') {
      tagStart = pos;
      inName = true;
      name.clear();
      continue;
    }
    if (inName) {
      if (!EndsTagName(c)) {
        name += c;
        continue;
      }
      inName = false;
      if (!name.empty() && name.front() == u'/') {
        if (IsBreakTag(std::u16string_view(name).substr(1))) blockStart = pos + 1;
      } else if (IsBreakTag(name)) {
        blockStart = tagStart;
      }
      // Attributes of start tags only: not of end tags, comments or declarations.
      if (c != u'>' && !name.empty() && name.front() != u'/' && name.front() != u'!' && name.front() != u'?') {
        inTag = true;
        anchorTag = SameText(name, u"a");
        attribute.clear();
        value.clear();
      }
    }
    if (c == u'>') name.clear();
  }
}

// "page.htm" and index 2 give "page_2.htm"; the extension is taken from the file name only.
std::u16string SectionFileName(std::u16string_view filename, int index) {
  const std::size_t slash = filename.find_last_of(u"\\/:");
  const std::size_t dot = filename.find_last_of(u'.');
  const bool hasExtension = dot != std::u16string_view::npos && (slash == std::u16string_view::npos || dot > slash);
  const std::size_t stem = hasExtension ? dot : filename.size();
  std::u16string result(filename.substr(0, stem));
  result += u'_';
  for (char ch : std::to_string(index)) result += static_cast<char16_t>(ch);
  result += filename.substr(stem);
  return result;
}

}  // namespace

TBookmark& TBookmarks::Add(std::u16string name, std::u16string title) {
  auto item = std::make_unique<TBookmark>();
  item->Name = std::move(name);
  item->Title = std::move(title);
  items_.push_back(std::move(item));
  return *items_.back();
}

int TBookmarks::GetItemIdByName(std::u16string_view name) const {
  name = WithoutHash(name);
  if (name.empty()) return -1;
  for (std::size_t n = 0; n < items_.size(); ++n)
    if (SameText(items_[n]->Name, name)) return static_cast<int>(n);
  return -1;
}

TBookmark* TBookmarks::GetItemByName(std::u16string_view name) const {
  const int index = GetItemIdByName(name);
  return index < 0 ? nullptr : items_[static_cast<std::size_t>(index)].get();
}

void TBookmarks::Sort() {
  const std::size_t n = items_.size();
  for (std::size_t a = 0; a + 1 < n; ++a)
    for (std::size_t b = a + 1; b < n; ++b)
      if (items_[b]->Position < items_[a]->Position) std::swap(items_[a], items_[b]);
}

void TChmTopicFile::FindAnchors() {
  Anchors.Clear();
  ScanAnchors(Body,
              [this](bool anchorTag, const std::u16string& attribute, const std::u16string& value, std::uint32_t) {
                if (anchorTag && !value.empty() && SameText(attribute, u"name"))
                  Anchors.Add(std::u16string(WithoutHash(value)));
              });
}

void TChmTopicFile::ProcessBookmarks() {
  AnchorBlocks.clear();
  // Generators mark sections with an id on the section's element as often as with <a name>.
  ScanAnchors(Body, [this](bool anchorTag, const std::u16string& attribute, const std::u16string& value,
                           std::uint32_t blockStart) {
    if (!(anchorTag && SameText(attribute, u"name")) && !SameText(attribute, u"id")) return;
    const std::u16string_view name = WithoutHash(value);
    if (name.empty()) return;
    // The first of two anchors of one name is where a browser goes.
    if (!AnchorBlocks.try_emplace(UpperCase(name), blockStart).second) return;
    if (TBookmark* bookmark = Bookmarks.GetItemByName(name)) bookmark->Position = blockStart;
  });
}

std::uint32_t TChmTopicFile::FirstSectionStart() const {
  for (int x = 0; x < Bookmarks.Count(); ++x)
    if (Bookmarks[x].Position >= 1) return Bookmarks[x].Position;
  return 0;
}

std::u16string TChmTopicFile::Preamble() const {
  const std::uint32_t first = FirstSectionStart();
  return first == 0 ? Body : Body.substr(0, std::min<std::size_t>(first - 1, Body.size()));
}

void TChmTopicFile::SplitFileByBookmark() {
  // Each text once: a section runs from its anchor's block to the next section. The text before the
  // first section belongs to the entry that names the whole page (the page file keeps it, see
  // Preamble); when none does, the first section takes it. A bookmark whose anchor is not in the page
  // gets nothing, unless it is that first section.
  const int count = Bookmarks.Count();
  for (int x = count - 1; x >= 0; --x) {
    const TBookmark& bookmark = Bookmarks[x];
    const bool takesPreamble = x == 0 && !NamedWithoutAnchor;
    std::u16string section;
    if (bookmark.Position >= 1 || takesPreamble) {
      const std::size_t start = takesPreamble ? 0 : bookmark.Position - 1;
      std::size_t end = Body.size();
      for (int next = x + 1; next < count; ++next) {
        if (Bookmarks[next].Position >= 1) {
          end = Bookmarks[next].Position - 1;
          break;
        }
      }
      if (start < end && start < Body.size()) section = Body.substr(start, std::min(end, Body.size()) - start);
    }
    section = DistillSection(section, bookmark.Title);
    WritePageText(BeforeBody + section + AfterBody, SectionFileName(Filename, x));
  }
}

}  // namespace tomeshift
