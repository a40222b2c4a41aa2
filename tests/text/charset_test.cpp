#include "text/charset.h"

#include <gtest/gtest.h>

#include "text/unicode.h"

namespace tomeshift {
namespace {

TEST(GetCharset, TakesTheNameAfterTheFirstDeclaration) {
  struct Case {
    const char* text;
    const char* charset;
  };
  const Case cases[] = {
      {"<meta http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1252\">", "windows-1252"},
      {"<META CONTENT='text/html; CHARSET=UTF-8'>", "utf-8"},
      {"<meta charset=\"utf-8\">", ""},  // the quote follows at once
      {"<html><body>no declaration</body></html>", ""},
      {"content=text/html;charset=Shift_JIS>", "shift_jis"},
      {"charset=utf-8; x\"", "utf-8; x"},  // a blank or ';' does not end the name
      {"charset=big5\r\n", "big5"},
      {"charset=koi8-r\tx", "koi8-r"},
      {"a charset=ISO-8859-2\" b charset=utf-8\"", "iso-8859-2"},
      {"ends with charset=", ""},
      {"charset=EUC-KR", "euc-kr"},  // up to the end of the text
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(U8(GetCharset(U16(c.text))), c.charset) << c.text;
}

}  // namespace
}  // namespace tomeshift
