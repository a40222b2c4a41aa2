// Pages are decoded as they were written back: byte order mark, else the declared charset, else the
// ANSI code page; then parsed as UTF-8 by the HTML parser without losing a character.
#include <gtest/gtest.h>

#include "html_import_test_util.h"
#include "platform/errors.h"
#include "platform/file_system.h"
#include "support/memory_file_system.h"

namespace tomeshift::word {
namespace {

using testing::Texts;

struct EncodingCase {
  const char* name;
  std::string bytes;
  std::string text;  // UTF-8
};

std::string Utf16Le(std::u16string_view s) {
  std::string out("\xFF\xFE", 2);
  for (char16_t c : s) out.push_back(static_cast<char>(c & 0xFF)), out.push_back(static_cast<char>(c >> 8));
  return out;
}

TEST(HtmlImportEncodingTest, DecodesAsPagesWereWrittenBack) {
  const EncodingCase cases[] = {
      {"utf-8 mark", "\xEF\xBB\xBF<p>\xC3\xA9t\xC3\xA9 \xE2\x82\xAC</p>", "\xC3\xA9t\xC3\xA9 \xE2\x82\xAC"},
      {"utf-16 mark", Utf16Le(u"<p>\u0416\u0443\u043A \U0001F600</p>"), "\xD0\x96\xD1\x83\xD0\xBA \xF0\x9F\x98\x80"},
      {"declared windows-1251",
       "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1251\"><p>\xCF\xF0\xE8\xE2\xE5\xF2</p>",
       "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82"},
      {"declared utf-8 without mark", "<meta content=\"text/html; charset=utf-8\"><p>\xE4\xB8\xAD</p>", "\xE4\xB8\xAD"},
      {"ANSI", "<p>caf\xE9 \x80</p>", "caf\xC3\xA9 \xE2\x82\xAC"},
  };
  tomeshift::testing::MemoryFileSystem fs;
  ScopedFileSystem guard(fs);
  for (const auto& c : cases) {
    fs.AddFile(u"/p/page.htm", c.bytes);
    DocModel doc;
    HtmlImport::ImportFile(u"/p/page.htm", doc);
    EXPECT_EQ(Texts(doc, doc.main), std::vector<std::string>{c.text}) << c.name;
  }
}

TEST(HtmlImportEncodingTest, MissingAndUnreadablePagesRaise) {
  tomeshift::testing::MemoryFileSystem fs;
  ScopedFileSystem guard(fs);
  DocModel doc;
  EXPECT_THROW(HtmlImport::ImportFile(u"/p/none.htm", doc), FileError);
  fs.AddFile(u"/p/locked.htm", "<p>x</p>");
  fs.FailOn(u"/p/locked.htm");
  EXPECT_THROW(HtmlImport::ImportFile(u"/p/locked.htm", doc), FileError);
  fs.AddFile(u"/p/empty.htm", "");
  EXPECT_NO_THROW(HtmlImport::ImportFile(u"/p/empty.htm", doc));
}

}  // namespace
}  // namespace tomeshift::word
