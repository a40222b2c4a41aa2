#include "platform/temp_files.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>

#include "platform/errors.h"
#include "support/scratch_dir.h"
#include "text/unicode.h"

namespace tomeshift {
namespace {

namespace fs = std::filesystem;
using testing::ScratchDir;

// Points an environment variable elsewhere for one test.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::string& value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    had_ = std::getenv(name) != nullptr;
    ::setenv(name, value.c_str(), 1);
  }
  ~ScopedEnv() {
    if (had_) {
      ::setenv(name_, old_.c_str(), 1);
    } else {
      ::unsetenv(name_);
    }
  }

 private:
  const char* name_;
  std::string old_;
  bool had_ = false;
};

TEST(TempFiles, TempFolderEndsInSeparator) {
  ScratchDir dir;
  {
    ScopedEnv tmp("TMPDIR", dir.path().string());
    EXPECT_EQ(GetTempFolder(), U16(dir.folder()));
  }
  {
    ScopedEnv tmp("TMPDIR", dir.folder());
    EXPECT_EQ(GetTempFolder(), U16(dir.folder()));
  }
  {
    ScopedEnv tmp("TMPDIR", "");
    EXPECT_EQ(GetTempFolder(), u"/tmp/");
  }
}

TEST(TempFiles, NewTempFileNameCreatesDistinctEmptyFiles) {
  ScratchDir dir;
  ScopedEnv tmp("TMPDIR", dir.path().string());
  std::set<std::u16string> names;
  for (int i = 0; i < 20; ++i) {
    const std::u16string name = NewTempFileName();
    EXPECT_TRUE(name.starts_with(U16(dir.folder()) + u"~wi")) << U8(name);
    EXPECT_TRUE(fs::is_regular_file(U8(name)));
    EXPECT_EQ(fs::file_size(U8(name)), 0u);
    names.insert(name);
  }
  EXPECT_EQ(names.size(), 20u);
}

TEST(TempFiles, NewTempFileNameFailsClearlyWithoutATempFolder) {
  ScopedEnv tmp("TMPDIR", "/nonexistent-tomeshift-folder");
  EXPECT_THROW(NewTempFileName(), FileError);
}

TEST(TempFiles, NewTempFolderNameIsFreeAndInRange) {
  ScratchDir dir;
  ScopedEnv tmp("TMPDIR", dir.path().string());
  const std::u16string prefix = U16(dir.folder());
  for (int i = 0; i < 50; ++i) {
    const std::u16string name = NewTempFolderName();
    ASSERT_TRUE(name.starts_with(prefix));
    ASSERT_EQ(name.back(), u'/');
    const int number = std::stoi(U8(name.substr(prefix.size(), name.size() - prefix.size() - 1)));
    EXPECT_GE(number, 100000);
    EXPECT_LE(number, 1099998);
    EXPECT_FALSE(fs::exists(fs::symlink_status(U8(name.substr(0, name.size() - 1)))));
    // Occupy it in every way the name can be taken, so later draws must avoid it.
    const std::string path = U8(name.substr(0, name.size() - 1));
    switch (i % 3) {
      case 0:
        fs::create_directory(path);
        break;
      case 1:
        dir.Write(fs::path(path).filename().string(), "");
        break;
      default:
        fs::create_symlink(dir.path() / "missing-target", path);
        break;
    }
  }
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 50);
}

TEST(TempFiles, DeleteFolderRemovesTreeButNotLinkTargets) {
  ScratchDir dir;
  dir.Write("keep/precious.txt", "p");
  dir.Write("doomed/a/b.htm", "b");
  fs::create_directory_symlink(dir.path() / "keep", dir.path() / "doomed" / "link");
  EXPECT_TRUE(DeleteFolder(U16(dir.folder()) + u"Doomed/"));  // case-insensitive, trailing separator
  EXPECT_FALSE(fs::exists(dir.path() / "doomed"));
  EXPECT_EQ(dir.Read("keep/precious.txt"), "p");
  EXPECT_FALSE(DeleteFolder(U16(dir.folder()) + u"doomed"));
}

TEST(TempFiles, IsFileInUse) {
  ScratchDir dir;
  const std::u16string root = U16(dir.folder());
  // A missing file is not in use, and testing it leaves an empty file.
  EXPECT_FALSE(IsFileInUse(root + u"new.docx"));
  EXPECT_TRUE(fs::is_regular_file(dir.path() / "new.docx"));
  EXPECT_EQ(fs::file_size(dir.path() / "new.docx"), 0u);
  // A dangling link is not followed to create its target.
  fs::create_symlink(dir.path() / "target.docx", dir.path() / "planted.docx");
  EXPECT_TRUE(IsFileInUse(root + u"planted.docx"));
  EXPECT_FALSE(fs::exists(dir.path() / "target.docx"));
  // A missing folder cannot hold the file.
  EXPECT_TRUE(IsFileInUse(root + u"nofolder/x.docx"));
  EXPECT_TRUE(IsFileInUse(root));

  struct Case {
    const char* file;
    const char* lock;  // created beside the file; nullptr for none
    bool expected;
  };
  const Case cases[] = {
      {"free.docx", nullptr, false},
      {"office.docx", ".~lock.office.docx#", true},
      {"short.doc", "~$short.doc", true},
      {"Report1.docx", "~$eport1.docx", true},     // seven characters: Word drops one
      {"Document1.docx", "~$cument1.docx", true},  // longer: Word drops two
      {"essay.doc", "~$say.doc", true},
      {"other.docx", "~$other.doc", false},
  };
  for (const auto& c : cases) {
    dir.Write(c.file, "content");
    if (c.lock) dir.Write(c.lock, "owner");
    EXPECT_EQ(IsFileInUse(root + U16(c.file)), c.expected) << c.file;
  }
}

TEST(TempFiles, IsFileInUseSeesAnotherProcessLock) {
  ScratchDir dir;
  const auto file = dir.Write("locked.docx", "content");
  int ready[2];
  int release[2];
  ASSERT_EQ(::pipe(ready), 0);
  ASSERT_EQ(::pipe(release), 0);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    const int fd = ::open(file.c_str(), O_RDWR);
    struct flock lock = {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    const char ok = (fd >= 0 && ::fcntl(fd, F_SETLK, &lock) == 0) ? 'y' : 'n';
    (void)!::write(ready[1], &ok, 1);
    char c;
    (void)!::read(release[0], &c, 1);
    ::_exit(0);
  }
  char ok = 0;
  ASSERT_EQ(::read(ready[0], &ok, 1), 1);
  ASSERT_EQ(ok, 'y');
  EXPECT_TRUE(IsFileInUse(U16(file.string())));
  (void)!::write(release[1], "x", 1);
  int status = 0;
  ::waitpid(child, &status, 0);
  EXPECT_FALSE(IsFileInUse(U16(file.string())));
  for (int fd : {ready[0], ready[1], release[0], release[1]}) ::close(fd);
}

TEST(TempFiles, DocumentsFolderFollowsXdgThenHome) {
  ScratchDir dir;
  ScopedEnv home("HOME", dir.path().string());
  ScopedEnv config("XDG_CONFIG_HOME", (dir.path() / "cfg").string());
  EXPECT_EQ(GetSpecialFolderPath(CSIDL_PERSONAL), U16(dir.path().string()));
  fs::create_directory(dir.path() / "Documents");
  EXPECT_EQ(GetSpecialFolderPath(CSIDL_PERSONAL), U16((dir.path() / "Documents").string()));
  dir.Write("cfg/user-dirs.dirs", "# comment\nXDG_DESKTOP_DIR=\"$HOME/Desk\"\nXDG_DOCUMENTS_DIR=\"$HOME/Dokumente\"\n");
  EXPECT_EQ(GetSpecialFolderPath(CSIDL_PERSONAL), U16((dir.path() / "Documents").string()));  // not there yet
  fs::create_directory(dir.path() / "Dokumente");
  EXPECT_EQ(GetSpecialFolderPath(CSIDL_PERSONAL), U16((dir.path() / "Dokumente").string()));
  EXPECT_EQ(GetSpecialFolderPath(0x1A), u"");
}

}  // namespace
}  // namespace tomeshift
