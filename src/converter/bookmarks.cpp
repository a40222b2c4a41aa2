#include "converter/bookmarks.h"

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

// One left-to-right pass over a body: hands every attribute of every anchor start tag to onAttribute
// (name, value, block start) and keeps the block start (1-based) where the enclosing block begins.
template <typename OnAttribute>
void ScanAnchors(std::u16string_view body, OnAttribute&& onAttribute) {
  std::uint32_t blockStart = 1, tagStart = 0;
  bool inName = false, inAnchor = false, inValue = false, quoteNext = false;
  char16_t quote = 0;
  std::u16string name, attribute, value;
  const auto endValue = [&] {
    onAttribute(attribute, value, blockStart);
    attribute.clear();
    value.clear();
    inValue = false;
    quote = 0;
  };
  for (std::size_t n = 0; n < body.size(); ++n) {
    const char16_t c = body[n];
    const auto pos = static_cast<std::uint32_t>(n + 1);
    if (inAnchor) {
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
          if (c == u'>') inAnchor = false;
        } else {
          value += c;
        }
        continue;
      }
      if (c == u'>') {
        inAnchor = false;
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
      if (SameText(name, u"a") && c != u'>') {
        inAnchor = true;
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
  ScanAnchors(Body, [this](const std::u16string& attribute, const std::u16string& value, std::uint32_t) {
    if (!value.empty() && SameText(attribute, u"name")) Anchors.Add(std::u16string(WithoutHash(value)));
  });
}

void TChmTopicFile::ProcessBookmarks() {
  ScanAnchors(Body, [this](const std::u16string& attribute, const std::u16string& value, std::uint32_t blockStart) {
    if (!SameText(attribute, u"name")) return;
    if (TBookmark* bookmark = Bookmarks.GetItemByName(value)) bookmark->Position = blockStart;
  });
}

void TChmTopicFile::SplitFileByBookmark() {
  for (int x = Bookmarks.Count() - 1; x >= 0; --x) {
    const TBookmark& bookmark = Bookmarks[x];
    const std::size_t start = bookmark.Position < 1 ? 0 : bookmark.Position - 1;
    std::u16string section;
    if (start < Body.size()) {
      if (x == Bookmarks.Count() - 1) {
        section = Body.substr(start);
      } else {
        // Measured from where the section really starts: a bookmark left at 0 must not take the first
        // character of the next section with it.
        const std::int64_t length = std::int64_t{Bookmarks[x + 1].Position} - static_cast<std::int64_t>(start + 1);
        if (length > 0) section = Body.substr(start, static_cast<std::size_t>(length));
      }
    }
    section = DistillSection(section, bookmark.Title);
    WritePageText(BeforeBody + section + AfterBody, SectionFileName(Filename, x));
  }
}

}  // namespace tomeshift
