#include "text/path_helpers.h"

#include <gtest/gtest.h>

#include <random>

#include "text/reference_resolver.h"
#include "text/unicode.h"

namespace tomeshift {
namespace {

struct Pair {
  const char16_t* in;
  const char16_t* out;
};

TEST(PathHelpers, NormalizePath) {
  const Pair cases[] = {
      {u"topics/../images/a%20b.gif", u"images\\a b.gif"},
      {u"a\\.\\b\\\\c", u"a\\b\\c"},
      {u"..\\..\\x.htm", u"x.htm"},
      {u"\\\\server\\share\\a.htm", u"server\\share\\a.htm"},
      {u"/root.htm", u"root.htm"},
      {u"a/b/..", u"a\\b\\.."},  // a final ".." without separator is an ordinary segment
      {u"a/b/c/../../d.htm", u"a\\d.htm"},
      {u"C:\\x\\..\\y.htm", u"C:\\y.htm"},
      {u"x/..%2e/y", u"x\\..%2e\\y"},  // only %20 is decoded
      {u"dir/", u"dir\\"},
      {u"", u""},
      {u"./", u""},
  };
  for (const auto& c : cases) EXPECT_EQ(NormalizePath(c.in), c.out) << U8(c.in);
  EXPECT_EQ(ToBackslashes(u"a/b\\c/"), u"a\\b\\c\\");
}

TEST(PathHelpers, ResolveReference) {
  using Kind = ResolvedReference::Kind;
  struct Case {
    const char16_t* reference;
    const char16_t* page;  // relative to the extraction folder
    Kind kind;
    const char16_t* path;  // kInside
  } cases[] = {
      {u"img/a.gif", u"topics/p.htm", Kind::kInside, u"topics/img/a.gif"},
      {u"../img/a%20b.gif?x=1#top", u"topics/p.htm", Kind::kInside, u"img/a b.gif"},
      {u"/img/a.gif", u"topics/p.htm", Kind::kInside, u"img/a.gif"},  // the help file's top
      {u"..\\img\\a.gif", u"topics/p.htm", Kind::kInside, u"img/a.gif"},
      {u"&#105;mg/a.gif", u"p.htm", Kind::kInside, u"img/a.gif"},
      {u"c%23.htm", u"p.htm", Kind::kInside, u"c#.htm"},  // an escaped '#' is part of the name
      {u"#top", u"p.htm", Kind::kFragment, u""},
      {u"", u"p.htm", Kind::kNone, u""},
      {u"HTTP://example.com/a.png", u"p.htm", Kind::kWeb, u""},
      {u"mailto:a@example.com", u"p.htm", Kind::kWeb, u""},
      {u"file:///etc/passwd", u"p.htm", Kind::kRefused, u""},
      {u"FiLe:/etc/passwd", u"p.htm", Kind::kRefused, u""},
      {u"%66ile:///etc/passwd", u"p.htm", Kind::kRefused, u""},
      {u"fi&#x6C;e:///etc/passwd", u"p.htm", Kind::kRefused, u""},
      {u" fi\tle:///etc/passwd", u"p.htm", Kind::kRefused, u""},
      {u"javascript:alert(1)", u"p.htm", Kind::kRefused, u""},
      {u"ms-its:other.chm::/a.htm", u"p.htm", Kind::kRefused, u""},
      {u"C:\\Windows\\win.ini", u"p.htm", Kind::kRefused, u""},
      {u"\\\\server\\share\\a.png", u"p.htm", Kind::kRefused, u""},
      {u"//server/share/a.png", u"p.htm", Kind::kRefused, u""},
      {u"../a.png", u"p.htm", Kind::kRefused, u""},
      {u"%2e%2e/a.png", u"p.htm", Kind::kRefused, u""},
      {u"..%2fa.png", u"p.htm", Kind::kRefused, u""},
      {u"/%2e%2e/a.png", u"sub/p.htm", Kind::kRefused, u""},
      {u"&#46;&#46;/&#46;&#46;/a.png", u"sub/p.htm", Kind::kRefused, u""},
      {u"%2Fetc%2Fpasswd", u"p.htm", Kind::kInside, u"etc/passwd"},  // the top of the help file
      {u"&#47;etc&#47;passwd", u"sub/p.htm", Kind::kInside, u"etc/passwd"},
      {u"a%00.png", u"p.htm", Kind::kRefused, u""},
      {u"sub/../../a.png", u"p.htm", Kind::kRefused, u""},
      {u".", u"p.htm", Kind::kRefused, u""},
  };
  for (const Case& c : cases) {
    const ResolvedReference r = ResolveReference(c.reference, c.page);
    EXPECT_EQ(r.kind, c.kind) << U8(c.reference);
    EXPECT_EQ(r.path, c.path) << U8(c.reference);
  }
  std::u16string deep;
  for (int n = 0; n < kMaxFolderDepth; ++n) deep += u"d/";
  EXPECT_EQ(ResolveReference(deep + u"a.png", u"p.htm").kind, Kind::kInside);
  EXPECT_EQ(ResolveReference(deep + u"d/a.png", u"p.htm").kind, Kind::kRefused);
}

TEST(PathHelpers, GetRelativeUrl) {
  struct Case {
    const char16_t* base;
    const char16_t* target;
    const char16_t* expected;
  };
  const Case cases[] = {
      {u"C:\\tmp\\1\\a.htm", u"C:\\tmp\\1\\b.htm", u"b.htm"},
      {u"C:\\tmp\\1\\html\\a.htm", u"C:\\tmp\\1\\img\\p.gif", u"../img/p.gif"},
      {u"C:/tmp/1/a.htm", u"c:\\TMP\\1\\sub\\deep\\b.htm", u"sub/deep/b.htm"},
      {u"C:\\tmp\\1\\x\\y\\a.htm", u"C:\\tmp\\1\\b.htm", u"../../b.htm"},
      {u"C:\\a\\p.htm", u"D:\\a\\q.htm", u"D:/a/q.htm"},
      {u"a.htm", u"sub\\b.htm", u"sub/b.htm"},
      {u"html/a.htm", u"html/b.htm", u"b.htm"},
  };
  for (const auto& c : cases) EXPECT_EQ(GetRelativeUrl(c.base, c.target), c.expected) << U8(c.target);
}

TEST(PathHelpers, GetAttributeValue) {
  struct Case {
    const char16_t* tag;
    const char16_t* name;
    const char16_t* expected;
  };
  const Case cases[] = {
      {u"<img border=0 src='nav/prev.gif'>", u"src", u"nav/prev.gif"},
      {u"<img border=0 src='nav/prev.gif'>", u"SRC", u"nav/prev.gif"},
      {u"<img border=0 src='nav/prev.gif'>", u"alt", u""},
      {u"<img border=0 src='nav/prev.gif'>", u"border", u"0"},
      {u"<a href=\"x.htm#a b\" target=_top>", u"href", u"x.htm#a b"},
      {u"<a href=\"x.htm\" target=_top>", u"target", u"_top"},
      {u"<a href = \"x.htm\">", u"href", u""},                  // spaces around '=' are not understood
      {u"<href=x.htm>", u"href", u""},                          // the tag name is not an attribute
      {u"<a href=one.htm href=two.htm>", u"href", u"one.htm"},  // the first wins
      {u"<a title='it\"s' href=b.htm>", u"href", u"b.htm"},
      {u"<a\thref=t.htm\n>", u"HREF", u"t.htm"},
      {u"<a href='unterminated>", u"href", u"unterminated"},  // '>' ends even a quoted value
      {u"<a href=", u"href", u""},
      {u"<a href=''>", u"href", u""},
  };
  for (const auto& c : cases) EXPECT_EQ(GetAttributeValue(c.tag, c.name), c.expected) << U8(c.tag);
}

TEST(PathHelpers, SplitUrlAnchor) {
  struct Case {
    const char16_t* link;
    const char16_t* page;
    const char16_t* anchor;
  };
  const Case cases[] = {
      {u"a/b.htm#x", u"a/b.htm", u"x"},
      {u"C#intro.htm", u"C#intro.htm", u""},
      {u"b.htm#sec.2", u"b.htm", u"sec.2"},
      {u"page.htm", u"page.htm", u""},
      {u"#top", u"", u"top"},
      {u"a.htm#b#c", u"a.htm#b", u"c"},
      {u"a.htm#x.HTML", u"a.htm", u"x.HTML"},  // the page is a page itself, so the anchor stays
      {u"dir/C#Sharp.Html", u"dir/C#Sharp.Html", u""},
      {u"x.htm#", u"x.htm", u""},
  };
  for (const auto& c : cases) {
    const UrlParts parts = SplitUrlAnchor(c.link);
    EXPECT_EQ(parts.page, c.page) << U8(c.link);
    EXPECT_EQ(parts.anchor, c.anchor) << U8(c.link);
  }
}

TEST(PathHelpers, GetPageTitle) {
  const Pair cases[] = {
      {u"<html><HEAD><TITLE>Install\r\ning &amp; setup</TITLE></HEAD>", u"Installing & setup"},
      {u"<title> padded </title>", u" padded "},
      {u"<title lang=en>x</title>", u""},
      {u"</title><title>x", u""},
      {u"<title>only start", u""},
      {u"<Title>a<TITLE>b</title>", u"a<title>b"},
      {u"<title>&lt;b&gt;</title>", u"<b>"},
      {u"", u""},
  };
  for (const auto& c : cases) EXPECT_EQ(GetPageTitle(c.in), c.out) << U8(c.in);
}

TEST(PathHelpers, DecodeHtmlEntities) {
  const Pair cases[] = {
      {u"a&#66;c", u"aBc"},
      {u"a&#66c", u"aBc"},
      {u"x &lt y", u"x < y"},
      {u"ends &#", u"ends &#"},
      {u"&amp;&amp", u"&&"},
      {u"&notin;", u"\u00ACin;"},
      {u"&#x41;", u"&#x41;"},  // hexadecimal: only when asked, below
      {u"&#65&", u"&#65&"},
      {u"&#65&lt;", u"&#65<"},
      {u"&nbsp;&NBSP;", u"  "},
      {u"&euro;", u"&euro;"},
      {u"&Amp;", u"&Amp;"},
      {u"&abcdefghijkl;",
       u"&abcdefghijk"
       u"l;"},  // more than ten characters give up
      {u"&unknown", u"&unknown"},
      {u"&#65", u"A"},
      {u"&#9829;", u"\u2665"},
      {u"&#128512;", u"\U0001F600"},  // beyond the BMP: a surrogate pair
      {u"&#1114111;", u"\U0010FFFF"},
      {u"&#1114112;", u"\uFFFD"},
      {u"&#4294967362;", u"\uFFFD"},  // 2^32 + 66: too large, not "B"
      {u"&#99999999999999999999999999;x", u"\uFFFDx"},
      {u"&#0;", u"\uFFFD"},
      {u"&#55357;", u"\uFFFD"},  // a lone surrogate is no character
      {u"&lt;;", u"<;"},         // only one ';' is swallowed
      {u"a & b", u"a & b"},
      {u"&&lt;", u"&<"},
  };
  for (const auto& c : cases) EXPECT_EQ(DecodeHtmlEntities(c.in), c.out) << U8(c.in);
  const Pair hexadecimal[] = {
      {u"``Second Edition&#x27;&#X27;", u"``Second Edition''"},
      {u"&#x41E;&#x;&#xZ&#65", u"\u041E&#x;&#xZA"},  // without digits: kept as written
      {u"&#x41E&", u"&#x41E&"},
  };
  for (const auto& c : hexadecimal) EXPECT_EQ(DecodeHtmlEntities(c.in, true), c.out) << U8(c.in);
}

TEST(PathHelpers, RemoveMarkedSections) {
  struct Case {
    const char16_t* text;
    const char16_t* start;
    const char16_t* end;
    const char16_t* expected;
  };
  const Case cases[] = {
      {u"a<!--X-->b<!--/x-->c", u"<!--x-->", u"<!--/X-->", u"ac"},
      {u"1[s]2[e]3[S]4[E]5", u"[s]", u"[e]", u"135"},
      {u"keep [S]open", u"[s]", u"[e]", u"keep [s]open"},
      {u"no markers", u"[s]", u"[e]", u"no markers"},
      {u"x[e]y[s]z[e]", u"[s]", u"[e]", u"x[e]y"},
      {u"text", u"", u"[e]", u"text"},
      {u"text", u"[s]", u"", u"text"},
  };
  for (const auto& c : cases) EXPECT_EQ(RemoveMarkedSections(c.text, c.start, c.end), c.expected) << U8(c.text);
}

TEST(PathHelpers, FirstNumber) {
  EXPECT_EQ(FirstNumber(u"12.0.6425"), 12);
  EXPECT_EQ(FirstNumber(u"Version"), 0);
  EXPECT_EQ(FirstNumber(u"Word 16.0"), 16);
  EXPECT_EQ(FirstNumber(u""), 0);
  EXPECT_EQ(FirstNumber(u"99999999999999999999"), 2147483647);
}

// Random markup-like text through every helper: nothing may crash (the sanitizer build watches), and
// the results keep the bounds the algorithms promise.
TEST(PathHelpers, RandomInputKeepsInvariants) {
  std::mt19937 random(20261208);
  std::u16string alphabet = u"&#;amplt0123456789x<>='\" /.%20\tTITLEtitle\u00E9";
  alphabet += char16_t(0xD83D);  // a lone surrogate
  std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);
  std::uniform_int_distribution<int> length(0, 40);
  for (int round = 0; round < 3000; ++round) {
    std::u16string text;
    for (int i = length(random); i > 0; --i) text += alphabet[pick(random)];
    EXPECT_LE(DecodeHtmlEntities(text).size(), text.size()) << U8(text);
    EXPECT_LE(NormalizePath(text).size(), text.size()) << U8(text);
    const std::u16string value = GetAttributeValue(text, u"src");
    EXPECT_NE(text.find(value), std::u16string::npos) << U8(text);
    const UrlParts parts = SplitUrlAnchor(text);
    EXPECT_TRUE(parts.page == text || parts.page + u"#" + parts.anchor == text) << U8(text);
    EXPECT_LE(RemoveMarkedSections(text, u"<t", u"e>").size(), text.size()) << U8(text);
    (void)GetPageTitle(text);
    (void)GetRelativeUrl(text, text.substr(text.size() / 2));
    (void)FirstNumber(text);
  }
}

}  // namespace
}  // namespace tomeshift
