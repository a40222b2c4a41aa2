// Blocks, whitespace and character formatting of imported pages.
#include <gtest/gtest.h>

#include "html_import_test_util.h"

namespace tomeshift::word {
namespace {

using testing::ImportSnippet;
using testing::Paragraphs;
using testing::Texts;
using V = std::vector<std::string>;

struct TextCase {
  const char* html;
  V paragraphs;
};

class HtmlImportTextTest : public ::testing::TestWithParam<TextCase> {};

TEST_P(HtmlImportTextTest, ParagraphTexts) {
  DocModel doc = ImportSnippet(GetParam().html);
  EXPECT_EQ(Texts(doc, doc.main), GetParam().paragraphs) << GetParam().html;
}

INSTANTIATE_TEST_SUITE_P(
    Blocks, HtmlImportTextTest,
    ::testing::Values(
        TextCase{"<p>One</p><p>Two</p>", V{"One", "Two"}}, TextCase{"  <p>  a \n\t b  </p>  ", V{"a b"}},
        TextCase{"<div>x<p>y</p>z</div>", V{"x", "y", "z"}}, TextCase{"a<b> b </b> c", V{"a b c"}},
        TextCase{"a <b>b</b><i> </i> c", V{"a b c"}}, TextCase{"<p>line<br>next<br></p>", V{"line\nnext"}},
        TextCase{"<p>a<br><br></p>", V{"a\n\n"}}, TextCase{"<pre>\n  x = 1;\n\ty\n</pre>", V{"  x = 1;\n\ty"}},
        TextCase{"<pre>a  b</pre>after", V{"a  b", "after"}},
        TextCase{"<p style='white-space:pre-line'>a  b\nc</p>", V{"a b\nc"}},
        TextCase{"<h1>T</h1><blockquote>q</blockquote><address>ad</address><center>c</center>", V{"T", "q", "ad", "c"}},
        TextCase{"&lt;&amp;&gt; &copy; &#8364; &nbsp;x", V{"<&> \xC2\xA9 \xE2\x82\xAC \xC2\xA0x"}},
        TextCase{"<p></p><div> </div>text", V{"text"}},
        TextCase{"<script>var x;</script><style>p{}</style><p>v</p><noscript>n</noscript><!-- c -->"
                 "<object>o</object><iframe>f</iframe><select><option>s</select><textarea>t</textarea>",
                 V{"v"}},
        TextCase{"<p style='display:none'>gone</p><span hidden>gone</span>shown", V{"shown"}},
        TextCase{"<p style='visibility:hidden'>gone<span style='visibility:visible'>back</span></p>", V{"back"}},
        TextCase{"<custom-el>kept <x>too</x></custom-el>", V{"kept too"}},
        TextCase{"<p style='text-transform:uppercase'>abc</p>", V{"ABC"}},
        TextCase{"\xE4\xB8\xAD\xE6\x96\x87 \xF0\x9F\x98\x80", V{"\xE4\xB8\xAD\xE6\x96\x87 \xF0\x9F\x98\x80"}},
        TextCase{"<dl><dt>term</dt><dd>definition</dd></dl>", V{"term", "definition"}}, TextCase{"", V{""}}));

TEST(HtmlImportTest, HeadingsGetHeadingStylesAndOutlineLevels) {
  DocModel doc = ImportSnippet("<h1>A</h1><p>b</p><h3 style='color:red'>C</h3><h6>D</h6>");
  auto ps = Paragraphs(doc, doc.main);
  ASSERT_EQ(ps.size(), 4u);
  EXPECT_EQ(doc.style(ps[0].props.style).builtin, builtin::kHeading1);
  EXPECT_EQ(doc.EffectiveOutlineLevel(ps[0].props), 1);
  EXPECT_EQ(doc.EffectiveOutlineLevel(ps[1].props), 10);
  EXPECT_EQ(doc.style(ps[1].props.style).builtin, builtin::kNormal);
  EXPECT_EQ(doc.style(ps[2].props.style).builtin, builtin::kHeading1 - 2);
  EXPECT_EQ(doc.EffectiveOutlineLevel(ps[2].props), 3);
  EXPECT_EQ(doc.EffectiveOutlineLevel(ps[3].props), 6);
  // The heading style carries the page's look of that heading.
  const StyleDef& h3 = doc.style(ps[2].props.style);
  EXPECT_EQ(h3.run.color, 0xFF0000);
  EXPECT_EQ(h3.run.size, 28);  // 1.17em of 12pt = 14pt
  EXPECT_EQ(h3.run.bold, 1);
  EXPECT_EQ(U8(h3.run.font), "Times New Roman");
  EXPECT_EQ(ps[0].runs[0].size, 48);
}

TEST(HtmlImportTest, CharacterFormattingFromElementsAndCss) {
  struct Case {
    const char* html;
    std::function<bool(const RunProps&)> check;
    const char* what;
  } cases[] = {
      {"<b>x</b>", [](const RunProps& r) { return r.bold == 1; }, "b"},
      {"<strong>x</strong>", [](const RunProps& r) { return r.bold == 1; }, "strong"},
      {"<i>x</i>", [](const RunProps& r) { return r.italic == 1; }, "i"},
      {"<em>x</em>", [](const RunProps& r) { return r.italic == 1; }, "em"},
      {"<var>x</var>", [](const RunProps& r) { return r.italic == 1; }, "var"},
      {"<u>x</u>", [](const RunProps& r) { return r.underline == 1; }, "u"},
      {"<ins>x</ins>", [](const RunProps& r) { return r.underline == 1; }, "ins"},
      {"<s>x</s>", [](const RunProps& r) { return r.strike == 1; }, "s"},
      {"<strike>x</strike>", [](const RunProps& r) { return r.strike == 1; }, "strike"},
      {"<del>x</del>", [](const RunProps& r) { return r.strike == 1; }, "del"},
      {"<code>x</code>", [](const RunProps& r) { return r.font == u"Courier New" && r.size == 20; }, "code"},
      {"<tt>x</tt>", [](const RunProps& r) { return r.font == u"Courier New"; }, "tt"},
      {"<kbd>x</kbd>", [](const RunProps& r) { return r.font == u"Courier New"; }, "kbd"},
      {"<samp>x</samp>", [](const RunProps& r) { return r.font == u"Courier New"; }, "samp"},
      {"<sub>x</sub>", [](const RunProps& r) { return r.vert_align == 2 && r.size == 20; }, "sub"},
      {"<sup>x</sup>", [](const RunProps& r) { return r.vert_align == 1; }, "sup"},
      {"<small>x</small>", [](const RunProps& r) { return r.size == 20; }, "small"},
      {"<big>x</big>", [](const RunProps& r) { return r.size == 29; }, "big"},
      {"<span style='font-family:\"Courier New\", monospace'>x</span>",
       [](const RunProps& r) { return r.font == u"Courier New"; }, "font-family"},
      {"<span style='font-size:9pt'>x</span>", [](const RunProps& r) { return r.size == 18; }, "pt"},
      {"<span style='font-size:16px'>x</span>", [](const RunProps& r) { return r.size == 24; }, "px"},
      {"<span style='font-size:2em'>x</span>", [](const RunProps& r) { return r.size == 48; }, "em"},
      {"<span style='font-size:50%'>x</span>", [](const RunProps& r) { return r.size == 12; }, "%"},
      {"<span style='font-size:large'>x</span>", [](const RunProps& r) { return r.size == 27; }, "keyword"},
      {"<span style='font-weight:700'>x</span>", [](const RunProps& r) { return r.bold == 1; }, "weight"},
      {"<b><span style='font-weight:normal'>x</span></b>", [](const RunProps& r) { return r.bold == 0; }, "normal"},
      {"<span style='font-style:italic'>x</span>", [](const RunProps& r) { return r.italic == 1; }, "font-style"},
      {"<span style='text-decoration:underline line-through'>x</span>",
       [](const RunProps& r) { return r.underline == 1 && r.strike == 1; }, "decoration"},
      {"<span style='color:#00ff00'>x</span>", [](const RunProps& r) { return r.color == 0x00FF00; }, "color"},
      {"<span style='background-color:yellow'>x</span>", [](const RunProps& r) { return r.highlight == "yellow"; },
       "background"},
      {"<span style='vertical-align:super'>x</span>", [](const RunProps& r) { return r.vert_align == 1; },
       "vertical-align"},
      {"<font face='Arial' size='5' color='red'>x</font>",
       [](const RunProps& r) { return r.font == u"Arial" && r.size == 36 && r.color == 0xFF0000; }, "font"},
      {"<font size='+1'>x</font>", [](const RunProps& r) { return r.size == 27; }, "font +1"},
      {"<a href='http://x'>x</a>", [](const RunProps& r) { return r.underline == 1 && r.color == 0x0000EE; }, "a"},
      {"x",
       [](const RunProps& r) { return r.font == u"Times New Roman" && r.size == 24 && r.bold == 0 && r.color == 0; },
       "plain"},
  };
  for (const auto& c : cases) {
    DocModel doc = ImportSnippet(c.html);
    auto ps = Paragraphs(doc, doc.main);
    ASSERT_FALSE(ps.empty()) << c.what;
    ASSERT_FALSE(ps[0].runs.empty()) << c.what;
    EXPECT_TRUE(c.check(ps[0].runs[0])) << c.what;
  }
}

TEST(HtmlImportTest, ParagraphFormatting) {
  DocModel doc = ImportSnippet(
      "<p style='text-align:center'>c</p><p align=right>r</p><p style='text-indent:36pt; margin-left:1in; "
      "margin-right:10pt'>i</p>"
      "<blockquote>q</blockquote><div style='margin:0 0 0 20pt'><p style='text-align:justify'>n</p></div>"
      "<div style='background:#eeeeee'>shaded</div>");
  auto ps = Paragraphs(doc, doc.main);
  ASSERT_EQ(ps.size(), 6u);
  EXPECT_EQ(ps[0].props.alignment, 1);
  EXPECT_EQ(ps[1].props.alignment, 2);
  EXPECT_EQ(ps[2].props.indent_first, 720);
  EXPECT_EQ(ps[2].props.indent_left, 1440);
  EXPECT_EQ(ps[2].props.indent_right, 200);
  EXPECT_EQ(ps[3].props.indent_left, 600);  // 40px
  EXPECT_EQ(ps[4].props.indent_left, 400);
  EXPECT_EQ(ps[4].props.alignment, 3);
  EXPECT_EQ(ps[5].props.shading, 0xEEEEEE);
  // Vertical margins collapse: 1em between two paragraphs, not 2em.
  EXPECT_EQ(ps[0].props.space_after.value_or(0) + ps[1].props.space_before.value_or(0), 240);
}

TEST(HtmlImportTest, TheBodysBackgroundIsTheCanvasNotAShade) {
  DocModel doc = ImportSnippet(
      "<html><head><style>body{background:#11303d} .note{background:#eeffcc}</style></head>"
      "<body><p>plain</p><div class=note>boxed</div></body></html>");
  auto ps = Paragraphs(doc, doc.main);
  ASSERT_EQ(ps.size(), 2u);
  EXPECT_EQ(ps[0].props.shading, kAutoColor);
  EXPECT_EQ(ps[1].props.shading, 0xEEFFCC);
}

TEST(HtmlImportTest, HorizontalRuleIsABorderedEmptyParagraph) {
  DocModel doc = ImportSnippet("<p>a</p><hr><hr style='border:0; border-top:3px solid red'><p>b</p>");
  auto ps = Paragraphs(doc, doc.main);
  ASSERT_EQ(ps.size(), 4u);
  EXPECT_EQ(ps[1].text, "");
  EXPECT_EQ(ps[1].props.border_bottom, 6);
  EXPECT_EQ(ps[1].props.border_bottom_color, 0x808080);
  EXPECT_EQ(ps[2].props.border_bottom, 18);
  EXPECT_EQ(ps[2].props.border_bottom_color, 0xFF0000);
  EXPECT_EQ(ps[0].props.border_bottom, 0);
}

TEST(HtmlImportTest, StyleSheetsCascadeAndInherit) {
  DocModel doc = ImportSnippet(R"(<html><head><style>
      body { font: 10pt Verdana, sans-serif; color: #333 }
      .note p { color: blue !important }
      #x { color: green }
      div > span { font-weight: bold }
      p.big, td { font-size: 14pt }
    </style></head><body>
      <div class="note"><p id="x">a</p></div>
      <div><span>b</span></div>
      <p class="big">c</p>
      <p style="color:red">d</p></body></html>)");
  auto ps = Paragraphs(doc, doc.main);
  ASSERT_EQ(ps.size(), 4u);
  EXPECT_EQ(ps[0].runs[0].color, 0x0000FF);
  EXPECT_EQ(U8(ps[0].runs[0].font), "Verdana");
  EXPECT_EQ(ps[1].runs[0].bold, 1);
  EXPECT_EQ(ps[1].runs[0].size, 20);
  EXPECT_EQ(ps[2].runs[0].size, 28);
  EXPECT_EQ(ps[3].runs[0].color, 0xFF0000);
}

}  // namespace
}  // namespace tomeshift::word
