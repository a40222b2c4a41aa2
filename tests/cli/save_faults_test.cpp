// Saving under faults: a read-only folder or file, the disk full, the output held open by an office
// suite, the process killed at any moment. An existing document is never damaged, no partial document
// appears under the output name, and the message names the file and the reason.
#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform/atomic_save.h"
#include "platform/errors.h"
#include "support/docx_reader.h"
#include "support/scratch_dir.h"
#include "text/unicode.h"
#include "word/docx/docx_packager.h"
#include "word/model/story_builder.h"
#include "word/msdoc/writer.h"

namespace tomeshift {
namespace {

namespace fs = std::filesystem;
using testing::ReadBinaryFile;
using testing::ScratchDir;
using word::AtomicSave;

constexpr uid_t kNobody = 65534;
const std::string kOld = "an older document that must survive\n";
const std::string kNested = (fs::path(TOMESHIFT_FIXTURES_DIR) / "converter/nested-contents.chm").string();

std::set<std::string> Listing(const fs::path& folder) {
  std::set<std::string> names;
  for (const auto& e : fs::directory_iterator(folder)) names.insert(e.path().filename().string());
  return names;
}

void WriteFile(const fs::path& path, const std::string& bytes) {
  FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr) << path;
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
}

// How a child process is constrained.
struct Limits {
  bool as_nobody = false;  // root ignores permission bits; an unprivileged user does not
  rlim_t file_size = 0;    // RLIMIT_FSIZE: writes beyond it fail with EFBIG, as on a full disk
};

void ApplyLimits(const Limits& limits) {
  if (limits.file_size) {
    rlimit r{limits.file_size, limits.file_size};
    ::setrlimit(RLIMIT_FSIZE, &r);
    ::signal(SIGXFSZ, SIG_IGN);  // the write then fails instead of killing the process
  }
  if (limits.as_nobody) {
    if (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0) ::_exit(120);
  }
}

bool CanRunAsNobody() {
  if (::geteuid() != 0) return false;
  const pid_t pid = ::fork();
  if (pid == 0) {
    ApplyLimits(Limits{true, 0});
    ::_exit(::geteuid() == kNobody ? 0 : 1);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Runs fn in a child process under limits; returns its message ("" when it did not throw).
std::string InChild(const Limits& limits, const std::function<void()>& fn) {
  int pipe_fds[2];
  if (::pipe(pipe_fds) != 0) return "no pipe";
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::close(pipe_fds[0]);
    ApplyLimits(limits);
    std::string message;
    try {
      fn();
    } catch (const std::exception& e) {
      message = e.what();
      if (message.empty()) message = "?";
    }
    (void)!::write(pipe_fds[1], message.data(), message.size());
    ::_exit(0);
  }
  ::close(pipe_fds[1]);
  std::string message;
  char buf[512];
  for (ssize_t n; (n = ::read(pipe_fds[0], buf, sizeof buf)) > 0;) message.append(buf, static_cast<std::size_t>(n));
  ::close(pipe_fds[0]);
  int status = 0;
  ::waitpid(pid, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return "child ended abnormally: " + std::to_string(status);
  return message;
}

// A model whose document is some tens of kilobytes in either format.
word::DocModel SampleModel() {
  word::DocModel doc;
  word::StoryBuilder b(doc, doc.main);
  for (int i = 0; i < 400; ++i) {
    b.Text(u"Paragraph " + U16(std::to_string(i)) + u" with enough words to make the document larger than a page.");
    b.EndParagraph(word::ParaProps{});
  }
  b.Finish();
  return doc;
}

using Saver = void (*)(const word::DocModel&, const std::u16string&);
struct WriterCase {
  const char* name;
  Saver save;
  const char* extension;
};
const WriterCase kWriters[] = {{"docx", &word::DocxPackager::Save, ".docx"}, {"doc", &word::TDocWriter::Save, ".doc"}};

// --- The writers' save path, in process ---

class WriterFaults : public ::testing::TestWithParam<WriterCase> {
 protected:
  ScratchDir scratch;
  fs::path target = scratch.path() / (std::string("report") + GetParam().extension);
  void Save() const { GetParam().save(SampleModel(), U16(target.string())); }
};

TEST_P(WriterFaults, DiskFullKeepsTheOldDocumentAndLeavesNoTemporaryFile) {
  for (const bool existed : {true, false}) {
    SCOPED_TRACE(existed ? "replacing" : "new");
    fs::remove(target);
    if (existed) WriteFile(target, kOld);
    const std::string message = InChild(Limits{false, 4096}, [&] { Save(); });
    EXPECT_NE(message.find(target.string()), std::string::npos) << message;
    EXPECT_NE(message.find(std::strerror(EFBIG)), std::string::npos) << message;
    if (existed) {
      EXPECT_EQ(ReadBinaryFile(target), kOld);
    }
    EXPECT_EQ(Listing(scratch.path()), existed ? std::set<std::string>{target.filename()} : std::set<std::string>{});
  }
}

TEST_P(WriterFaults, ReadOnlyFolderOrFileRefusesAndKeepsTheOldDocument) {
  if (!CanRunAsNobody() && ::geteuid() == 0)
    GTEST_SKIP() << "running as root and cannot switch to an unprivileged user";
  fs::permissions(scratch.path(), fs::perms::all);  // reachable for the unprivileged child
  struct Case {
    const char* what;
    fs::perms folder, file;
    bool existed;
  } cases[] = {{"read-only folder, old document", fs::perms(0555), fs::perms(0666), true},
               {"read-only folder, no document", fs::perms(0555), fs::perms(0666), false},
               {"read-only document", fs::perms(0777), fs::perms(0444), true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fs::permissions(scratch.path(), fs::perms::all);
    fs::remove(target);
    if (c.existed) {
      WriteFile(target, kOld);
      fs::permissions(target, c.file);
    }
    fs::permissions(scratch.path(), c.folder);
    const std::string message = InChild(Limits{::geteuid() == 0, 0}, [&] { Save(); });
    fs::permissions(scratch.path(), fs::perms::all);
    EXPECT_NE(message.find(target.string()), std::string::npos) << message;
    EXPECT_NE(message.find(std::strerror(EACCES)), std::string::npos) << message;
    if (c.existed) {
      EXPECT_EQ(ReadBinaryFile(target), kOld);
    }
    EXPECT_EQ(Listing(scratch.path()), c.existed ? std::set<std::string>{target.filename()} : std::set<std::string>{});
  }
}

TEST_P(WriterFaults, ReplacingKeepsTheOldPermissionsAndRemovesStaleTemporaryFiles) {
  WriteFile(target, kOld);
  fs::permissions(target, fs::perms(0640));
  // Temporary files of a save that was killed: one of a process that is gone, one of a live
  // process (this test's parent stands in for a save still running), one not of ours.
  const pid_t gone = ::fork();
  if (gone == 0) ::_exit(0);
  ::waitpid(gone, nullptr, 0);
  const std::string prefix = "." + target.filename().string() + ".~tmp";
  const std::string stale = prefix + std::to_string(gone) + ".0";
  const std::string live = prefix + std::to_string(::getppid()) + ".3";
  const std::string foreign = prefix + "notes";
  for (const auto& name : {stale, live, foreign}) WriteFile(scratch.path() / name, "partial");
  Save();
  EXPECT_EQ(Listing(scratch.path()), (std::set<std::string>{target.filename(), live, foreign}));
  EXPECT_EQ(fs::status(target).permissions() & fs::perms::mask, fs::perms(0640));
  EXPECT_NE(ReadBinaryFile(target), kOld);
}

INSTANTIATE_TEST_SUITE_P(Formats, WriterFaults, ::testing::ValuesIn(kWriters),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(AtomicSaveTest, StaleTemporaryNames) {
  const pid_t gone = ::fork();
  if (gone == 0) ::_exit(0);
  ::waitpid(gone, nullptr, 0);
  const std::string target = "/some/folder/My Book.docx";
  const std::string g = std::to_string(gone);
  struct Case {
    std::string name;
    bool stale;
  } cases[] = {
      {".My Book.docx.~tmp" + g + ".7", true},
      {".My Book.docx.~tmp" + std::to_string(::getpid()) + ".7", false},   // this process: maybe saving now
      {".My Book.docx.~tmp" + std::to_string(::getppid()) + ".7", false},  // alive
      {".My Book.doc.~tmp" + g + ".7", false},                             // another document's
      {".My Book.docx.~tmp" + g, false},
      {".My Book.docx.~tmp" + g + ".x", false},
      {".My Book.docx.~tmpabc.7", false},
      {"My Book.docx.~tmp" + g + ".7", false},
      {".My Book.docx.~tmp0.7", false},
  };
  for (const Case& c : cases) EXPECT_EQ(AtomicSave::IsStaleTemp(target, c.name), c.stale) << c.name;
  EXPECT_EQ(AtomicSave::TempPrefix(target), "/some/folder/.My Book.docx.~tmp");
}

TEST(AtomicSaveTest, NothingHappensUntilCommitAndAnAbandonedSaveLeavesNoTrace) {
  ScratchDir scratch;
  const fs::path target = scratch.path() / "a.doc";
  WriteFile(target, kOld);
  {
    AtomicSave save(target.string());
    save.Write("new contents");
    EXPECT_EQ(ReadBinaryFile(target), kOld);
    EXPECT_EQ(ReadBinaryFile(save.temp_path()), "new contents");
  }
  EXPECT_EQ(Listing(scratch.path()), std::set<std::string>{"a.doc"});
  {
    AtomicSave save(target.string());
    save.Write("new ");
    save.Write("contents");
    save.Commit();
  }
  EXPECT_EQ(ReadBinaryFile(target), "new contents");
  EXPECT_EQ(Listing(scratch.path()), std::set<std::string>{"a.doc"});
}

// --- tomeshift-cli as a user runs it ---

struct CliRun {
  int status = -1;  // exit status, or -signal
  std::string err;
};

class CliSaveFaults : public ::testing::TestWithParam<const char*> {
 protected:
  ScratchDir scratch;
  fs::path out = scratch.path() / "out";
  fs::path target = out / (std::string("manual") + GetParam());

  void SetUp() override {
    for (const char* sub : {"tmp", "config", "out"}) fs::create_directories(scratch.path() / sub);
    // Reachable and writable for an unprivileged child as well.
    for (const auto& p : {scratch.path(), scratch.path() / "tmp", scratch.path() / "config", out})
      fs::permissions(p, fs::perms::all);
  }

  pid_t Start(const Limits& limits) const {
    const std::string err = (scratch.path() / "stderr.txt").string();
    const pid_t pid = ::fork();
    if (pid == 0) {
      const int null = ::open("/dev/null", O_RDWR);
      const int fd = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
      ::dup2(null, 0);
      ::dup2(null, 1);
      ::dup2(fd, 2);
      ApplyLimits(limits);
      const std::string tmp = "TMPDIR=" + (scratch.path() / "tmp").string();
      const std::string config = "XDG_CONFIG_HOME=" + (scratch.path() / "config").string();
      const std::string home = "HOME=" + scratch.path().string();
      const char* env[] = {tmp.c_str(),          config.c_str(),       home.c_str(),
                           "PATH=/usr/bin:/bin", "TOMESHIFT_SOFFICE=", nullptr};
      const char* argv[] = {TOMESHIFT_CLI_PATH, "--factory", "--quiet", kNested.c_str(), "-o", target.c_str(), nullptr};
      ::execve(TOMESHIFT_CLI_PATH, const_cast<char* const*>(argv), const_cast<char* const*>(env));
      ::_exit(127);
    }
    return pid;
  }
  CliRun Finish(pid_t pid) const {
    int raw = 0;
    ::waitpid(pid, &raw, 0);
    CliRun r;
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : WIFSIGNALED(raw) ? -WTERMSIG(raw) : -1000;
    r.err = ReadBinaryFile(scratch.path() / "stderr.txt");
    return r;
  }
  CliRun Convert(const Limits& limits = {}) const { return Finish(Start(limits)); }

  // The output is the old document or a complete new one; besides it only temporary files of ours.
  void ExpectOldOrComplete(const std::string& old, const std::string& reference) const {
    const std::string now = fs::exists(target) ? ReadBinaryFile(target) : std::string("(missing)");
    if (now != old) {
      if (std::string(GetParam()) == ".docx") {
        EXPECT_NO_THROW(testing::DocxReader reader(target)) << "a damaged document";
      } else {
        EXPECT_EQ(now.size(), reference.size()) << "a partial document";
        EXPECT_EQ(now.substr(0, 8), reference.substr(0, 8));
      }
    }
    const std::string prefix = "." + target.filename().string() + ".~tmp";
    for (const auto& name : Listing(out))
      if (name != target.filename()) {
        EXPECT_EQ(name.compare(0, prefix.size(), prefix), 0) << name;
      }
  }
};

TEST_P(CliSaveFaults, ReadOnlyFolderOrDocumentIsRefusedBeforeTheRun) {
  if (!CanRunAsNobody() && ::geteuid() == 0)
    GTEST_SKIP() << "running as root and cannot switch to an unprivileged user";
  struct Case {
    const char* what;
    fs::perms folder, file;
    bool existed;
    std::string message;
  } cases[] = {
      {"read-only folder, old document", fs::perms(0555), fs::perms(0666), true,
       "Cannot write in the folder " + out.string() + ": " + std::strerror(EACCES)},
      {"read-only folder, no document", fs::perms(0555), fs::perms(0666), false,
       "Cannot write in the folder " + out.string() + ": " + std::strerror(EACCES)},
      {"read-only document", fs::perms::all, fs::perms(0444), true,
       "Cannot replace the document " + target.string() + ": " + std::strerror(EACCES)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove(target);
    if (c.existed) {
      WriteFile(target, kOld);
      fs::permissions(target, c.file);
    }
    fs::permissions(out, c.folder);
    const CliRun r = Convert(Limits{::geteuid() == 0, 0});
    fs::permissions(out, fs::perms::all);
    // Said before the run, with the reason; nobody "probably has it open".
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("probably"), std::string::npos) << r.err;
    if (c.existed) {
      EXPECT_EQ(ReadBinaryFile(target), kOld);
    }
    EXPECT_EQ(Listing(out), c.existed ? std::set<std::string>{target.filename()} : std::set<std::string>{});
    EXPECT_TRUE(fs::is_empty(scratch.path() / "tmp")) << "scratch files left";
  }
}

// A small file system mounted over the output folder for the life of a test (when permitted).
class SmallDisk {
 public:
  SmallDisk(const fs::path& folder, std::size_t bytes) : folder_(folder) {
    const std::string options = "size=" + std::to_string(bytes) + ",mode=0777";
    mounted_ = ::mount("tmpfs", folder.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, options.c_str()) == 0;
  }
  ~SmallDisk() {
    if (mounted_) ::umount2(folder_.c_str(), MNT_DETACH);
  }
  bool mounted() const { return mounted_; }

 private:
  fs::path folder_;
  bool mounted_ = false;
};

TEST_P(CliSaveFaults, FullDiskEndsWithAMessageAndLosesNothing) {
  const CliRun reference = Convert();
  ASSERT_EQ(reference.status, 0) << reference.err;
  const auto size = static_cast<rlim_t>(fs::file_size(target));
  fs::remove(target);
  // The output folder's disk full (a small tmpfs); or, where mounting is not permitted, every
  // write of the process limited in size, which the scratch copy of the document may meet first.
  SmallDisk disk(out, size / 2);
  const bool whole_process = !disk.mounted();
  for (const bool existed : {true, false}) {
    SCOPED_TRACE(std::string(existed ? "replacing" : "new") + (whole_process ? ", size limit" : ", small disk"));
    fs::remove(target);
    if (existed) WriteFile(target, kOld);
    const CliRun r = Convert(Limits{false, whole_process ? size / 2 : 0});
    EXPECT_EQ(r.status, 1) << r.err;
    if (whole_process) {
      EXPECT_NE(r.err.find(scratch.path().string()), std::string::npos) << r.err;
      EXPECT_NE(r.err.find(std::strerror(EFBIG)), std::string::npos) << r.err;
    } else {
      EXPECT_NE(r.err.find(target.string()), std::string::npos) << r.err;
      EXPECT_NE(r.err.find(std::strerror(ENOSPC)), std::string::npos) << r.err;
    }
    if (existed) {
      EXPECT_EQ(ReadBinaryFile(target), kOld);
    }
    EXPECT_EQ(Listing(out), existed ? std::set<std::string>{target.filename()} : std::set<std::string>{});
    EXPECT_TRUE(fs::is_empty(scratch.path() / "tmp")) << "scratch files left";
  }
}

TEST_P(CliSaveFaults, DocumentOpenInAnOfficeSuiteIsLeftAlone) {
  WriteFile(target, kOld);
  const std::string lock = ".~lock." + target.filename().string() + "#";
  WriteFile(out / lock, ",someone,host,09.12.2026 01:00,file:///home/someone/.config/libreoffice/4;");
  const CliRun r = Convert();
  EXPECT_EQ(r.status, 4) << r.err;
  EXPECT_NE(r.err.find(target.string()), std::string::npos) << r.err;
  EXPECT_EQ(ReadBinaryFile(target), kOld);
  EXPECT_EQ(Listing(out), (std::set<std::string>{target.filename(), lock}));
  EXPECT_TRUE(fs::is_empty(scratch.path() / "tmp")) << "scratch files left";
}

TEST_P(CliSaveFaults, KilledAtAnyMomentLeavesTheOldOrTheWholeNewDocument) {
  const CliRun first = Convert();
  ASSERT_EQ(first.status, 0) << first.err;
  const std::string reference = ReadBinaryFile(target);
  const auto start = std::chrono::steady_clock::now();
  ASSERT_EQ(Convert().status, 0);
  const auto whole = std::chrono::steady_clock::now() - start;
  WriteFile(target, kOld);

  // Killed after fixed delays across a whole run, and the moment a temporary file appears.
  constexpr int kSteps = 12;
  int killed_mid_save = 0;
  for (int step = 0; step <= kSteps + 4; ++step) {
    const std::string old = ReadBinaryFile(target);
    const pid_t pid = Start({});
    if (step <= kSteps) {
      std::this_thread::sleep_for(whole * step / kSteps);
    } else {
      const auto give_up = std::chrono::steady_clock::now() + 10 * whole + std::chrono::seconds(2);
      const std::string prefix = "." + target.filename().string() + ".~tmp" + std::to_string(pid) + ".";
      bool seen = false;
      while (!seen && std::chrono::steady_clock::now() < give_up) {
        for (const auto& name : Listing(out)) seen = seen || name.compare(0, prefix.size(), prefix) == 0;
        if (!seen) std::this_thread::sleep_for(std::chrono::microseconds(100 * (step - kSteps - 1)));
      }
      killed_mid_save += seen;
    }
    ::kill(pid, SIGKILL);
    const CliRun r = Finish(pid);
    SCOPED_TRACE("step " + std::to_string(step) + ", status " + std::to_string(r.status));
    ExpectOldOrComplete(old, reference);
  }
  EXPECT_GT(killed_mid_save, 0) << "no kill hit the save";
  // The next save succeeds and clears what the killed ones left.
  const CliRun last = Convert();
  EXPECT_EQ(last.status, 0) << last.err;
  EXPECT_EQ(Listing(out), std::set<std::string>{target.filename()});
}

INSTANTIATE_TEST_SUITE_P(Formats, CliSaveFaults, ::testing::Values(".docx", ".doc"),
                         [](const auto& info) { return std::string(info.param + 1); });

}  // namespace
}  // namespace tomeshift
