#include "word/import/css/css_cascade.h"

#include <gtest/gtest.h>

#include <functional>

#include "word/import/css/css_computed_style.h"
#include "word/import/gumbo_document.h"

namespace tomeshift::word {
namespace {

const HtmlNode* FindById(const HtmlNode& node, std::string_view id) {
  if (node.IsElement() && node.Attribute("id") == id) return &node;
  for (const HtmlNode* child : node.children) {
    if (const HtmlNode* hit = FindById(*child, id)) return hit;
  }
  return nullptr;
}

struct SelectorCase {
  const char* selector;
  const char* target;  // id of the element
  bool matches;
};

TEST(CssSelectorTest, MatchesAsBrowsersDo) {
  GumboDocument doc(R"(<body><div class="Nav main" id="d"><p id="p1">x<span id="s" class="k">y</span></p>
      <ul><li id="l1"><a href="#" id="a">z</a></li><li id="l2" lang="en-GB" title="one two"></li></ul></div>
      <p id="p2"></p></body>)");
  const SelectorCase cases[] = {
      {"p", "p1", true},
      {"*", "p1", true},
      {"div p", "p1", true},
      {"div > p", "p1", true},
      {"div > span", "s", false},
      {"div span.k", "s", true},
      {".nav", "d", true},
      {".nav.main", "d", true},
      {".nav.other", "d", false},
      {"#D", "d", true},
      {"div#d.main", "d", true},
      {"ul li a", "a", true},
      {"a:link", "a", true},
      {"a:hover", "a", false},
      {"p::first-line", "p1", false},
      {"li + li", "l2", true},
      {"li + li", "l1", false},
      {"li:first-child", "l1", true},
      {"div ~ p", "p2", true},
      {"[lang|=en]", "l2", true},
      {"[title~=two]", "l2", true},
      {"[title=one]", "l2", false},
      {"body > div > ul > li", "l1", true},
      {"body > ul li", "l1", false},
  };
  for (const auto& c : cases) {
    auto sel = CssSelector::Parse(c.selector);
    ASSERT_TRUE(sel) << c.selector;
    const HtmlNode* target = FindById(doc.root(), c.target);
    ASSERT_NE(target, nullptr) << c.target;
    EXPECT_EQ(sel->Matches(*target), c.matches) << c.selector;
  }
  for (const char* bad : {"", "p >", "> p", "a..b", "#", "p[", "a!b", "p,,q"}) {
    EXPECT_FALSE(CssSelector::ParseGroup(bad)) << bad;
  }
}

TEST(CssSelectorTest, Specificity) {
  struct Case {
    const char* selector;
    CssSpecificity s;
  } cases[] = {{"*", {0, 0, 0}},
               {"li", {0, 0, 1}},
               {"ul li", {0, 0, 2}},
               {"ul ol+li", {0, 0, 3}},
               {"h1 + *[rel=up]", {0, 1, 1}},
               {"ul ol li.red", {0, 1, 3}},
               {"li.red.level", {0, 2, 1}},
               {"#x34y", {1, 0, 0}},
               {"a:hover", {0, 1, 1}}};
  for (const auto& c : cases) EXPECT_EQ(CssSelector::Parse(c.selector)->specificity(), c.s) << c.selector;
}

// The colour that wins for element `id` of `html` under `css`.
std::string Winner(const char* css, const char* html, const char* id, const char* inline_css = "") {
  CssCascade cascade;
  cascade.AddStyleSheet(CssParser::ParseStyleSheet(css));
  GumboDocument doc(html);
  const HtmlNode* e = FindById(doc.root(), id);
  std::vector<CssDeclaration> defaults{{CssProperty::kColor, false, "default"}};
  std::vector<CssDeclaration> hints;
  if (std::string_view(id) == "h") hints.push_back({CssProperty::kColor, false, "hint"});
  auto inline_style = CssParser::ParseDeclarations(inline_css);
  CssDeclared declared;
  cascade.Cascade(*e, defaults, hints, inline_style, declared);
  const CssDeclaration* d = declared[static_cast<std::size_t>(CssProperty::kColor)];
  return d ? d->value : "";
}

TEST(CssCascadeTest, SpecificityOrderImportantAndInline) {
  const char* html = R"(<div id="d" class="c"><p id="p" class="c">x</p><font id="h">y</font></div>)";
  EXPECT_EQ(Winner("", html, "p"), "default");
  EXPECT_EQ(Winner("p{color:a} p{color:b}", html, "p"), "b");
  EXPECT_EQ(Winner(".c{color:a} p{color:b}", html, "p"), "a");
  EXPECT_EQ(Winner("#p{color:a} div p.c{color:b}", html, "p"), "a");
  EXPECT_EQ(Winner("p{color:a !important} #p{color:b}", html, "p"), "a");
  EXPECT_EQ(Winner("#p{color:a}", html, "p", "color:i"), "i");
  EXPECT_EQ(Winner("p{color:a !important}", html, "p", "color:i"), "a");
  EXPECT_EQ(Winner("p{color:a !important}", html, "p", "color:i !important"), "i");
  EXPECT_EQ(Winner("", html, "h"), "hint");
  EXPECT_EQ(Winner("* {color:u}", html, "h"), "u");
  // One rule that matches through two of its selectors takes the stronger specificity.
  EXPECT_EQ(Winner("#p, p {color:a} .c {color:b}", html, "p"), "a");
  EXPECT_EQ(Winner("div {color:a}", html, "p"), "default");  // not inherited at this level
}

TEST(CssComputedStyleTest, InheritanceAndUnits) {
  CssComputedStyle root;
  auto compute = [](const CssComputedStyle& parent, const char* css) {
    auto decls = CssParser::ParseDeclarations(css);
    CssDeclared declared{};
    for (const auto& d : decls) declared[static_cast<std::size_t>(d.property)] = &d;
    return CssComputedStyle::Compute(parent, declared, 400);
  };
  CssComputedStyle body = compute(root, "font: bold 10pt Verdana, sans-serif; color: #336; text-decoration: underline");
  EXPECT_EQ(body.font_family, "Verdana");
  EXPECT_DOUBLE_EQ(body.font_size, 10);
  EXPECT_TRUE(body.bold);
  CssComputedStyle p = compute(body, "font-size: 150%; margin: 1em 10%; font-weight: 400; border-left: thin solid");
  EXPECT_DOUBLE_EQ(p.font_size, 15);
  EXPECT_DOUBLE_EQ(p.margin[0], 15);
  EXPECT_DOUBLE_EQ(p.margin[1], 40);
  EXPECT_FALSE(p.bold);
  EXPECT_EQ(p.color, 0x333366u);
  EXPECT_TRUE(p.underline);
  EXPECT_EQ(p.font_family, "Verdana");
  EXPECT_DOUBLE_EQ(p.border[3].width, 0.75);
  EXPECT_EQ(p.border[3].color, 0x333366u);
  EXPECT_FALSE(p.border[0].visible());
  EXPECT_EQ(compute(p, "text-decoration: none").underline, true);  // decorations reach descendants
  EXPECT_EQ(compute(p, "font-family: monospace").font_family, "Courier New");
  EXPECT_DOUBLE_EQ(compute(p, "font-size: smaller").font_size, 12.5);
  EXPECT_DOUBLE_EQ(compute(p, "font-size: x-large").font_size, 18);
  EXPECT_DOUBLE_EQ(compute(p, "font-size: -3px").font_size, 15);
  EXPECT_EQ(compute(p, "display: none").display, CssDisplay::kNone);
  // A block paints its own area (paragraph shading); text takes the background of inline boxes.
  EXPECT_EQ(compute(p, "display: block; background: yellow").text_background, kCssTransparent);
  CssComputedStyle mark = compute(p, "background: yellow");
  EXPECT_EQ(mark.text_background, 0xFFFF00u);
  CssComputedStyle span = compute(mark, "");
  EXPECT_EQ(span.text_background, 0xFFFF00u);
  EXPECT_EQ(span.background, kCssTransparent);
}

}  // namespace
}  // namespace tomeshift::word
