#include "word/import/html_import.h"

#include <algorithm>

#include "platform/cancellation.h"
#include "platform/errors.h"
#include "platform/file_system.h"
#include "platform/text_files.h"
#include "text/html_vocabulary.h"
#include "text/reference_resolver.h"
#include "text/text_utils.h"
#include "text/unicode.h"
#include "word/import/css/css_value.h"
#include "word/import/html_import_defaults.h"
#include "word/import/html_import_walker.h"
#include "word/model/bookmark_names.h"

namespace tomeshift::word {

namespace {

constexpr int kMaxImportDepth = 4;  // @import chains are followed this deep

bool IsBlockDisplay(CssDisplay d) {
  return d == CssDisplay::kBlock || d == CssDisplay::kListItem || d == CssDisplay::kTable ||
         d == CssDisplay::kTableRowGroup || d == CssDisplay::kTableRow || d == CssDisplay::kTableCell ||
         d == CssDisplay::kTableCaption;
}

int HeadingLevel(const std::string& tag) {
  return tag.size() == 2 && tag[0] == 'h' && tag[1] >= '1' && tag[1] <= '6' ? tag[1] - '0' : 0;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// "%20" and friends, as addresses in pages are written.
std::string PercentDecode(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '%' && i + 2 < s.size() && HexValue(s[i + 1]) >= 0 && HexValue(s[i + 2]) >= 0) {
      out.push_back(static_cast<char>(HexValue(s[i + 1]) * 16 + HexValue(s[i + 2])));
      i += 2;
    } else {
      out.push_back(s[i]);
    }
  }
  return out;
}

}  // namespace

HtmlImportWalker::HtmlImportWalker(DocModel& doc, std::u16string page_path, std::vector<HtmlImportWarning>* warnings)
    : doc_(doc), page_path_(std::move(page_path)), warnings_(warnings) {
  const PageSetupProps& page = doc_.final_section.page;
  double width = (page.width - page.left - page.right) / 20.0;
  if (width > 36) text_width_ = width;
}

void HtmlImportWalker::Warn(std::u16string message) {
  if (warnings_) warnings_->push_back(HtmlImportWarning{page_path_, std::move(message)});
}

std::u16string HtmlImportWalker::Resolve(std::string_view href, const std::u16string& referrer, const char16_t* what) {
  // The scratch folder the page was extracted to; a page outside every scratch folder (opened on its
  // own) may read beside and below itself only.
  if (root_.empty()) {
    root_ = ScratchFolderOf(page_path_);
    if (root_.empty()) {
      const std::size_t slash = page_path_.find_last_of(u"/\\");
      root_ = slash == std::u16string::npos ? std::u16string() : page_path_.substr(0, slash + 1);
    }
  }
  const std::u16string_view from =
      referrer.size() >= root_.size() ? std::u16string_view(referrer).substr(root_.size()) : std::u16string_view();
  const ResolvedReference r = ResolveReference(Utf8ToUtf16(href), from);
  if (r.kind == ResolvedReference::Kind::kInside) return root_ + r.path;
  if (r.kind == ResolvedReference::Kind::kRefused)
    Warn(std::u16string(what) + u" not read: " + r.decoded + u" (" + r.reason + u")");
  else if (r.kind == ResolvedReference::Kind::kWeb)
    Warn(std::u16string(what) + u" not linked (not a file of the help file): " + r.decoded);
  return {};
}

void HtmlImportWalker::LoadStyleSheetFile(const std::u16string& path, int depth) {
  if (path.empty() || depth > kMaxImportDepth) return;
  std::u16string key = AsciiLower(path);
  if (std::find(sheets_loaded_.begin(), sheets_loaded_.end(), key) != sheets_loaded_.end()) return;
  sheets_loaded_.push_back(key);
  std::u16string text;
  try {
    const std::optional<std::string> bytes = ReadConfinedFile(path, kMaxPageResourceBytes);
    if (!bytes) {
      Warn(u"Style sheet not found: " + path);
      return;
    }
    text = DecodeTextBytes(*bytes, u"", path);
  } catch (const TomeshiftError& e) {
    Warn(u"Style sheet not read: " + Utf8ToUtf16(e.what()));
    return;
  }
  auto sheet = CssParser::ParseStyleSheetShared(Utf16ToUtf8(text));
  // Imported sheets come first in the cascade; their addresses are relative to the importing sheet.
  for (const auto& address : sheet->imports) LoadStyleSheetFile(Resolve(address, path, u"Style sheet"), depth + 1);
  cascade_.AddStyleSheet(std::move(sheet));
}

void HtmlImportWalker::LoadStyleSheets(const GumboDocument& page) {
  std::vector<const HtmlNode*> stack{&page.root()};
  while (!stack.empty()) {
    const HtmlNode* n = stack.back();
    stack.pop_back();
    if (!n->IsElement()) continue;
    if (n->tag == "link") {
      std::string rel = AsciiLower(n->Attribute("rel"));
      std::string media = AsciiLower(n->Attribute("media"));
      bool screen =
          media.empty() || media.find("all") != std::string::npos || media.find("screen") != std::string::npos;
      if (rel.find("stylesheet") != std::string::npos && rel.find("alternate") == std::string::npos && screen) {
        LoadStyleSheetFile(Resolve(n->Attribute("href"), page_path_, u"Style sheet"), 0);
      }
    } else if (n->tag == "style") {
      std::string media = AsciiLower(n->Attribute("media"));
      bool screen =
          media.empty() || media.find("all") != std::string::npos || media.find("screen") != std::string::npos;
      std::string css;
      for (const HtmlNode* c : n->children) {
        if (!c->IsElement()) css += c->text;
      }
      if (screen) {
        auto sheet = CssParser::ParseStyleSheetShared(css);
        for (const auto& address : sheet->imports) LoadStyleSheetFile(Resolve(address, page_path_, u"Style sheet"), 1);
        cascade_.AddStyleSheet(std::move(sheet));
      }
    }
    for (auto it = n->children.rbegin(); it != n->children.rend(); ++it) stack.push_back(*it);
  }
}

void HtmlImportWalker::Run(const GumboDocument& page) {
  LoadStyleSheets(page);
  flows_.push_back(std::make_unique<Flow>(doc_, doc_.main));
  Block root;
  root.props.outline_level = 10;
  root.props.space_before = 0;
  root.props.space_after = 0;
  root.props.line_spacing = 240;
  flow().blocks.push_back(root);
  CssComputedStyle initial;
  Walk(page.root(), initial, 0);
  FinishFlow(flow());
  flows_.pop_back();
}

void HtmlImportWalker::FinishFlow(Flow& f) {
  // Called for the innermost flow only, which is the one EndParagraph works on.
  if (f.para_open) EndParagraph();
  f.builder.Finish();
}

CssComputedStyle HtmlImportWalker::StyleOf(const HtmlNode& e, const CssComputedStyle& parent,
                                           const std::vector<CssDeclaration>* more_hints) {
  std::vector<CssDeclaration> hints;
  if (more_hints) hints = *more_hints;
  if (!e.attributes.empty() || list_depth_ > 0) HtmlImportDefaults::AddHints(e, list_depth_, hints);
  static const std::vector<CssDeclaration> kNoStyle;
  const std::vector<CssDeclaration>* inline_style = &kNoStyle;
  if (const std::string* s = e.FindAttribute("style")) {
    // Generated pages repeat the same style attributes many times.
    auto it = inline_styles_.find(*s);
    if (it == inline_styles_.end()) it = inline_styles_.emplace(*s, CssParser::ParseDeclarations(*s)).first;
    inline_style = &it->second;
  }
  CssDeclared declared;
  cascade_.Cascade(e, HtmlImportDefaults::ForTag(e.tag), hints, *inline_style, declared);
  CssComputedStyle style = CssComputedStyle::Compute(parent, declared, text_width_);
  // Code stays code in whatever font the page sets it.
  if (e.tag == "pre" || e.tag == "code" || e.tag == "tt" || e.tag == "kbd" || e.tag == "samp" || e.tag == "listing" ||
      e.tag == "xmp" || e.tag == "plaintext")
    style.monospace = true;
  return style;
}

double HtmlImportWalker::IndentOf(const CssComputedStyle& s, int side) const {
  double v = s.margin[side] + s.padding[side] + (s.border[side].visible() ? s.border[side].width : 0);
  return v;
}

void HtmlImportWalker::Walk(const HtmlNode& node, const CssComputedStyle& parent, int depth) {
  if (!node.IsElement()) {
    Text(node.text, parent);
    return;
  }
  if (HtmlImportDefaults::IsNeverRendered(node.tag)) return;
  CheckCancel();
  if (depth > kMaxDepth) {
    WalkFlat(node, parent);
    return;
  }
  if (node.tag == "span" && node.FindAttribute(kHintAttribute)) {
    // A cross-reference hint is the document's text, not the page's: the page's style rules do not
    // reach it ("li span { display: none }"), and inside code (pre, code, tt, kbd, samp, or text in a
    // fixed-pitch font) it would corrupt what a reader copies.
    if (!parent.monospace) WalkChildren(node, parent, depth);
    return;
  }
  CssComputedStyle style = StyleOf(node, parent);
  if (style.display == CssDisplay::kNone) return;

  // Bookmarks: <a name> and id attributes.
  std::vector<std::u16string> marks;
  auto begin_bookmark = [&](std::string_view raw) {
    if (TrimCss(raw).empty()) return;
    std::u16string name = MapBookmarkName(Utf8ToUtf16(TrimCss(raw)));
    std::u16string key = AsciiLower(name);
    if (!bookmark_names_.insert(key).second) return;
    flow().builder.BeginBookmark(name);
    marks.push_back(std::move(name));
  };
  Flow* mark_flow = flows_.back().get();
  if (node.tag == "a") begin_bookmark(node.Attribute("name"));
  begin_bookmark(node.Attribute("id"));

  bool linked = false;
  if (node.tag == "a") {
    if (const std::string* href = node.FindAttribute("href")) {
      std::string_view h = TrimCss(*href);
      Link link;
      if (!h.empty() && h[0] == '#') {
        link.sub_address = Utf8ToUtf16(PercentDecode(h.substr(1)));
      } else if (!h.empty() && !(h.size() >= 11 && AsciiEqualsNoCase(h.substr(0, 11), "javascript:"))) {
        std::size_t hash = h.find('#');
        link.address = Utf8ToUtf16(h.substr(0, hash));
        if (hash != std::string_view::npos) link.sub_address = Utf8ToUtf16(PercentDecode(h.substr(hash + 1)));
      }
      if (!link.address.empty() || !link.sub_address.empty()) {
        links_.push_back(std::move(link));
        linked = true;
      }
    }
  }

  const std::string& tag = node.tag;
  int heading = HeadingLevel(tag);
  if (tag == "br") {
    LineBreak(style);
  } else if (tag == "img") {
    Picture(node, style);
  } else if (tag == "hr") {
    Rule(style);
  } else if (tag == "table" && style.display != CssDisplay::kInline) {
    TableElement(node, style, depth);
  } else if ((tag == "ul" || tag == "ol" || tag == "menu" || tag == "dir") && IsBlockDisplay(style.display)) {
    List(node, style, depth);
  } else if (heading && IsBlockDisplay(style.display)) {
    BeginBlock(node, style);
    Heading(heading, style);
    WalkChildren(node, style, depth);
    EndBlock(style);
  } else if (IsBlockDisplay(style.display) && tag != "html") {
    BeginBlock(node, style);
    const bool code = !code_ && style.white_space == CssWhiteSpace::kPre && flows_.size() == 1;
    if (code) BeginCode(node, style);
    WalkChildren(node, style, depth);
    EndBlock(style);
    if (code) code_.reset();
  } else {
    WalkChildren(node, style, depth);
  }

  if (linked) {
    if (flow().open_link == static_cast<int>(links_.size()) - 1) CloseLink();
    links_.pop_back();
  }
  if (flows_.back().get() == mark_flow) {
    for (const auto& m : marks) mark_flow->builder.EndBookmark(m);
  }
}

void HtmlImportWalker::WalkChildren(const HtmlNode& node, const CssComputedStyle& style, int depth) {
  for (const HtmlNode* child : node.children) Walk(*child, style, depth + 1);
}

void HtmlImportWalker::WalkFlat(const HtmlNode& node, const CssComputedStyle& style) {
  std::vector<const HtmlNode*> stack{&node};
  while (!stack.empty()) {
    const HtmlNode* n = stack.back();
    stack.pop_back();
    if (!n->IsElement()) {
      Text(n->text, style);
      continue;
    }
    if (HtmlImportDefaults::IsNeverRendered(n->tag)) continue;
    CheckCancel();
    if (n->tag == "br") LineBreak(style);
    for (auto it = n->children.rbegin(); it != n->children.rend(); ++it) stack.push_back(*it);
  }
}

// ---- Entry points ----

void HtmlImport::ImportText(std::u16string_view html, const std::u16string& path, DocModel& doc,
                            std::vector<HtmlImportWarning>* warnings) {
  // A web page opens on the word processor's web defaults: Times New Roman 12 pt, no spacing.
  int normal = doc.StyleByBuiltin(builtin::kNormal);
  if (normal >= 0) {
    StyleDef& def = doc.styles[static_cast<std::size_t>(normal)];
    def.run.font = u"Times New Roman";
    def.run.size = 24;
    def.para.space_after = 0;
    def.para.space_before = 0;
    def.para.line_spacing = 240;
  }
  GumboDocument page(Utf16ToUtf8(html));
  HtmlImportWalker walker(doc, path, warnings);
  walker.Run(page);
}

void HtmlImport::ImportFile(const std::u16string& path, DocModel& doc, std::vector<HtmlImportWarning>* warnings) {
  std::u16string text = LoadTextFile(path, u"");
  if (text.empty() && !FileSystem().FileExists(path)) throw FileError(Utf16ToUtf8(path), "The file does not exist.");
  ImportText(text, path, doc, warnings);
}

}  // namespace tomeshift::word
