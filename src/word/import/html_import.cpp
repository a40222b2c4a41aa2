#include "word/import/html_import.h"

#include <algorithm>
#include <cmath>
#include <mutex>
#include <unordered_map>

#include "platform/cancellation.h"
#include "platform/errors.h"
#include "platform/file_system.h"
#include "platform/text_files.h"
#include "text/reference_resolver.h"
#include "text/unicode.h"
#include "word/image/image_info.h"
#include "word/import/css/css_value.h"
#include "word/import/html_import_defaults.h"
#include "word/import/html_import_walker.h"
#include "word/model/bookmark_names.h"

namespace tomeshift::word {

namespace {

// Deeper nesting than this is flattened: its text is kept with the formatting reached so far.
constexpr int kMaxDepth = 200;
constexpr int kMaxImportDepth = 4;

int Twips(double points) { return static_cast<int>(std::lround(points * 20)); }

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }

bool IsBlockDisplay(CssDisplay d) {
  return d == CssDisplay::kBlock || d == CssDisplay::kListItem || d == CssDisplay::kTable ||
         d == CssDisplay::kTableRowGroup || d == CssDisplay::kTableRow || d == CssDisplay::kTableCell ||
         d == CssDisplay::kTableCaption;
}

int HeadingLevel(const std::string& tag) {
  return tag.size() == 2 && tag[0] == 'h' && tag[1] >= '1' && tag[1] <= '6' ? tag[1] - '0' : 0;
}

// The nearest of the word processor's highlight colours, for text backgrounds.
std::string HighlightFor(std::uint32_t rgb) {
  struct Named {
    const char* name;
    std::uint32_t rgb;
  };
  static constexpr Named kHighlights[] = {{"yellow", 0xFFFF00},      {"green", 0x00FF00},     {"cyan", 0x00FFFF},
                                          {"magenta", 0xFF00FF},     {"blue", 0x0000FF},      {"red", 0xFF0000},
                                          {"darkBlue", 0x000080},    {"darkCyan", 0x008080},  {"darkGreen", 0x008000},
                                          {"darkMagenta", 0x800080}, {"darkRed", 0x800000},   {"darkYellow", 0x808000},
                                          {"darkGray", 0x808080},    {"lightGray", 0xC0C0C0}, {"black", 0x000000}};
  if (rgb == kCssTransparent || rgb == 0xFFFFFF) return {};
  const Named* best = nullptr;
  long best_d = 0;
  for (const auto& h : kHighlights) {
    long dr = static_cast<long>((rgb >> 16) & 0xFF) - static_cast<long>((h.rgb >> 16) & 0xFF);
    long dg = static_cast<long>((rgb >> 8) & 0xFF) - static_cast<long>((h.rgb >> 8) & 0xFF);
    long db = static_cast<long>(rgb & 0xFF) - static_cast<long>(h.rgb & 0xFF);
    long d = dr * dr + dg * dg + db * db;
    if (!best || d < best_d) best = &h, best_d = d;
  }
  // Very light tints (code listing backgrounds) would become loud colours; leave them out.
  if (((rgb >> 16) & 0xFF) > 0xE0 && ((rgb >> 8) & 0xFF) > 0xE0 && (rgb & 0xFF) > 0xE0) return {};
  return best->name;
}

std::u16string Lower16(std::u16string_view s) {
  std::u16string out(s);
  for (auto& c : out) {
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c + 32);
  }
  return out;
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

std::u16string ApplyTransform(std::u16string text, std::int8_t transform, bool word_start) {
  if (transform == 1) {
    for (auto& c : text) {
      if ((c >= u'a' && c <= u'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7)) c = static_cast<char16_t>(c - 32);
    }
  } else if (transform == 2) {
    for (auto& c : text) {
      if ((c >= u'A' && c <= u'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7)) c = static_cast<char16_t>(c + 32);
    }
  } else if (transform == 3) {
    bool start = word_start;
    for (auto& c : text) {
      if (start && c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - 32);
      start = c == u' ' || c == u'\t' || c == u'-';
    }
  }
  return text;
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
  std::u16string key = Lower16(path);
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
        for (const auto& address : sheet->imports)
          LoadStyleSheetFile(Resolve(address, page_path_, u"Style sheet"), 1);
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

CssComputedStyle HtmlImportWalker::StyleOf(const HtmlNode& e, const CssComputedStyle& parent) {
  std::vector<CssDeclaration> hints;
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
  return CssComputedStyle::Compute(parent, declared, text_width_);
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
  CssComputedStyle style = StyleOf(node, parent);
  if (style.display == CssDisplay::kNone) return;

  // Bookmarks: <a name> and id attributes.
  std::vector<std::u16string> marks;
  auto begin_bookmark = [&](std::string_view raw) {
    if (TrimCss(raw).empty()) return;
    std::u16string name = MapBookmarkName(Utf8ToUtf16(TrimCss(raw)));
    std::u16string key = Lower16(name);
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
    WalkChildren(node, style, depth);
    EndBlock(style);
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

// ---- Paragraph flow ----

void HtmlImportWalker::BeginBlock(const HtmlNode& e, const CssComputedStyle& style) {
  Flow& f = flow();
  EndParagraph();
  const Block& outer = f.blocks.back();
  Block b;
  b.props = outer.props;
  b.props.num_id = 0;
  b.props.num_level = 0;
  b.props.indent_first.reset();
  b.props.shading = kAutoColor;
  b.props.indent_left = outer.props.indent_left.value_or(0) + Twips(IndentOf(style, 3));
  b.props.indent_right = outer.props.indent_right.value_or(0) + Twips(IndentOf(style, 1));
  if (style.margin_auto[1] && style.margin_auto[3] && style.width && style.width->unit != CssLength::Unit::kAuto) {
    // A centred block of fixed width: indent both sides alike.
    double w = style.width->ToPoints(style.font_size, text_width_);
    int side = std::max(0, Twips((text_width_ - w) / 2));
    b.props.indent_left = outer.props.indent_left.value_or(0) + side;
    b.props.indent_right = outer.props.indent_right.value_or(0) + side;
  }
  b.props.alignment = style.text_align;
  if (style.text_indent != 0) b.props.indent_first = Twips(style.text_indent);
  std::uint32_t background =
      style.background != kCssTransparent ? style.background : static_cast<std::uint32_t>(outer.props.shading);
  if (outer.props.shading == kAutoColor && style.background == kCssTransparent)
    b.props.shading = kAutoColor;
  else
    b.props.shading = static_cast<std::int32_t>(background & 0xFFFFFF);
  b.props.style = 0;
  b.props.outline_level = 10;
  b.marks_at_start = f.marks;
  f.pending_before = std::max(f.pending_before, style.margin[0] + style.padding[0]);
  (void)e;
  f.blocks.push_back(b);
}

void HtmlImportWalker::EndBlock(const CssComputedStyle& style) {
  Flow& f = flow();
  EndParagraph();
  Block b = f.blocks.back();
  if (f.blocks.size() > 1) f.blocks.pop_back();
  double after = style.margin[2] + style.padding[2];
  if (f.marks > b.marks_at_start && f.last_mark) {
    // The bottom margin goes under the block's last paragraph, collapsing with margins already there.
    std::size_t pos = *f.last_mark;
    ParaProps p = doc_.para(f.story.attr(pos).fmt);
    int twips = Twips(after);
    if (twips > p.space_after.value_or(0)) {
      p.space_after = twips;
      f.story.set_attr(pos, CharAttr{doc_.InternPara(p), f.story.attr(pos).obj});
    }
    f.pending_before = 0;
  } else {
    f.pending_before = std::max(f.pending_before, after);
  }
}

void HtmlImportWalker::Heading(int level, const CssComputedStyle& style) {
  Block& b = flow().blocks.back();
  int index = doc_.StyleByBuiltin(builtin::kHeading1 + 1 - level);
  if (index >= 0) b.props.style = index;
  // The level comes from the style, so that a heading set back to Normal becomes body text.
  b.props.outline_level = index >= 0 ? 0 : static_cast<std::int8_t>(level);
  b.props.keep_next = 1;
  // The page's heading look defines its heading style, as the word processor does with h1..h6 rules;
  // the first heading of each level decides.
  if (index >= 0 && !heading_styled_[level]) {
    heading_styled_[level] = true;
    StyleDef& def = doc_.styles[static_cast<std::size_t>(index)];
    def.run = RunFor(style);
    def.run.underline = 0;
    def.para.alignment = style.text_align;
    def.para.outline_level = static_cast<std::int8_t>(level);
  }
}

void HtmlImportWalker::EnsureParagraph() {
  Flow& f = flow();
  if (f.para_open) return;
  f.para_open = true;
  f.at_line_start = true;
  f.pending_space = false;
  Block& b = f.blocks.back();
  f.para = b.props;
  if (b.number_pending) {
    b.number_pending = false;
  } else {
    f.para.num_id = 0;
    f.para.num_level = 0;
  }
  int before = Twips(f.pending_before);
  if (f.last_mark) {
    // Margins collapse: only what exceeds the space under the previous paragraph is added.
    before -= doc_.para(f.story.attr(*f.last_mark).fmt).space_after.value_or(0);
  }
  f.para.space_before = std::max(0, before);
  f.para.space_after = 0;
  f.para.line_spacing = 240;
  f.pending_before = 0;
}

void HtmlImportWalker::EndParagraph() {
  Flow& f = flow();
  if (!f.para_open) return;
  CloseLink();
  // A line break that ends a paragraph adds no line in a browser.
  std::size_t n = f.story.size();
  if (n > 0 && f.story.at(n - 1) == ch::kLineBreak && !(n > 1 && f.story.at(n - 2) == ch::kLineBreak)) {
    f.builder.EraseLast();
  }
  f.builder.EndParagraph(f.para);
  f.last_mark = f.story.size() - 1;
  ++f.marks;
  f.para_open = false;
  f.pending_space = false;
  f.at_line_start = true;
}

void HtmlImportWalker::SyncLink() {
  Flow& f = flow();
  int want = static_cast<int>(links_.size()) - 1;
  if (f.open_link == want) return;
  CloseLink();
  if (want >= 0) {
    f.builder.BeginHyperlink(links_[static_cast<std::size_t>(want)].address,
                             links_[static_cast<std::size_t>(want)].sub_address);
    f.open_link = want;
  }
}

void HtmlImportWalker::CloseLink() {
  Flow& f = flow();
  if (f.open_link < 0) return;
  f.builder.EndHyperlink();
  f.open_link = -1;
}

RunProps HtmlImportWalker::RunFor(const CssComputedStyle& s) const {
  RunProps r;
  r.font = Utf8ToUtf16(s.font_family);
  r.size = std::max(2, static_cast<int>(std::lround(s.font_size * 2)));
  r.color = static_cast<std::int32_t>(s.color & 0xFFFFFF);
  r.bold = s.bold ? 1 : 0;
  r.italic = s.italic ? 1 : 0;
  r.underline = s.underline ? 1 : 0;
  r.strike = s.strike ? 1 : 0;
  r.vert_align = s.vertical_align;
  r.highlight = HighlightFor(s.text_background);
  return r;
}

void HtmlImportWalker::FlushSpace() {
  Flow& f = flow();
  if (!f.pending_space) return;
  f.pending_space = false;
  f.builder.Text(u" ", f.space_run);
}

void HtmlImportWalker::Text(std::string_view utf8, const CssComputedStyle& style) {
  if (utf8.empty() || style.hidden) return;
  Flow& f = flow();
  RunProps run;
  bool have_run = false;
  auto run_props = [&]() -> const RunProps& {
    if (!have_run) run = RunFor(style), have_run = true;
    return run;
  };
  bool keep_spaces = style.white_space == CssWhiteSpace::kPre || style.white_space == CssWhiteSpace::kPreWrap;
  bool keep_lines = keep_spaces || style.white_space == CssWhiteSpace::kPreLine;
  std::size_t i = 0;
  while (i < utf8.size()) {
    if (keep_spaces && (utf8[i] == '\n' || utf8[i] == '\t' || utf8[i] == '\r')) {
      if (utf8[i] == '\n') {
        LineBreak(style);
      } else if (utf8[i] == '\t') {
        EnsureParagraph();
        FlushSpace();
        SyncLink();
        f.builder.Tab(run_props());
        f.at_line_start = false;
      }
      ++i;
      continue;
    }
    if (!keep_spaces && IsSpace(utf8[i])) {
      bool newline = false;
      while (i < utf8.size() && IsSpace(utf8[i])) newline = newline || utf8[i] == '\n', ++i;
      if (keep_lines && newline) {
        LineBreak(style);
      } else if (f.para_open && !f.at_line_start) {
        if (!f.pending_space) f.space_run = run_props();
        f.pending_space = true;
      }
      continue;
    }
    std::size_t j = i;
    if (keep_spaces) {
      while (j < utf8.size() && utf8[j] != '\n' && utf8[j] != '\t' && utf8[j] != '\r') ++j;
    } else {
      while (j < utf8.size() && !IsSpace(utf8[j])) ++j;
    }
    EnsureParagraph();
    FlushSpace();
    SyncLink();
    std::u16string text = Utf8ToUtf16(utf8.substr(i, j - i));
    if (style.text_transform) text = ApplyTransform(std::move(text), style.text_transform, f.at_line_start || i > 0);
    f.builder.Text(text, run_props());
    f.at_line_start = false;
    i = j;
  }
}

void HtmlImportWalker::LineBreak(const CssComputedStyle& style) {
  Flow& f = flow();
  EnsureParagraph();
  f.pending_space = false;
  SyncLink();
  f.builder.LineBreak(RunFor(style));
  f.at_line_start = true;
}

void HtmlImportWalker::Rule(const CssComputedStyle& style) {
  // A horizontal rule is an empty paragraph with a border underneath.
  Flow& f = flow();
  EndParagraph();
  f.pending_before = std::max(f.pending_before, style.margin[0]);
  EnsureParagraph();
  f.para.num_id = 0;
  f.para.alignment = 0;
  HrBorder(f.para, style);
  EndParagraph();
  f.pending_before = std::max(f.pending_before, style.margin[2]);
}

// ---- Pictures ----

namespace {

// Natural sizes by path and file size, process-wide: the pages of a help file share their pictures,
// and reading a large picture for its header on every page would dominate the import.
struct PictureSizeCache {
  std::mutex mutex;
  std::unordered_map<std::u16string, std::pair<std::uint64_t, std::pair<double, double>>> sizes;
};

PictureSizeCache& PictureSizes() {
  static PictureSizeCache cache;
  return cache;
}

std::optional<std::pair<double, double>> CachedPictureSize(const std::u16string& key, std::uint64_t size) {
  PictureSizeCache& c = PictureSizes();
  std::lock_guard<std::mutex> lock(c.mutex);
  auto it = c.sizes.find(key);
  if (it == c.sizes.end() || it->second.first != size) return std::nullopt;
  return it->second.second;
}

void RememberPictureSize(const std::u16string& key, std::uint64_t size, std::pair<double, double> natural) {
  PictureSizeCache& c = PictureSizes();
  std::lock_guard<std::mutex> lock(c.mutex);
  if (c.sizes.size() > 4096) c.sizes.clear();
  c.sizes[key] = {size, natural};
}

}  // namespace

std::optional<std::pair<double, double>> HtmlImportWalker::PictureSize(const std::u16string& path,
                                                                       std::string_view src) {
  std::u16string key = Lower16(path);
  std::optional<std::uint64_t> size;
  try {
    size = FileSystem().FileSize(path);
  } catch (const TomeshiftError&) {
  }
  if (!size) {
    Warn(u"Picture not found: " + Utf8ToUtf16(src) + u" (" + path + u")");
    return std::nullopt;
  }
  if (auto natural = CachedPictureSize(key, *size)) return natural;
  std::optional<std::string> bytes;
  try {
    bytes = ReadConfinedFile(path, kMaxPageResourceBytes);
  } catch (const TomeshiftError& err) {
    Warn(u"Picture not read: " + Utf8ToUtf16(err.what()));
    return std::nullopt;
  }
  if (!bytes) {
    Warn(u"Picture not found: " + Utf8ToUtf16(src) + u" (" + path + u")");
    return std::nullopt;
  }
  auto info = ReadImageInfo(*bytes);
  if (!info) {
    Warn(u"Picture not recognised: " + Utf8ToUtf16(src) + u" (" + path + u")");
    return std::nullopt;
  }
  // Browsers show pictures at 96 pixels to the inch whatever the file records.
  std::pair<double, double> natural(info->width * 0.75, info->height * 0.75);
  RememberPictureSize(key, bytes->size(), natural);
  return natural;
}

void HtmlImportWalker::Picture(const HtmlNode& e, const CssComputedStyle& style) {
  std::string_view src = TrimCss(e.Attribute("src"));
  if (src.empty()) return;
  if (src.size() > 5 && AsciiEqualsNoCase(src.substr(0, 5), "data:")) return;  // inline data is not linked
  std::u16string path = Resolve(src, page_path_, u"Picture");
  if (path.empty()) return;
  std::u16string key = Lower16(path);
  auto cached = picture_sizes_.find(key);
  std::optional<std::pair<double, double>> natural;
  std::string format;
  if (cached != picture_sizes_.end()) {
    natural = cached->second;
  } else {
    natural = PictureSize(path, src);
    picture_sizes_[key] = natural;
    if (!natural) return;
  }
  if (!natural) return;  // warned when first met
  double nw = natural->first, nh = natural->second;
  std::optional<double> w, h;
  if (style.width && style.width->unit != CssLength::Unit::kAuto)
    w = style.width->ToPoints(style.font_size, text_width_);
  if (style.height && style.height->unit != CssLength::Unit::kAuto && style.height->unit != CssLength::Unit::kPercent)
    h = style.height->ToPoints(style.font_size, 0);
  if (w && !h) h = nw > 0 ? *w * nh / nw : nh;
  if (h && !w) w = nh > 0 ? *h * nw / nh : nw;
  word::Picture p;
  p.link_path = path;
  p.linked = true;
  p.natural_width = nw;
  p.natural_height = nh;
  p.pixel_width = static_cast<int>(std::lround(nw / 0.75));
  p.pixel_height = static_cast<int>(std::lround(nh / 0.75));
  p.width = std::max(0.75, w.value_or(nw));
  p.height = std::max(0.75, h.value_or(nh));
  p.floating = style.float_side != 0;
  p.float_align = style.float_side == 2 ? 2 : 0;
  p.description = Utf8ToUtf16(e.Attribute("alt"));
  std::size_t dot = path.find_last_of(u'.');
  if (dot != std::u16string::npos) format = Utf16ToUtf8(Lower16(path.substr(dot + 1)));
  p.format = format == "jpg" ? "jpeg" : format;
  Flow& f = flow();
  EnsureParagraph();
  FlushSpace();
  SyncLink();
  f.builder.AddPicture(std::move(p));
  f.at_line_start = false;
}

// ---- Lists ----

void HtmlImportWalker::List(const HtmlNode& e, const CssComputedStyle& style, int depth) {
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
        if (bookmark_names_.insert(Lower16(name)).second) {
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
