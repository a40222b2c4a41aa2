// Lists of a page: one numbering definition per list element, its items and their markers.
#include <algorithm>
#include <cstdlib>

#include "text/text_utils.h"
#include "text/unicode.h"
#include "word/import/html_import_walker.h"
#include "word/model/bookmark_names.h"
#include "word/model/twips.h"

namespace tomeshift::word {

void HtmlImportWalker::List(const HtmlNode& e, const CssComputedStyle& style, int depth) {
  PutPendingMarker();
  BeginBlock(e, style);
  // One numbering definition per list element, so that every list counts from its own start.
  ListDef def;
  static constexpr const char16_t* kBullets[] = {u"\u2022", u"o", u"\u25AA"};
  for (int level = 0; level < 9; ++level) {
    ListLevel l;
    l.format = "bullet";
    l.text = kBullets[level % 3];
    def.levels.push_back(l);
  }
  int level = std::min(list_depth_, 8);
  ListLevel& l = def.levels[static_cast<std::size_t>(level)];
  const std::string& type = style.list_style_type;
  std::u16string number_text = u"%" + Utf8ToUtf16(std::to_string(level + 1)) + u".";
  bool numbered = true;
  if (type == "decimal")
    l.format = "decimal";
  else if (type == "decimal-leading-zero")
    l.format = "decimalZero";
  else if (type == "lower-alpha" || type == "lower-latin")
    l.format = "lowerLetter";
  else if (type == "upper-alpha" || type == "upper-latin")
    l.format = "upperLetter";
  else if (type == "lower-roman")
    l.format = "lowerRoman";
  else if (type == "upper-roman")
    l.format = "upperRoman";
  else {
    numbered = false;
    if (type == "circle")
      l.text = u"o";
    else if (type == "square")
      l.text = u"\u25AA";
    else if (type == "none")
      l.format = "none", l.text = u"";
    else
      l.text = u"\u2022";
  }
  if (numbered) l.text = number_text;
  if (const std::string* start = e.FindAttribute("start")) {
    char* end = nullptr;
    long v = std::strtol(start->c_str(), &end, 10);
    if (end != start->c_str()) l.start = static_cast<int>(std::clamp(v, 0L, 32767L));
  }
  doc_.lists.push_back(std::move(def));
  int num_id = static_cast<int>(doc_.lists.size());

  ++list_depth_;
  for (const HtmlNode* child : e.children) {
    if (child->IsElement() && child->tag == "li") {
      if (depth + 1 > kMaxDepth) {
        WalkFlat(*child, style);
        continue;
      }
      CssComputedStyle item = StyleOf(*child, style);
      if (item.display == CssDisplay::kNone) continue;
      if (const std::string* value = child->FindAttribute("value"); value && numbered) {
        // The item and those after it count on from its value: a definition of their own.
        char* end = nullptr;
        const long v = std::strtol(value->c_str(), &end, 10);
        if (end != value->c_str()) {
          ListDef restarted = doc_.lists[static_cast<std::size_t>(num_id - 1)];
          restarted.levels[static_cast<std::size_t>(level)].start = static_cast<int>(std::clamp(v, 0L, 32767L));
          doc_.lists.push_back(std::move(restarted));
          num_id = static_cast<int>(doc_.lists.size());
        }
      }
      BeginBlock(*child, item);
      Block& b = flow().blocks.back();
      if (item.list_style_type != "none" && item.display == CssDisplay::kListItem) {
        b.props.num_id = num_id;
        b.props.num_level = level;
        b.number_pending = true;
        // The marker hangs in the list's left padding, as browsers draw it.
        b.props.indent_first = -Twips(std::min(18.0, IndentOf(style, 3)));
      }
      // Bookmarks and links of the item itself.
      std::string_view id = child->Attribute("id");
      std::u16string bookmark;
      if (!TrimCss(id).empty()) {
        std::u16string name = MapBookmarkName(Utf8ToUtf16(TrimCss(id)));
        if (bookmark_names_.insert(AsciiLower(name)).second) {
          bookmark = std::move(name);
          flow().builder.BeginBookmark(bookmark);
        }
      }
      WalkChildren(*child, item, depth + 1);
      if (flow().blocks.back().number_pending) {
        // An empty item still shows its marker.
        EnsureParagraph();
      }
      EndBlock(item);
      if (!bookmark.empty()) flow().builder.EndBookmark(bookmark);
    } else {
      Walk(*child, style, depth + 1);
    }
  }
  --list_depth_;
  EndBlock(style);
}

}  // namespace tomeshift::word
