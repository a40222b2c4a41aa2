#include "text/text_utils.h"

#include <gtest/gtest.h>

#include <cstdint>

#include "text/string_list.h"
#include "text/unicode.h"

namespace tomeshift {
namespace {

TEST(CaseMapping, PairsOfEachScriptMapBothWays) {
  struct Pair {
    char16_t lower;
    char16_t upper;
  };
  const Pair pairs[] = {
      {u'a', u'A'},           {u'z', u'Z'},           {u'\u00E9', u'\u00C9'}, {u'\u00FE', u'\u00DE'},  // é, þ
      {u'\u00FF', u'\u0178'},                                                                          // ÿ Ÿ
      {u'\u0101', u'\u0100'}, {u'\u017E', u'\u017D'}, {u'\u0142', u'\u0141'},                          // ā ž ł
      {u'\u01C6', u'\u01C4'}, {u'\u0219', u'\u0218'},                                                  // ǆ ș
      {u'\u03B1', u'\u0391'}, {u'\u03C9', u'\u03A9'}, {u'\u03AC', u'\u0386'},                          // α ω ά
      {u'\u0430', u'\u0410'}, {u'\u044F', u'\u042F'}, {u'\u0451', u'\u0401'}, {u'\u0491', u'\u0490'},  // а я ё ґ
      {u'\u0561', u'\u0531'}, {u'\u0586', u'\u0556'},                                                  // Armenian
      {u'\u1EA1', u'\u1EA0'},                                                                          // ạ
      {u'\uFF41', u'\uFF21'}, {u'\uFF5A', u'\uFF3A'},                                                  // full-width
  };
  for (const auto& p : pairs) {
    EXPECT_EQ(UpperChar(p.lower), p.upper) << std::hex << int(p.lower);
    EXPECT_EQ(LowerChar(p.upper), p.lower) << std::hex << int(p.upper);
    EXPECT_EQ(UpperChar(p.upper), p.upper);
    EXPECT_EQ(LowerChar(p.lower), p.lower);
  }
}

TEST(CaseMapping, CharactersWithoutAReversiblePairStay) {
  // Between-pair neighbours of the alternating runs, symbols, and letters whose mapping is lossy.
  const char16_t same[] = {u'@',      u'[',      u'`',      u'{',      u'\u00D7', u'\u00F7',
                           u'\u00DF', u'\u00B5', u'\u0131', u'\u0130', u'\u017F', u'\u03C2',
                           u'\u0138', u'\u0149', u'\u4E2D', u'\uFF10', u'\u00A0', u'1'};
  for (const char16_t c : same) {
    EXPECT_EQ(UpperChar(c), c) << std::hex << int(c);
    EXPECT_EQ(LowerChar(c), c) << std::hex << int(c);
  }
  EXPECT_EQ(UpperCase(u"Stra\u00DFe \u0434\u043E\u043C"), u"STRA\u00DFE \u0414\u041E\u041C");
  EXPECT_EQ(LowerCase(u"SETUP.HTM"), u"setup.htm");
}

TEST(TextCompare, CaseInsensitiveHelpers) {
  EXPECT_TRUE(SameText(u"Setup.HTM", u"setup.htm"));
  EXPECT_TRUE(SameText(u"\u041F\u0420\u0418\u041C\u0415\u0420", u"\u043F\u0440\u0438\u043C\u0435\u0440"));
  EXPECT_FALSE(SameText(u"p", u"p "));
  EXPECT_LT(CompareText(u"abc", u"ABD"), 0);
  EXPECT_GT(CompareText(u"abcd", u"ABC"), 0);
  EXPECT_EQ(CompareText(u"Body", u"BODY"), 0);
  EXPECT_TRUE(StartsText(u"<TiTlE", u"<title>x"));
  EXPECT_FALSE(StartsText(u"<title>x!", u"<title>x"));
  EXPECT_TRUE(EndsText(u".HTM", u"a.htm"));
  EXPECT_EQ(PosText(u"</BODY", u"x</body></Body>"), 1u);
  EXPECT_EQ(PosText(u"</BODY", u"x</body></Body>", 2), 8u);
  EXPECT_EQ(PosText(u"zz", u"z"), std::u16string_view::npos);
  EXPECT_EQ(ReplaceText(u"a CharSet=x; CHARSET=y", u"charset=", u"charset="), u"a charset=x; charset=y");
  // The replacement is not matched again.
  EXPECT_EQ(ReplaceText(u"aAa", u"a", u"aa"), u"aaaaaa");
  EXPECT_EQ(ReplaceAll(u"a%20b%20", u"%20", u" "), u"a b ");
}

TEST(TextTrim, OrdinaryTrimRemovesControlsAndSpaceOnly) {
  EXPECT_EQ(Trim(u"\t\r\n \x01x y\x1F "), u"x y");
  EXPECT_EQ(Trim(u"\u00A0x\u00A0"), u"\u00A0x\u00A0");
  EXPECT_EQ(Trim(u"   "), u"");
  EXPECT_EQ(TrimLeft(u"  x "), u"x ");
  EXPECT_EQ(TrimRight(u"  x "), u"  x");
  EXPECT_TRUE(IsWhitespace(u'\t') && IsWhitespace(u'\n') && IsWhitespace(u'\r') && IsWhitespace(u' '));
  EXPECT_FALSE(IsWhitespace(u'\u00A0') || IsWhitespace(u'\f') || IsWhitespace(u'\v'));
}

TEST(TextNumbers, FormatAndParse) {
  EXPECT_EQ(IntToStr(0), u"0");
  EXPECT_EQ(IntToStr(-16777208), u"-16777208");
  EXPECT_EQ(IntToStr(INT64_MIN), u"-9223372036854775808");
  struct Case {
    const char16_t* text;
    bool ok;
    std::int32_t value;
  };
  const Case cases[] = {
      {u"12", true, 12},
      {u"-16777208", true, -16777208},
      {u" +7", true, 7},
      {u"2147483647", true, INT32_MAX},
      {u"-2147483648", true, INT32_MIN},
      {u"2147483648", false, 0},
      {u"99999999999999999999", false, 0},
      {u"", false, 0},
      {u"-", false, 0},
      {u"x", false, 0},
      {u"12 ", false, 0},
      {u"1.5", false, 0},
  };
  for (const auto& c : cases) {
    std::int32_t value = 0;
    EXPECT_EQ(TryStrToInt(c.text, value), c.ok) << U8(c.text);
    if (c.ok) {
      EXPECT_EQ(value, c.value) << U8(c.text);
    }
  }
  try {
    StrToInt(u"x");
    FAIL() << "expected a conversion error";
  } catch (const EConvertError& e) {
    EXPECT_STREQ(e.what(), "'x' is not a valid integer value");
  }
}

TEST(StringList, SortedCaseInsensitiveIgnoresDuplicates) {
  TStringList list;
  int a = 1;
  int b = 2;
  EXPECT_EQ(list.Add(u"c:\\Topics\\B.htm", &a), 0);
  EXPECT_EQ(list.Add(u"c:\\topics\\a.htm", &b), 0);
  EXPECT_EQ(list.Add(u"C:\\TOPICS\\b.HTM", &b), 1);  // already present: index of the first spelling
  ASSERT_EQ(list.Count(), 2);
  EXPECT_EQ(list[1], u"c:\\Topics\\B.htm");
  EXPECT_EQ(list.ObjectAs<int>(1), &a);
  EXPECT_EQ(list.IndexOf(u"C:\\topics\\A.HTM"), 0);
  EXPECT_EQ(list.IndexOf(u"c:\\topics\\z.htm"), -1);
  list.Delete(0);
  EXPECT_EQ(list.Count(), 1);
  EXPECT_EQ(list.IndexOf(u"c:\\topics\\b.htm"), 0);
}

TEST(StringList, CaseSensitiveNameValueLinesFindNamesThatArePrefixes) {
  TStringList list({.sorted = true, .case_sensitive = true, .name_value_separator = u':'});
  for (const char16_t* line : {u"sup:8835", u"sup1:185", u"sup2:178", u"amp:38", u"AMP:38", u"Amp2:1"}) {
    list.Add(line);
  }
  EXPECT_EQ(list.Values(u"sup"), u"8835");
  EXPECT_EQ(list.Values(u"sup1"), u"185");
  EXPECT_EQ(list.Values(u"amp"), u"38");
  EXPECT_EQ(list.Values(u"AMP"), u"38");
  EXPECT_EQ(list.Values(u"Amp"), u"");
  EXPECT_EQ(list.Values(u"su"), u"");
  const int i = list.IndexOfName(u"sup2");
  ASSERT_GE(i, 0);
  EXPECT_EQ(list.Names(i), u"sup2");
  EXPECT_EQ(list.ValueFromIndex(i), u"178");
  list.SetValue(u"sup2", u"9");
  EXPECT_EQ(list.Values(u"sup2"), u"9");
  EXPECT_EQ(list.Count(), 6);
}

TEST(StringList, UnsortedKeepsInsertionOrderAndDuplicates) {
  TStringList list({.sorted = false, .case_sensitive = false, .name_value_separator = u'|'});
  list.Add(u"utf-8|65001");
  list.Add(u"latin1|1252");
  list.Add(u"UTF-8|0");
  EXPECT_EQ(list.Count(), 3);
  EXPECT_EQ(list[0], u"utf-8|65001");
  EXPECT_EQ(list.Values(u"UTF-8"), u"65001");  // the first line of that name
  EXPECT_EQ(list.IndexOf(u"LATIN1|1252"), 1);
  list.Insert(0, u"x|1");
  EXPECT_EQ(list[0], u"x|1");
}

}  // namespace
}  // namespace tomeshift
