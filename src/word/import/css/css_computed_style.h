// Typed values of one element after the cascade: inherited properties come from the parent,
// lengths are resolved to points, font sizes follow the parent's size.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "word/import/css/css_cascade.h"
#include "word/import/css/css_value.h"

namespace tomeshift::word {

enum class CssDisplay : std::uint8_t {
  kInline,
  kBlock,
  kListItem,
  kInlineBlock,
  kTable,
  kTableRowGroup,
  kTableRow,
  kTableCell,
  kTableCaption,
  kNone
};
enum class CssWhiteSpace : std::uint8_t { kNormal, kPre, kNoWrap, kPreWrap, kPreLine };
enum class CssBorderStyle : std::uint8_t { kNone, kSolid, kDotted, kDashed, kDouble, kGroove, kRidge, kInset, kOutset };

struct CssBorderSide {
  double width = 0;  // points; 0 when the style is none
  CssBorderStyle style = CssBorderStyle::kNone;
  std::uint32_t color = 0;
  bool visible() const { return style != CssBorderStyle::kNone && width > 0; }
};

struct CssComputedStyle {
  // Inherited.
  std::string font_family = "Times New Roman";  // the first family, generic names mapped to fonts
  bool monospace = false;                       // the family list names a fixed-pitch font (code)
  double font_size = 12;                        // points
  bool bold = false, italic = false;
  bool underline = false, strike = false;  // decorations reach every descendant
  std::uint32_t color = 0;
  std::int8_t text_align = 0;  // 0 left, 1 centre, 2 right, 3 justify
  double text_indent = 0;      // points
  CssWhiteSpace white_space = CssWhiteSpace::kNormal;
  std::string list_style_type = "disc";
  bool hidden = false;                              // visibility: hidden
  std::int8_t vertical_align = 0;                   // 0 baseline, 1 super, 2 sub (reaches inline descendants)
  std::uint32_t text_background = kCssTransparent;  // background behind text from inline ancestors
  std::int8_t text_transform = 0;                   // 0 none, 1 upper, 2 lower, 3 capitalize
  bool border_collapse = false;                     // tables: borders of rows and groups count too

  // Not inherited.
  CssDisplay display = CssDisplay::kInline;
  std::int8_t float_side = 0;  // 0 none, 1 left, 2 right
  std::uint32_t background = kCssTransparent;
  double margin[4] = {0, 0, 0, 0};  // points: top right bottom left
  double padding[4] = {0, 0, 0, 0};
  bool margin_auto[4] = {false, false, false, false};
  CssBorderSide border[4];
  std::optional<CssLength> width, height;  // as declared; percentages stay percentages
  std::int8_t box_valign = -1;             // table cells: -1 not declared, 0 top, 1 middle, 2 bottom

  // `containing_width` (points) resolves percentage margins and paddings.
  static CssComputedStyle Compute(const CssComputedStyle& parent, const CssDeclared& declared, double containing_width);
};

// Font size keywords and HTML's <font size=1..7> in points (medium = 12 pt).
double CssFontSizeKeyword(int step);  // step 1..7 as <font size>

}  // namespace tomeshift::word
