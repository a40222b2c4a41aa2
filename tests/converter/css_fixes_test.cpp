#include "converter/css_fixes.h"

#include <gtest/gtest.h>

#include "platform/file_system.h"
#include "support/memory_file_system.h"
#include "text/unicode.h"

namespace tomeshift {
namespace {

TEST(CssFixes, DisplayAndAlignmentReplacements) {
  struct Case {
    const char16_t* in;
    const char16_t* out;
  } cases[] = {
      {u".x{DISPLAY:NONE}", u".x{display:block}"},
      {u"<div style=\"display: none\">t</div>", u"<div style=\"display:block\">t</div>"},
      {u"a{display :none} b{display : none}", u"a{display:block} b{display:block}"},
      {u"<p align=\"justify\">", u"<p Align=\"left\">"},
      {u"<p ALIGN=justify>", u"<p Align=left>"},
      {u"<p align='Justify'>", u"<p Align='left'>"},
      // other spacings are not recognised
      {u"a{display:  none}", u"a{display:  none}"},
      {u"a{display:\tnone}", u"a{display:\tnone}"},
      {u"<p align = \"justify\">", u"<p align = \"justify\">"},
      {u"display:nonesuch", u"display:blocksuch"},  // plain text matching, as in a style sheet
      {u"", u""},
  };
  for (const Case& c : cases) EXPECT_EQ(U8(FixDisplayAndAlignment(c.in)), U8(c.out)) << U8(c.in);
}

TEST(CssFixes, ChangeCssRewritesEachSheetInPlace) {
  testing::MemoryFileSystem fs;
  ScopedFileSystem scope(fs);
  fs.AddFile(u"/root/a.css", "p{display:none;text-align:justify}");
  fs.AddFile(u"/root/sub/b.css", "h1{color:red}");
  TStringList sheets;
  sheets.Add(u"/root/a.css");
  sheets.Add(u"/root/A.CSS");  // the list holds each sheet once
  sheets.Add(u"/root/sub/b.css");
  ASSERT_EQ(sheets.Count(), 2);
  ChangeCSS(sheets);
  EXPECT_EQ(*fs.ReadFile(u"/root/a.css"), "p{display:block;text-align:justify}");
  EXPECT_EQ(*fs.ReadFile(u"/root/sub/b.css"), "h1{color:red}");
}

}  // namespace
}  // namespace tomeshift
