#include "word/import/css/css_computed_style.h"

#include <algorithm>

#include "text/text_utils.h"
#include "word/import/css/css_parser.h"

namespace tomeshift::word {

namespace {

using P = CssProperty;

const CssDeclaration* Get(const CssDeclared& d, P p) { return d[static_cast<std::size_t>(p)]; }

bool IsKeyword(std::string_view value, std::string_view keyword) { return AsciiEqualsNoCase(value, keyword); }

std::string FirstFamily(std::string_view list) {
  std::size_t i = 0;
  while (i < list.size()) {
    std::size_t comma = list.find(',', i);
    std::string_view name =
        TrimCss(list.substr(i, comma == std::string_view::npos ? std::string_view::npos : comma - i));
    if (name.size() >= 2 && (name.front() == '"' || name.front() == '\'') && name.back() == name.front()) {
      name = TrimCss(name.substr(1, name.size() - 2));
    }
    if (!name.empty()) {
      std::string lower = AsciiLower(name);
      if (lower == "serif") return "Times New Roman";
      if (lower == "sans-serif" || lower == "system-ui" || lower == "-apple-system") return "Arial";
      if (lower == "monospace" || lower == "ui-monospace") return "Courier New";
      if (lower == "cursive") return "Comic Sans MS";
      if (lower == "fantasy") return "Impact";
      if (lower == "inherit" || lower == "initial") return {};
      return std::string(name);
    }
    if (comma == std::string_view::npos) break;
    i = comma + 1;
  }
  return {};
}

// Whether a family list asks for fixed-pitch text: the generic name, or a font known to be one.
bool NamesMonospace(std::string_view list) {
  const std::string lower = AsciiLower(list);
  // " mono" as the last word of a name ("DejaVu Sans Mono"), not "Monotype Corsiva".
  for (const char* part : {"monospace", " mono", "courier", "consolas", "lucida console", "menlo", "monaco", "fixedsys",
                           "typewriter", "source code", "fira code", "inconsolata"}) {
    if (lower.find(part) != std::string::npos) return true;
  }
  return false;
}

double FontSizeFor(std::string_view value, double parent) {
  std::string v = AsciiLower(TrimCss(value));
  if (v == "xx-small") return CssFontSizeKeyword(1) * 0.9;
  if (v == "x-small") return CssFontSizeKeyword(1);
  if (v == "small") return CssFontSizeKeyword(2);
  if (v == "medium") return CssFontSizeKeyword(3);
  if (v == "large") return CssFontSizeKeyword(4);
  if (v == "x-large") return CssFontSizeKeyword(5);
  if (v == "xx-large") return CssFontSizeKeyword(6);
  if (v == "xxx-large") return CssFontSizeKeyword(7);
  if (v == "smaller") return parent / 1.2;
  if (v == "larger") return parent * 1.2;
  auto l = ParseCssLength(v);
  if (!l || l->unit == CssLength::Unit::kAuto || l->value < 0) return parent;
  if (l->unit == CssLength::Unit::kPercent) return parent * l->value / 100;
  return l->ToPoints(parent);
}

double BorderWidth(std::string_view value, double font_size, double fallback) {
  if (IsKeyword(value, "thin")) return 0.75;
  if (IsKeyword(value, "medium")) return 2.25;
  if (IsKeyword(value, "thick")) return 3.75;
  auto l = ParseCssLength(value);
  if (!l || l->unit == CssLength::Unit::kPercent || l->unit == CssLength::Unit::kAuto) return fallback;
  return std::max(0.0, l->ToPoints(font_size));
}

CssBorderStyle BorderStyle(std::string_view value) {
  std::string v = AsciiLower(value);
  if (v == "solid") return CssBorderStyle::kSolid;
  if (v == "dotted") return CssBorderStyle::kDotted;
  if (v == "dashed") return CssBorderStyle::kDashed;
  if (v == "double") return CssBorderStyle::kDouble;
  if (v == "groove") return CssBorderStyle::kGroove;
  if (v == "ridge") return CssBorderStyle::kRidge;
  if (v == "inset") return CssBorderStyle::kInset;
  if (v == "outset") return CssBorderStyle::kOutset;
  return CssBorderStyle::kNone;
}

CssDisplay DisplayFor(std::string_view value, CssDisplay fallback) {
  std::string v = AsciiLower(TrimCss(value));
  if (v == "none") return CssDisplay::kNone;
  if (v == "inline") return CssDisplay::kInline;
  if (v == "block" || v == "flex" || v == "grid" || v == "flow-root" || v == "run-in") return CssDisplay::kBlock;
  if (v == "list-item") return CssDisplay::kListItem;
  if (v == "inline-block" || v == "inline-flex" || v == "inline-grid" || v == "inline-table")
    return CssDisplay::kInlineBlock;
  if (v == "table") return CssDisplay::kTable;
  if (v == "table-row-group" || v == "table-header-group" || v == "table-footer-group")
    return CssDisplay::kTableRowGroup;
  if (v == "table-row") return CssDisplay::kTableRow;
  if (v == "table-cell") return CssDisplay::kTableCell;
  if (v == "table-caption") return CssDisplay::kTableCaption;
  if (v == "contents") return CssDisplay::kInline;
  return fallback;
}

// Resolves a margin or padding; nullopt keeps the old value (invalid input).
std::optional<double> BoxLength(std::string_view value, double font_size, double containing, bool* is_auto) {
  auto l = ParseCssLength(value);
  if (!l) return std::nullopt;
  if (l->unit == CssLength::Unit::kAuto) {
    if (is_auto) *is_auto = true;
    return 0.0;
  }
  return l->ToPoints(font_size, containing);
}

}  // namespace

double CssFontSizeKeyword(int step) {
  // Browsers' sizes for <font size=1..7>: 10, 13, 16, 18, 24, 32, 48 px.
  static constexpr double kPoints[] = {7.5, 10, 12, 13.5, 18, 24, 36};
  return kPoints[std::clamp(step, 1, 7) - 1];
}

CssComputedStyle CssComputedStyle::Compute(const CssComputedStyle& parent, const CssDeclared& d,
                                           double containing_width) {
  CssComputedStyle s;
  // Inherited properties start from the parent.
  s.font_family = parent.font_family;
  s.monospace = parent.monospace;
  s.font_size = parent.font_size;
  s.bold = parent.bold;
  s.italic = parent.italic;
  s.underline = parent.underline;
  s.strike = parent.strike;
  s.color = parent.color;
  s.text_align = parent.text_align;
  s.text_indent = parent.text_indent;
  s.white_space = parent.white_space;
  s.list_style_type = parent.list_style_type;
  s.hidden = parent.hidden;
  s.vertical_align = parent.vertical_align;
  s.text_transform = parent.text_transform;
  s.border_collapse = parent.border_collapse;

  if (auto* v = Get(d, P::kFontSize); v && !IsKeyword(v->value, "inherit")) {
    s.font_size = IsKeyword(v->value, "initial") ? 12.0 : FontSizeFor(v->value, parent.font_size);
    s.font_size = std::clamp(s.font_size, 1.0, 1638.0);
  }
  if (auto* v = Get(d, P::kFontFamily)) {
    std::string family = FirstFamily(v->value);
    if (!family.empty()) {
      s.font_family = std::move(family);
      s.monospace = NamesMonospace(v->value);
    }
  }
  if (auto* v = Get(d, P::kFontWeight)) {
    std::string w = AsciiLower(v->value);
    if (w == "bold" || w == "bolder")
      s.bold = true;
    else if (w == "normal" || w == "lighter")
      s.bold = false;
    else if (w.size() == 3 && w[0] >= '1' && w[0] <= '9' && w.substr(1) == "00")
      s.bold = w[0] >= '6';
  }
  if (auto* v = Get(d, P::kFontStyle)) {
    std::string w = AsciiLower(v->value);
    if (w == "italic" || w == "oblique")
      s.italic = true;
    else if (w == "normal")
      s.italic = false;
  }
  if (auto* v = Get(d, P::kTextDecoration)) {
    std::string w = AsciiLower(v->value);
    if (w.find("underline") != std::string::npos) s.underline = true;
    if (w.find("line-through") != std::string::npos) s.strike = true;
  }
  if (auto* v = Get(d, P::kColor)) {
    if (auto c = ParseCssColor(v->value); c && *c != kCssTransparent) s.color = *c;
  }
  if (auto* v = Get(d, P::kTextAlign)) {
    std::string w = AsciiLower(v->value);
    if (w == "left" || w == "start" || w == "-webkit-left")
      s.text_align = 0;
    else if (w == "center" || w == "-webkit-center" || w == "middle")
      s.text_align = 1;
    else if (w == "right" || w == "end" || w == "-webkit-right")
      s.text_align = 2;
    else if (w == "justify")
      s.text_align = 3;
  }
  if (auto* v = Get(d, P::kTextIndent)) {
    if (auto l = ParseCssLength(v->value); l && l->unit != CssLength::Unit::kAuto) {
      s.text_indent = l->ToPoints(s.font_size, containing_width);
    }
  }
  if (auto* v = Get(d, P::kWhiteSpace)) {
    std::string w = AsciiLower(v->value);
    if (w == "normal")
      s.white_space = CssWhiteSpace::kNormal;
    else if (w == "pre")
      s.white_space = CssWhiteSpace::kPre;
    else if (w == "nowrap")
      s.white_space = CssWhiteSpace::kNoWrap;
    else if (w == "pre-wrap" || w == "break-spaces")
      s.white_space = CssWhiteSpace::kPreWrap;
    else if (w == "pre-line")
      s.white_space = CssWhiteSpace::kPreLine;
  }
  if (auto* v = Get(d, P::kListStyleType); v && !IsKeyword(v->value, "inherit"))
    s.list_style_type = AsciiLower(v->value);
  if (auto* v = Get(d, P::kVisibility)) {
    std::string w = AsciiLower(v->value);
    if (w == "hidden" || w == "collapse")
      s.hidden = true;
    else if (w == "visible")
      s.hidden = false;
  }
  if (auto* v = Get(d, P::kTextTransform)) {
    std::string w = AsciiLower(v->value);
    s.text_transform = w == "uppercase"    ? 1
                       : w == "lowercase"  ? 2
                       : w == "capitalize" ? 3
                       : w == "none"       ? 0
                                           : s.text_transform;
  }

  if (auto* v = Get(d, P::kBorderCollapse)) {
    if (IsKeyword(v->value, "collapse"))
      s.border_collapse = true;
    else if (IsKeyword(v->value, "separate"))
      s.border_collapse = false;
  }

  // Not inherited.
  if (auto* v = Get(d, P::kDisplay))
    s.display = IsKeyword(v->value, "inherit") ? parent.display : DisplayFor(v->value, s.display);
  if (auto* v = Get(d, P::kFloat)) {
    std::string w = AsciiLower(v->value);
    s.float_side = w == "left" ? 1 : w == "right" ? 2 : 0;
  }
  if (auto* v = Get(d, P::kBackgroundColor)) {
    if (IsKeyword(v->value, "inherit"))
      s.background = parent.background;
    else if (auto c = ParseCssColor(v->value))
      s.background = *c;
  }
  if (auto* v = Get(d, P::kVerticalAlign)) {
    std::string w = AsciiLower(v->value);
    if (w == "super" || w == "text-top")
      s.vertical_align = 1;
    else if (w == "sub" || w == "text-bottom")
      s.vertical_align = 2;
    else if (w == "baseline")
      s.vertical_align = 0;
    if (w == "top" || w == "baseline" || w == "text-top")
      s.box_valign = 0;
    else if (w == "middle" || w == "center")
      s.box_valign = 1;
    else if (w == "bottom" || w == "text-bottom")
      s.box_valign = 2;
  }
  // Text takes the background of the inline boxes around it; a block paints its own area.
  if (s.display != CssDisplay::kInline)
    s.text_background = kCssTransparent;
  else if (s.background != kCssTransparent)
    s.text_background = s.background;
  else
    s.text_background = parent.text_background;

  static constexpr P kMargins[] = {P::kMarginTop, P::kMarginRight, P::kMarginBottom, P::kMarginLeft};
  static constexpr P kPaddings[] = {P::kPaddingTop, P::kPaddingRight, P::kPaddingBottom, P::kPaddingLeft};
  static constexpr P kWidths[] = {P::kBorderTopWidth, P::kBorderRightWidth, P::kBorderBottomWidth, P::kBorderLeftWidth};
  static constexpr P kStyles[] = {P::kBorderTopStyle, P::kBorderRightStyle, P::kBorderBottomStyle, P::kBorderLeftStyle};
  static constexpr P kColors[] = {P::kBorderTopColor, P::kBorderRightColor, P::kBorderBottomColor, P::kBorderLeftColor};
  for (int k = 0; k < 4; ++k) {
    if (auto* v = Get(d, kMargins[k])) {
      bool is_auto = false;
      if (auto m = BoxLength(v->value, s.font_size, containing_width, &is_auto)) s.margin[k] = *m;
      s.margin_auto[k] = is_auto;
    }
    if (auto* v = Get(d, kPaddings[k])) {
      if (auto m = BoxLength(v->value, s.font_size, containing_width, nullptr)) s.padding[k] = std::max(0.0, *m);
    }
    CssBorderSide& b = s.border[k];
    b.color = s.color;
    if (auto* v = Get(d, kStyles[k])) b.style = BorderStyle(v->value);
    double width = 2.25;
    if (auto* v = Get(d, kWidths[k])) width = BorderWidth(v->value, s.font_size, width);
    b.width = b.style == CssBorderStyle::kNone ? 0 : width;
    if (auto* v = Get(d, kColors[k])) {
      if (auto c = ParseCssColor(v->value)) b.color = *c;
      if (b.color == kCssTransparent) b.width = 0, b.style = CssBorderStyle::kNone;
    }
  }
  if (auto* v = Get(d, P::kWidth)) {
    if (auto l = ParseCssLength(v->value); l && l->value >= 0) s.width = l;
  }
  if (auto* v = Get(d, P::kHeight)) {
    if (auto l = ParseCssLength(v->value); l && l->value >= 0) s.height = l;
  }
  return s;
}

}  // namespace tomeshift::word
