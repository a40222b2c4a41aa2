#include "word/import/css/css_parser.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "word/import/css/css_value.h"

namespace tomeshift::word {
namespace {

using P = CssProperty;

std::string ValueOf(const std::vector<CssDeclaration>& decls, P p) {
  std::string v = "<none>";
  for (const auto& d : decls) {
    if (d.property == p) v = d.value;
  }
  return v;
}

TEST(CssParserTest, ReadsRulesThroughCommentsMediaAndErrors) {
  CssStyleSheet sheet = CssParser::ParseStyleSheet(R"(
    <!-- /* a { color: red } */
    @charset "utf-8";
    @import url("base.css");
    @import 'print.css' print;
    body { font-family: "Segoe UI", Arial; }
    h1, h2 > b { color: #800000 !important; margin: 0 1em }
    p:: { color: red }
    @media print { p { color: green } }
    @media screen, print { td { text-align: right } }
    @font-face { font-family: x; src: url(a.woff) }
    div { content: "}"; color: blue }
    -->
  )");
  ASSERT_EQ(sheet.rules.size(), 4u);
  EXPECT_EQ(sheet.imports, std::vector<std::string>{"base.css"});
  EXPECT_EQ(ValueOf(sheet.rules[0].declarations, P::kFontFamily), "\"Segoe UI\", Arial");
  EXPECT_EQ(sheet.rules[1].selectors.size(), 2u);
  EXPECT_TRUE(sheet.rules[1].declarations[0].important);
  EXPECT_EQ(ValueOf(sheet.rules[1].declarations, P::kMarginLeft), "1em");
  EXPECT_EQ(ValueOf(sheet.rules[1].declarations, P::kMarginBottom), "0");
  EXPECT_EQ(ValueOf(sheet.rules[2].declarations, P::kTextAlign), "right");
  EXPECT_EQ(ValueOf(sheet.rules[3].declarations, P::kColor), "blue");
}

struct ShorthandCase {
  const char* css;
  P property;
  const char* expected;
};

class CssShorthandTest : public ::testing::TestWithParam<ShorthandCase> {};

TEST_P(CssShorthandTest, ExpandsToLonghand) {
  auto decls = CssParser::ParseDeclarations(GetParam().css);
  EXPECT_EQ(ValueOf(decls, GetParam().property), GetParam().expected) << GetParam().css;
}

INSTANTIATE_TEST_SUITE_P(
    All, CssShorthandTest,
    ::testing::Values(ShorthandCase{"margin: 1px 2px 3px", P::kMarginLeft, "2px"},
                      ShorthandCase{"margin: 1px 2px 3px", P::kMarginBottom, "3px"},
                      ShorthandCase{"padding: 4pt", P::kPaddingRight, "4pt"},
                      ShorthandCase{"border: 1px solid #ccc", P::kBorderLeftStyle, "solid"},
                      ShorthandCase{"border: 1px solid #ccc", P::kBorderTopColor, "#ccc"},
                      ShorthandCase{"border-bottom: dashed red", P::kBorderBottomWidth, "medium"},
                      ShorthandCase{"border-bottom: dashed red", P::kBorderTopStyle, "<none>"},
                      ShorthandCase{"border: bogus 1px", P::kBorderTopWidth, "<none>"},
                      ShorthandCase{"border-color: red blue", P::kBorderLeftColor, "blue"},
                      ShorthandCase{"font: italic bold 12px/30px Georgia, serif", P::kFontFamily, "Georgia, serif"},
                      ShorthandCase{"font: italic bold 12px/30px Georgia, serif", P::kFontSize, "12px"},
                      ShorthandCase{"font: 10pt / 1.2 Verdana", P::kFontFamily, "Verdana"},
                      ShorthandCase{"font: 10pt Verdana", P::kFontWeight, "normal"},
                      ShorthandCase{"font: caption", P::kFontFamily, "<none>"},
                      ShorthandCase{"background: url(x.png) no-repeat #eee", P::kBackgroundColor, "#eee"},
                      ShorthandCase{"background: url(x.png)", P::kBackgroundColor, "transparent"},
                      ShorthandCase{"list-style: square inside", P::kListStyleType, "square"},
                      ShorthandCase{"COLOR : Red ! IMPORTANT ; ;", P::kColor, "Red"},
                      ShorthandCase{"color: red; color", P::kColor, "red"},
                      ShorthandCase{"font-family: 'a;b', c", P::kFontFamily, "'a;b', c"},
                      ShorthandCase{"/* x */ color: /* y */ green", P::kColor, "green"}));

struct ColorCase {
  const char* text;
  std::optional<std::uint32_t> rgb;
};

TEST(CssValueTest, Colors) {
  const ColorCase cases[] = {
      {"#f00", 0xFF0000},
      {"#00FF00", 0x00FF00},
      {"Navy", 0x000080},
      {"rgb(255, 128, 0)", 0xFF8000},
      {"rgb(100%,0%,0%)", 0xFF0000},
      {"rgba(0,0,0,0)", kCssTransparent},
      {"hsl(120, 100%, 50%)", 0x00FF00},
      {"transparent", kCssTransparent},
      {"windowtext", 0x000000},
      {"#12", std::nullopt},
      {"nocolor", std::nullopt},
      {"", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(ParseCssColor(c.text), c.rgb) << c.text;
  EXPECT_EQ(ParseHtmlColor("ff0000"), 0xFF0000u);
  EXPECT_EQ(ParseCssColor("ff0000"), std::nullopt);
}

TEST(CssValueTest, Lengths) {
  struct Case {
    const char* text;
    double points;
  } cases[] = {{"16px", 12}, {"12pt", 12}, {"1in", 72}, {"2.54cm", 72}, {"1pc", 12},
               {"2em", 20},  {"50%", 50},  {"0", 0},    {"8", 6}};
  for (const auto& c : cases) {
    auto l = ParseCssLength(c.text);
    ASSERT_TRUE(l) << c.text;
    EXPECT_NEAR(l->ToPoints(10, 100), c.points, 1e-9) << c.text;
  }
  EXPECT_FALSE(ParseCssLength("8", false));
  EXPECT_FALSE(ParseCssLength("12furlongs"));
  EXPECT_FALSE(ParseCssLength("inf"));
  EXPECT_EQ(ParseCssLength("auto")->unit, CssLength::Unit::kAuto);
}

}  // namespace
}  // namespace tomeshift::word
