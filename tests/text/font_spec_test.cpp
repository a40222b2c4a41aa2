#include "text/font_spec.h"

#include <gtest/gtest.h>

#include "text/text_utils.h"
#include "text/unicode.h"

namespace tomeshift {
namespace {

TFont MakeFont(const char16_t* name, int size, std::uint32_t color, bool b, bool i, bool u, bool s) {
  TFont font;
  font.Name = name;
  font.Size = size;
  font.Color = color;
  font.Bold = b;
  font.Italic = i;
  font.Underline = u;
  font.StrikeOut = s;
  return font;
}

TEST(FontSpec, WritesAndReadsBack) {
  struct Case {
    TFont font;
    const char16_t* spec;
  };
  const Case cases[] = {
      {MakeFont(u"Arial", 12, 255, true, true, false, false), u"Arial,12,255,[BI]"},
      {MakeFont(u"Calibri", 27, 0, true, false, true, false), u"Calibri,27,0,[BU]"},
      {MakeFont(u"Calibri", 11, 0, false, false, false, false), u"Calibri,11,0,[]"},
      {MakeFont(u"Times New Roman", 9, 0x00FF8040, false, true, true, true), u"Times New Roman,9,16744512,[IUS]"},
      {MakeFont(u"Segoe UI", 10, 0xFF000008, true, true, true, true), u"Segoe UI,10,-16777208,[BIUS]"},
      {MakeFont(u"\u5B8B\u4F53", 10, 0, false, false, false, true), u"\u5B8B\u4F53,10,0,[S]"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FontToSpec(c.font), c.spec) << U8(c.spec);
    TFont back = MakeFont(u"Other", 99, 1, !c.font.Bold, !c.font.Italic, !c.font.Underline, !c.font.StrikeOut);
    SpecToFont(c.spec, back);
    EXPECT_EQ(back, c.font) << U8(c.spec);
  }
}

TEST(FontSpec, ReadsLooseForms) {
  const TFont start = MakeFont(u"Start", 8, 7, false, false, false, true);
  struct Case {
    const char16_t* spec;
    TFont expected;
  };
  const Case cases[] = {
      {u"Arial,12,255,[BI],", MakeFont(u"Arial", 12, 255, true, true, false, false)},  // trailing comma
      {u"Arial,12,255,IB", MakeFont(u"Arial", 12, 255, true, true, false, false)},     // no brackets
      {u"Arial,12,255,[bi]", MakeFont(u"Arial", 12, 255, false, false, false, false)},
      {u" Arial ,12,255,[]", MakeFont(u" Arial ", 12, 255, false, false, false, false)},  // name untrimmed
      {u"Arial,12", start},                                                               // too few fields: unchanged
      {u"Arial,Narrow,12,0,[]", start},  // a comma in the name: five fields, ignored
      {u"Arial,12,255,[BI],,", start},   // two trailing commas: five fields
      {u"", start},
      {u"Arial\n,12,0,[]", start},  // a line break splits as well
  };
  for (const auto& c : cases) {
    TFont font = start;
    SpecToFont(c.spec, font);
    EXPECT_EQ(font, c.expected) << U8(c.spec);
  }
}

TEST(FontSpec, NonIntegerSizeOrColourIsAConversionError) {
  for (const char16_t* spec : {u"Arial,x,0,[]", u"Arial,12,red,[]", u"Arial,,0,[]", u"Arial,12,4294967295,[]"}) {
    TFont font;
    EXPECT_THROW(SpecToFont(spec, font), EConvertError) << U8(spec);
  }
}

}  // namespace
}  // namespace tomeshift
