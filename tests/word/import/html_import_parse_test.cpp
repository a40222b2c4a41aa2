// The page tree that the importer walks: HTML5 parsing as browsers do it.
#include <gtest/gtest.h>

#include <string>

#include "word/import/gumbo_document.h"

namespace tomeshift::word {
namespace {

std::string Dump(const HtmlNode& n) {
  if (!n.IsElement()) return "'" + n.text + "'";
  std::string out = n.tag;
  for (const auto& a : n.attributes) out += " " + a.name + "=" + a.value;
  if (!n.children.empty()) {
    out += "(";
    for (std::size_t i = 0; i < n.children.size(); ++i) {
      if (i) out += ",";
      out += Dump(*n.children[i]);
    }
    out += ")";
  }
  return out;
}

TEST(GumboDocumentTest, RecoversAsBrowsersDo) {
  struct Case {
    const char* html;
    const char* body;
  } cases[] = {
      {"<p>a<p>b", "body(p('a'),p('b'))"},
      {"<b>x<p>y</b>z", "body(b('x'),p(b('y'),'z'))"},
      {"<TABLE><TR><TD>c</table>", "body(table(tbody(tr(td('c')))))"},
      {"<P CLASS=Note>&lt;&amp;&eacute;&#8364;&#x41;&nbsp;</P><!-- gone -->",
       "body(p class=Note('<&\xC3\xA9\xE2\x82\xAC"
       "A\xC2\xA0'))"},
      {"<my-Widget>k</my-widget>", "body(my-widget('k'))"},
      {"text<script>var a='<p>';</script>", "body('text',script('var a='<p>';'))"},
      {"a\r\nb", "body('a\nb')"},
  };
  for (const auto& c : cases) {
    GumboDocument doc(c.html);
    ASSERT_NE(doc.body(), nullptr) << c.html;
    EXPECT_EQ(Dump(*doc.body()), c.body) << c.html;
  }
}

TEST(GumboDocumentTest, ParentsAndSiblingsAreLinked) {
  GumboDocument doc("<head><title>T</title></head><body><ul><li>1</li> <li class='A b'>2</li></ul>");
  ASSERT_NE(doc.head(), nullptr);
  const HtmlNode& ul = *doc.body()->children[0];
  const HtmlNode& li2 = *ul.children[2];
  EXPECT_EQ(li2.parent, &ul);
  EXPECT_EQ(li2.PreviousElementSibling(), ul.children[0]);
  EXPECT_TRUE(li2.HasClass("a"));
  EXPECT_TRUE(li2.HasClass("B"));
  EXPECT_FALSE(li2.HasClass("A b"));
  EXPECT_EQ(li2.FindAttribute("id"), nullptr);
}

TEST(GumboDocumentTest, DeepNestingDoesNotExhaustTheStack) {
  std::string html;
  for (int i = 0; i < 100000; ++i) html += "<span>";
  html += "deep";
  GumboDocument doc(html);
  const HtmlNode* n = doc.body();
  int depth = 0;
  while (n && !n->children.empty()) {
    n = n->children.back();
    ++depth;
  }
  ASSERT_NE(n, nullptr);
  EXPECT_EQ(n->text, "deep");
  EXPECT_GT(depth, 100);
}

}  // namespace
}  // namespace tomeshift::word
