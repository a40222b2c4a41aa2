// A small CSS reader for the style sheets of help pages: rule sets with selector groups, declarations
// with !important, shorthands expanded into the longhands that the importer uses, @media blocks that
// apply to the screen, and @import addresses. Errors drop the rule or declaration, as browsers do.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "word/import/css/css_selector.h"

namespace tomeshift::word {

enum class CssProperty : std::uint8_t {
  kColor,
  kBackgroundColor,
  kFontFamily,
  kFontSize,
  kFontWeight,
  kFontStyle,
  kTextDecoration,
  kVerticalAlign,
  kTextAlign,
  kTextIndent,
  kWhiteSpace,
  kListStyleType,
  kDisplay,
  kFloat,
  kVisibility,
  kMarginTop,
  kMarginRight,
  kMarginBottom,
  kMarginLeft,
  kPaddingTop,
  kPaddingRight,
  kPaddingBottom,
  kPaddingLeft,
  kBorderTopWidth,
  kBorderRightWidth,
  kBorderBottomWidth,
  kBorderLeftWidth,
  kBorderTopStyle,
  kBorderRightStyle,
  kBorderBottomStyle,
  kBorderLeftStyle,
  kBorderTopColor,
  kBorderRightColor,
  kBorderBottomColor,
  kBorderLeftColor,
  kWidth,
  kHeight,
  kTextTransform,
  kBorderCollapse,
  kCount
};
constexpr std::size_t kCssPropertyCount = static_cast<std::size_t>(CssProperty::kCount);

struct CssDeclaration {
  CssProperty property = CssProperty::kColor;
  bool important = false;
  std::string value;  // trimmed, comments removed, case kept (font names, addresses)
};

struct CssRule {
  std::vector<CssSelector> selectors;
  std::vector<CssDeclaration> declarations;
};

struct CssStyleSheet {
  std::vector<CssRule> rules;
  std::vector<std::string> imports;  // @import addresses, in order
};

class CssParser {
 public:
  static CssStyleSheet ParseStyleSheet(std::string_view css);
  // The same, shared: pages of one help file carry the same sheets, so parsed sheets are kept by
  // their text (a few dozen of them, process-wide, thread-safe).
  static std::shared_ptr<const CssStyleSheet> ParseStyleSheetShared(std::string_view css);
  // The content of a style attribute, or a rule's block without its braces.
  static std::vector<CssDeclaration> ParseDeclarations(std::string_view block);
  // Appends the longhands of one declaration ("margin: 0 1em") to out; unknown properties add nothing.
  static void AddDeclaration(std::string_view name, std::string_view value, bool important,
                             std::vector<CssDeclaration>& out);
};

// Splits a value into its components at whitespace, keeping parenthesised parts (rgb(1, 2, 3)) and
// quoted strings whole.
std::vector<std::string_view> SplitCssValue(std::string_view value);

}  // namespace tomeshift::word
