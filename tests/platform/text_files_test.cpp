#include "platform/text_files.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "platform/code_pages.h"
#include "platform/errors.h"
#include "platform/file_system.h"
#include "platform/temp_files.h"
#include "support/recording_interaction.h"
#include "support/scratch_dir.h"
#include "text/unicode.h"

namespace tomeshift {
namespace {

using testing::RecordingInteraction;
using testing::ScratchDir;

std::string Utf16Le(std::u16string_view text) {
  std::string bytes;
  for (char16_t c : text) {
    bytes.push_back(static_cast<char>(c & 0xFF));
    bytes.push_back(static_cast<char>(c >> 8));
  }
  return bytes;
}

TEST(LoadTextFile, DecidesTheEncodingByMarkDeclarationOrCodePage) {
  struct Case {
    const char* what;
    std::string bytes;
    const char16_t* code_page;
    std::u16string text;
  };
  const std::string declare_1251 = "<meta content=\"text/html; charset=windows-1251\">";
  const std::string declare_utf8 = "<meta content=\"text/html; charset=utf-8\">";
  const std::string declare_1252 = "<meta content=\"text/html; charset=windows-1252\">";
  const Case cases[] = {
      {"UTF-8 mark", "\xEF\xBB\xBFh\xC3\xA9llo", u"", u"h\u00E9llo"},
      {"EF BB and any third byte", "\xEF\xBB\x41\x42\x43", u"", u"BC"},
      {"EF BB alone", "\xEF\xBB", u"", u""},
      {"UTF-16 mark", "\xFF\xFE" + Utf16Le(u"h\u00E9\u65E5"), u"1252", u"h\u00E9\u65E5"},
      {"UTF-16 odd last byte", "\xFF\xFE" + Utf16Le(u"ab") + "c", u"", u"ab"},
      {"declared windows-1251", declare_1251 + "\xCF\xF0\xE8", u"", U16(declare_1251 + "При")},
      {"declared utf-8 without mark", declare_utf8 + "\xE6\x97\xA5", u"", U16(declare_utf8 + "日")},
      {"declaration unknown to the table", "charset=iso-8859-15\"\xE9", u"", U16("charset=iso-8859-15\"é")},
      {"no declaration: ANSI", "caf\xE9", u"", u"caf\u00E9"},
      {"code page given wins over the declaration", declare_utf8 + "\xCF", u"1251", U16(declare_utf8 + "П")},
      {"code page 0 is ANSI", "\xE9", u"0", u"\u00E9"},
      {"declared page stops at a zero byte", declare_1252 + "ab" + std::string(1, '\0') + "cd", u"",
       U16(declare_1252 + "ab")},
      {"given code page stops at a zero byte", std::string("ab\0cd", 5), u"1252", u"ab"},
      {"ANSI reads past a zero byte", std::string("ab\0cd", 5), u"", std::u16string(u"ab\0cd", 5)},
      {"empty file", "", u"", u""},
      {"one byte", "A", u"", u"A"},
      {"one byte that starts a mark", "\xEF", u"", u"\u00EF"},
      {"invalid UTF-8 after the mark",
       "\xEF\xBB\xBF"
       "a\xFF",
       u"", u"a\uFFFD"},
  };
  ScratchDir dir;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    dir.Write("page.htm", c.bytes);
    EXPECT_EQ(LoadTextFile(U16(dir.folder()) + u"page.htm", c.code_page), c.text);
  }
  EXPECT_EQ(LoadTextFile(U16(dir.folder()) + u"missing.htm", u""), u"");
  dir.Write("page.htm", "plain");
  EXPECT_THROW(LoadTextFile(U16(dir.folder()) + u"page.htm", u"x"), TomeshiftError);
}

TEST(LoadTextFile, FindsThePageWithoutRegardToCase) {
  ScratchDir dir;
  dir.Write("Topics/Page.HTM", "x");
  EXPECT_EQ(LoadTextFile(U16(dir.folder()) + u"topics\\page.htm", u""), u"x");
}

// A file system whose files cannot be read (a disk error), for the failure paths.
class UnreadableFileSystem final : public IFileSystem {
 public:
  bool FileExists(std::u16string_view path) override { return native_.FileExists(path); }
  bool DirectoryExists(std::u16string_view path) override { return native_.DirectoryExists(path); }
  std::optional<std::string> ReadFile(std::u16string_view path) override {
    throw FileError(native_.NativePath(path), "Input/output error");
  }
  void WriteFile(std::u16string_view path, std::string_view bytes) override { native_.WriteFile(path, bytes); }
  void CreateDirectories(std::u16string_view path) override { native_.CreateDirectories(path); }
  bool RemoveFile(std::u16string_view path) override { return native_.RemoveFile(path); }
  bool RemoveTree(std::u16string_view path) override { return native_.RemoveTree(path); }
  std::vector<DirEntry> ListDirectory(std::u16string_view path) override { return native_.ListDirectory(path); }
  std::optional<std::uint64_t> FileSize(std::u16string_view path) override { return native_.FileSize(path); }
  std::string NativePath(std::u16string_view path) override { return native_.NativePath(path); }

 private:
  NativeFileSystem native_;
};

TEST(ReadPageText, ReportsFailuresAndReadsThemAsEmpty) {
  ScratchDir dir;
  dir.Write("page.htm", "text");
  const std::u16string page = U16(dir.folder()) + u"page.htm";
  RecordingInteraction user;
  ScopedUserInteraction guard(user);
  {
    UnreadableFileSystem unreadable;
    ScopedFileSystem fs_guard(unreadable);
    EXPECT_EQ(ReadPageText(page), u"");
  }
  EXPECT_EQ(ReadPageText(page, u"abc"), u"");  // a code page that is no number
  const auto messages = user.messages();
  ASSERT_EQ(messages.size(), 2u);
  for (const auto& m : messages) {
    EXPECT_EQ(m.icon, MessageIcon::kError);
    EXPECT_EQ(m.buttons, MessageButtons::kOk);
    EXPECT_NE(U8(m.text).find("page.htm"), std::string::npos) << U8(m.text);
  }
  EXPECT_NE(U8(messages[0].text).find("Input/output error"), std::string::npos);
  EXPECT_EQ(ReadPageText(page), u"text");
}

TEST(ReadPageText, LeavesNoFileBehindForAMissingPage) {
  ScratchDir dir;
  RecordingInteraction user;
  ScopedUserInteraction guard(user);
  EXPECT_EQ(ReadPageText(U16(dir.folder()) + u"missing.htm"), u"");
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "missing.htm"));
  EXPECT_TRUE(user.messages().empty());
}

TEST(ReadPageText, ReadsAFileInUseThroughACopyAndRemovesTheCopy) {
  ScratchDir dir;
  ScratchDir temp;
  const char* old_tmpdir = std::getenv("TMPDIR");
  const std::string saved = old_tmpdir ? old_tmpdir : "";
  setenv("TMPDIR", temp.path().c_str(), 1);
  dir.Write("page.htm", "\xEF\xBB\xBFin use");
  dir.Write(".~lock.page.htm#", "someone");  // an office suite holds the page
  ASSERT_TRUE(IsFileInUse(U16(dir.folder()) + u"page.htm"));
  const std::u16string text = ReadPageText(U16(dir.folder()) + u"page.htm");
  if (old_tmpdir) {
    setenv("TMPDIR", saved.c_str(), 1);
  } else {
    unsetenv("TMPDIR");
  }
  EXPECT_EQ(text, u"in use");
  EXPECT_TRUE(std::filesystem::is_empty(temp.path()));
}

TEST(GetTextEncoding, FollowsTheDeclaration) {
  struct Case {
    const char* text;
    int encoding;
  };
  const Case cases[] = {
      {"charset=utf-8\" é", kEncodingUtf8},
      {"charset=UTF-8\"", kEncodingUtf8},
      {"charset=unicode\"", kEncodingUtf16},
      {"charset=windows-1251\" Привет", 1251},
      {"charset=Shift_JIS\" 日本", 932},
      {"charset=latin1\" café", 1252},
      {"charset=iso-8859-1\" café", 28591},
      {"charset=iso-8859-15\" plain", kEncodingAnsi},  // not in the table
      {"no declaration, café", kEncodingAnsi},
      {"", kEncodingAnsi},
      // Text the chosen code page cannot hold is written as UTF-8 rather than losing characters.
      {"no declaration, 日本語", kEncodingUtf8},
      {"charset=windows-1251\" 日本", kEncodingUtf8},
  };
  for (const auto& c : cases) EXPECT_EQ(GetTextEncoding(U16(c.text)), c.encoding) << c.text;
}

TEST(EncodeTextToStream, WritesMarkAndBytes) {
  struct Case {
    int encoding;
    std::u16string text;
    std::string bytes;
  };
  const Case cases[] = {
      {kEncodingUtf8, u"h\u00E9", "\xEF\xBB\xBFh\xC3\xA9"},
      {kEncodingUtf16, u"h\u00E9", std::string("\xFF\xFEh\0\xE9\0", 6)},
      {kEncodingAnsi, u"h\u00E9", "h\xE9"},
      {-5, u"h\u00E9", "h\xE9"},
      {1251, u"\u041F", "\xCF"},
      {932, u"\u65E5", "\x93\xFA"},
      {1252, u"a\u65E5", "a?"},
      {1252, std::u16string(u"a\0b", 3), "a"},  // a code page conversion ends at U+0000
      {kEncodingAnsi, std::u16string(u"a\0b", 3), std::string("a\0b", 3)},
  };
  for (const auto& c : cases) {
    std::string stream = "previous content that is longer";
    EncodeTextToStream(c.text, c.encoding, stream);
    EXPECT_EQ(stream, c.bytes) << c.encoding;
  }
}

TEST(WritePageText, WritesEachPageInTheEncodingItDeclares) {
  struct Case {
    const char* what;
    std::u16string text;
    std::string bytes;
  };
  const std::string utf8_page = "<meta content=\"text/html; charset=UTF-8\">日本";
  const std::string unicode_page = "<meta content=\"text/html; charset=unicode\">é";
  const std::string cyrillic_page = "<meta content=\"text/html; charset=windows-1251\">";
  const Case cases[] = {
      {"utf-8 gets the mark", U16(utf8_page), "\xEF\xBB\xBF" + utf8_page},
      {"unicode gets FF FE", U16(unicode_page), "\xFF\xFE" + Utf16Le(U16(unicode_page))},
      {"declared code page", U16(cyrillic_page + "При"), cyrillic_page + "\xCF\xF0\xE8"},
      {"no declaration: ANSI", u"caf\u00E9", "caf\xE9"},
  };
  ScratchDir dir;
  const std::u16string page = U16(dir.folder()) + u"page.htm";
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_TRUE(WritePageText(c.text, page));
    EXPECT_EQ(dir.Read("page.htm"), c.bytes);
    EXPECT_EQ(LoadTextFile(page, u""), c.text);  // what was written reads back the same
  }
}

TEST(WritePageText, UnicodeFileWithoutDeclarationGoesBackToAnsiOrUtf8) {
  ScratchDir dir;
  const std::u16string page = U16(dir.folder()) + u"page.htm";
  dir.Write("page.htm", "\xFF\xFE" + Utf16Le(u"caf\u00E9"));
  EXPECT_TRUE(WritePageText(ReadPageText(page), page));
  EXPECT_EQ(dir.Read("page.htm"), "caf\xE9");
  // The ANSI code page cannot hold Japanese: the text stays whole as UTF-8.
  dir.Write("page.htm", "\xFF\xFE" + Utf16Le(u"\u65E5\u672C"));
  EXPECT_TRUE(WritePageText(ReadPageText(page), page));
  EXPECT_EQ(dir.Read("page.htm"), "\xEF\xBB\xBF\xE6\x97\xA5\xE6\x9C\xAC");
}

TEST(LoadTextFile, UndeclaredTextFollowsTheHelpFilesCodePage) {
  struct Case {
    const char* what;
    std::string bytes;
    const char16_t* code_page;
    const char* text;  // UTF-8
  };
  const std::string koi8 = "<meta content=\"text/html; charset=koi8-r\">";
  const Case cases[] = {
      {"no declaration", "<p>\xCF\xF0\xE8\x88</p>", u"", "<p>При€</p>"},
      {"declared charset", koi8 + "\xF0\xD2\xC9", u"", "<meta content=\"text/html; charset=koi8-r\">При"},
      {"UTF-8 mark", "\xEF\xBB\xBF\xD0\x9F", u"", "П"},
      {"code page given", "\xE9", u"1252", "é"},
  };
  ScratchDir dir;
  const std::u16string page = U16(dir.folder()) + u"page.htm";
  const ScopedAnsiCodePage russian(1251);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    dir.Write("page.htm", c.bytes);
    EXPECT_EQ(U8(LoadTextFile(page, c.code_page)), c.text);
  }
}

TEST(WritePageText, UndeclaredTextGoesBackInTheCodePageItWasReadIn) {
  ScratchDir dir;
  const std::u16string page = U16(dir.folder()) + u"page.htm";
  // '€' is 0x88 in 1251 but 0x80 in 1252: a page read in one and written in the other changes.
  const std::string bytes = "<p>\xCF\xF0\xE8 \x88 \xAB\xBB</p>";
  dir.Write("page.htm", bytes);
  const ScopedAnsiCodePage russian(1251);
  EXPECT_TRUE(WritePageText(ReadPageText(page), page));
  EXPECT_EQ(dir.Read("page.htm"), bytes);
}

TEST(WritePageText, EmptyTextLeavesTheFile) {
  ScratchDir dir;
  dir.Write("page.htm", "old content");
  EXPECT_TRUE(WritePageText(u"", U16(dir.folder()) + u"page.htm"));
  EXPECT_EQ(dir.Read("page.htm"), "old content");
}

TEST(WritePageText, OnFailureAsksForAnotherName) {
  ScratchDir dir;
  const std::u16string bad = U16(dir.folder()) + u"no-such-folder\\page.htm";
  const std::u16string also_bad = U16(dir.folder()) + u"nor-this\\page.htm";
  const std::u16string good = U16(dir.folder()) + u"saved.htm";

  RecordingInteraction user;
  ScopedUserInteraction guard(user);
  user.QueueSaveName(also_bad);
  user.QueueSaveName(good);
  EXPECT_TRUE(WritePageText(u"caf\u00E9", bad));
  EXPECT_EQ(dir.Read("saved.htm"), "caf\xE9");
  auto messages = user.messages();
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_EQ(messages[0].icon, MessageIcon::kError);
  EXPECT_EQ(messages[0].buttons, MessageButtons::kOk);
  EXPECT_NE(U8(messages[0].text).find("no-such-folder"), std::string::npos);
  EXPECT_NE(U8(messages[1].text).find("nor-this"), std::string::npos);
  auto requests = user.save_requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].file_name, bad);
  EXPECT_EQ(requests[1].file_name, also_bad);

  // Cancelling gives up; the existing file keeps its content.
  RecordingInteraction cancelling;
  ScopedUserInteraction guard2(cancelling);
  EXPECT_FALSE(WritePageText(u"new", bad));
  EXPECT_EQ(cancelling.messages().size(), 1u);
  EXPECT_EQ(cancelling.save_requests().size(), 1u);
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "no-such-folder"));
}

TEST(MultiByteToText, AnsiConvertsEverythingOtherCodePagesStopAtZero) {
  const std::string bytes("\xC0\0\xC1", 3);
  EXPECT_EQ(MultiByteToText(bytes, 0), std::u16string(u"\u00C0\0\u00C1", 3));
  EXPECT_EQ(MultiByteToText(bytes, 1251), u"\u0410");
  EXPECT_EQ(MultiByteToText("", 932), u"");
  EXPECT_EQ(TextToMultiByte(u"\u0410\u0411", 1251), "\xC0\xC1");
  EXPECT_EQ(TextToMultiByte(u"\u00C0", 0), "\xC0");
}

TEST(MultiByteToText, WarnsOncePerPageAboutApproximateCodePages) {
  ScratchDir dir;
  dir.Write("page.htm", "<meta content=\"text/html; charset=x-user-defined\">caf\xE9");
  RecordingInteraction user;
  ScopedUserInteraction guard(user);
  const std::u16string page = U16(dir.folder()) + u"page.htm";
  EXPECT_EQ(U8(ReadPageText(page)), "<meta content=\"text/html; charset=x-user-defined\">café");
  ReadPageText(page);
  const auto warnings = user.warnings();
  ASSERT_EQ(warnings.size(), 1u);
  EXPECT_EQ(warnings[0].page, page);
  EXPECT_NE(U8(warnings[0].text).find("50000"), std::string::npos);
}

}  // namespace
}  // namespace tomeshift
