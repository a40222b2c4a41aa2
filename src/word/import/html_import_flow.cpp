// The importer's paragraph flow: blocks and their margins, paragraphs, runs of text with their
// collapsed white space, line breaks, rules, headings and the links around text.
#include <algorithm>
#include <cmath>

#include "text/text_utils.h"
#include "text/unicode.h"
#include "word/import/css/css_value.h"
#include "word/import/html_import_defaults.h"
#include "word/import/html_import_walker.h"
#include "word/model/twips.h"

namespace tomeshift::word {

namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }

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
      if (start) c = AsciiUpperChar(c);
      start = c == u' ' || c == u'\t' || c == u'-';
    }
  }
  return text;
}

}  // namespace

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
  // The body's background is the canvas the whole page is drawn on, as browsers paint it: not a shade behind
  // every paragraph. Generators set a dark canvas and a light content box over it, and the box is usually
  // gone by the time the page gets here (Sphinx's classic theme: black text on dark blue otherwise).
  const std::uint32_t own = e.tag == "body" ? kCssTransparent : style.background;
  std::uint32_t background = own != kCssTransparent ? own : static_cast<std::uint32_t>(outer.props.shading);
  if (outer.props.shading == kAutoColor && own == kCssTransparent)
    b.props.shading = kAutoColor;
  else
    b.props.shading = static_cast<std::int32_t>(background & 0xFFFFFF);
  b.props.style = 0;
  b.props.outline_level = 10;
  b.marks_at_start = f.marks;
  f.pending_before = std::max(f.pending_before, style.margin[0] + style.padding[0]);
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

}  // namespace tomeshift::word
