#include "support/memory_file_system.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "platform/errors.h"
#include "platform/temp_files.h"
#include "text/unicode.h"

namespace tomeshift {
namespace {

using testing::MemoryFileSystem;

TEST(MemoryFileSystem, BehavesLikeTheNativeOne) {
  MemoryFileSystem fsys;
  fsys.AddFile(u"C:\\work\\Topics\\Setup.htm", "s");
  fsys.AddFile(u"C:/work/topics/\u041F\u0440\u0438\u043C\u0435\u0440.htm", "cyr");
  EXPECT_EQ(fsys.ReadFile(u"c:/WORK/topics/SETUP.HTM"), "s");
  EXPECT_EQ(fsys.ReadFile(u"C:\\work\\TOPICS\\\u043F\u0420\u0418\u041C\u0415\u0420.HTM"), "cyr");
  EXPECT_EQ(fsys.ReadFile(u"C:\\work\\x\\..\\Topics\\.\\setup.htm"), "s");
  EXPECT_FALSE(fsys.ReadFile(u"C:\\work\\missing.htm").has_value());
  EXPECT_TRUE(fsys.DirectoryExists(u"c:\\work\\topics\\"));
  EXPECT_FALSE(fsys.FileExists(u"c:\\work\\topics"));
  EXPECT_EQ(fsys.FileSize(u"C:/work/topics/setup.htm"), 1u);
  EXPECT_FALSE(fsys.FileSize(u"C:/work/topics").has_value());
  EXPECT_THROW(fsys.ReadFile(u"C:/work/topics"), FileError);

  // Writing keeps the first spelling of the folders and needs them to exist.
  fsys.WriteFile(u"C:\\WORK\\TOPICS\\New.htm", "n");
  EXPECT_EQ(fsys.NativePath(u"c:/work/topics/new.htm"), "C:/work/Topics/New.htm");
  EXPECT_EQ(fsys.NativePath(u"c:/work/topics/not/there.htm"), "C:/work/Topics/not/there.htm");
  EXPECT_THROW(fsys.WriteFile(u"C:\\work\\nofolder\\x.htm", "x"), FileError);
  fsys.CreateDirectories(u"C:\\work\\a\\b");
  fsys.WriteFile(u"C:\\work\\A\\B\\x.htm", "x");
  EXPECT_THROW(fsys.CreateDirectories(u"C:\\work\\a\\b\\x.htm"), FileError);

  auto listing = fsys.ListDirectory(u"c:/work/topics");
  std::sort(listing.begin(), listing.end(), [](const DirEntry& a, const DirEntry& b) { return a.name < b.name; });
  ASSERT_EQ(listing.size(), 3u);
  EXPECT_EQ(listing[0].name, u"New.htm");
  EXPECT_EQ(listing[1].name, u"Setup.htm");

  EXPECT_FALSE(fsys.RemoveFile(u"C:/work/a"));
  EXPECT_TRUE(fsys.RemoveFile(u"C:/work/topics/new.htm"));
  EXPECT_TRUE(fsys.RemoveTree(u"c:/work/TOPICS/"));
  EXPECT_FALSE(fsys.RemoveTree(u"c:/work/topics"));
  EXPECT_EQ(fsys.AllFiles(), std::vector<std::u16string>{u"C:/work/a/b/x.htm"});

  fsys.FailOn(u"c:/work/a");
  EXPECT_THROW(fsys.ReadFile(u"C:/work/a/b/x.htm"), FileError);
  EXPECT_THROW(fsys.WriteFile(u"C:/work/a/b/y.htm", "y"), FileError);
}

TEST(MemoryFileSystem, TempHelpersWorkAgainstIt) {
  MemoryFileSystem fsys;
  ScopedFileSystem installed(fsys);
  fsys.AddFile(u"/docs/report.docx", "r");
  fsys.AddFile(u"/docs/.~lock.busy.docx#", "lock");
  fsys.AddFile(u"/docs/busy.docx", "b");
  EXPECT_FALSE(IsFileInUse(u"/docs/report.docx"));
  EXPECT_TRUE(IsFileInUse(u"/docs/busy.docx"));
  EXPECT_TRUE(IsFileInUse(u"/docs"));
  EXPECT_TRUE(IsFileInUse(u"/nofolder/x.docx"));
  EXPECT_FALSE(IsFileInUse(u"/docs/fresh.docx"));
  EXPECT_EQ(fsys.ReadFile(u"/docs/fresh.docx"), "");  // left behind, empty
  fsys.CreateDirectories(u"/scratch/dir/sub");
  fsys.AddFile(u"/scratch/dir/sub/a.htm", "a");
  EXPECT_TRUE(DeleteFolder(u"/scratch/DIR/"));
  EXPECT_FALSE(fsys.DirectoryExists(u"/scratch/dir"));
  EXPECT_TRUE(fsys.DirectoryExists(u"/scratch"));
}

}  // namespace
}  // namespace tomeshift
