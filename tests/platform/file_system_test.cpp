#include "platform/file_system.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "platform/errors.h"
#include "support/scratch_dir.h"
#include "text/unicode.h"

namespace tomeshift {
namespace {

using testing::ScratchDir;

TEST(FileSystem, ResolvesHelpFileSpellingsCaseInsensitively) {
  ScratchDir dir;
  dir.Write("html/setup.htm", "s");
  dir.Write("Images/Logo.GIF", "g");
  dir.Write("html/\xD0\xBF\xD1\x80\xD0\xB8\xD0\xBC\xD0\xB5\xD1\x80.htm", "cyr");  // "пример.htm"
  NativeFileSystem fsys;
  const std::u16string root = U16(dir.folder());
  struct Case {
    const char* spelled;
    const char* content;
  };
  const Case cases[] = {
      {"html\\setup.htm", "s"},
      {"HTML\\Setup.HTM", "s"},
      {"html/SETUP.htm", "s"},
      {"images\\logo.gif", "g"},
      {"Html\\\xD0\x9F\xD0\xA0\xD0\x98\xD0\x9C\xD0\x95\xD0\xA0.HTM", "cyr"},  // "ПРИМЕР.HTM"
  };
  for (const auto& c : cases) {
    const auto data = fsys.ReadFile(root + U16(c.spelled));
    ASSERT_TRUE(data.has_value()) << c.spelled;
    EXPECT_EQ(*data, c.content) << c.spelled;
  }
  EXPECT_FALSE(fsys.ReadFile(root + u"html\\missing.htm").has_value());
  EXPECT_FALSE(fsys.FileExists(root + u"nothere\\setup.htm"));
}

TEST(FileSystem, WritesIntoExistingFolderOfOtherCaseAndReportsFailures) {
  ScratchDir dir;
  dir.Write("Topics/a.htm", "old");
  NativeFileSystem fsys;
  const std::u16string root = U16(dir.folder());
  fsys.WriteFile(root + u"topics\\A.HTM", "new");
  EXPECT_EQ(dir.Read("Topics/a.htm"), "new");
  fsys.WriteFile(root + u"TOPICS\\b.htm", "b");
  EXPECT_EQ(dir.Read("Topics/b.htm"), "b");
  try {
    fsys.WriteFile(root + u"no\\such\\folder\\x.htm", "x");
    FAIL() << "writing into a missing folder must fail";
  } catch (const FileError& e) {
    EXPECT_NE(std::string(e.what()).find("x.htm"), std::string::npos);
  }
}

TEST(FileSystem, OutsideScratchFoldersNamesAreExactAndPagesReadOnlyWhatLiesInside) {
  ScratchDir dir;
  dir.Write("out/REPORT.docx", "report");
  dir.Write("help/page.htm", "page");
  dir.Write("help/big.png", std::string(2048, 'x'));
  NativeFileSystem fsys;
  ScopedFileSystem use(fsys);
  const std::u16string top = U16(dir.folder());
  RemoveScratchFolder(top);  // an ordinary folder, as the user's are
  AddScratchFolder(top + u"help/");
  EXPECT_FALSE(fsys.FileExists(top + u"out/report.docx"));
  EXPECT_TRUE(fsys.FileExists(top + u"out/REPORT.docx"));
  EXPECT_TRUE(fsys.FileExists(top + u"help/PAGE.HTM"));
  EXPECT_EQ(ScratchFolderOf(top + u"help/sub/x.htm"), top + u"help/");
  EXPECT_EQ(ScratchFolderOf(top + u"out/REPORT.docx"), u"");

  EXPECT_EQ(ReadConfinedFile(top + u"help/Page.htm", 1024), "page");
  EXPECT_EQ(ReadConfinedFile(top + u"help/missing.htm", 1024), std::nullopt);
  EXPECT_THROW(ReadConfinedFile(top + u"help/big.png", 1024), FileError);
  std::filesystem::create_symlink(dir.path() / "out" / "REPORT.docx", dir.path() / "help" / "linked.png");
  std::filesystem::create_directory_symlink(dir.path() / "out", dir.path() / "help" / "folder");
  ASSERT_EQ(::mkfifo((dir.path() / "help" / "fifo.css").c_str(), 0600), 0);
  for (const char16_t* refused : {u"help/linked.png", u"help/folder/REPORT.docx", u"help/fifo.css"})
    EXPECT_THROW(ReadConfinedFile(top + refused, 1024), FileError) << U8(refused);
  RemoveScratchFolder(top + u"help/");
}

TEST(Unicode, Utf8RoundTripAndReplacement) {
  const std::string samples[] = {"plain", "\xC3\xA9t\xC3\xA9", "\xE6\x97\xA5\xE6\x9C\xAC", "\xF0\x9F\x98\x80"};
  for (const auto& s : samples) EXPECT_EQ(U8(U16(s)), s);
  EXPECT_EQ(U16("a\xFF"
                "b"),
            u"a\uFFFDb");
  EXPECT_EQ(U16("\xE6\x97"), u"\uFFFD");      // truncated sequence
  EXPECT_EQ(U16("\xC0\xAF"), u"\uFFFD");      // overlong
  EXPECT_EQ(U16("\xED\xA0\x80"), u"\uFFFD");  // encoded surrogate
  EXPECT_EQ(U8(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD");
}

}  // namespace
}  // namespace tomeshift
