// tomeshift-cli as a person at a terminal meets it: stopped with Ctrl-C (or by SIGTERM) in the middle
// of a run, and asked about an output file that another program holds open.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "support/docx_reader.h"
#include "support/scratch_dir.h"

extern char** environ;

namespace tomeshift {
namespace {

namespace fs = std::filesystem;
using testing::DocxReader;
using testing::ReadBinaryFile;
using testing::ScratchDir;

const fs::path kFixtures = fs::path(TOMESHIFT_FIXTURES_DIR) / "converter";
// Generous: the machine may be busy with builds.
constexpr auto kPatience = std::chrono::seconds(300);

// The environment of the program: its temporary folder and settings home inside the test's folder.
class Environment {
 public:
  Environment(const fs::path& tmp, const fs::path& config) {
    for (char** e = environ; *e; ++e)
      if (std::strncmp(*e, "TMPDIR=", 7) != 0 && std::strncmp(*e, "XDG_CONFIG_HOME=", 16) != 0)
        strings_.emplace_back(*e);
    strings_.push_back("TMPDIR=" + tmp.string());
    strings_.push_back("XDG_CONFIG_HOME=" + config.string());
    for (auto& s : strings_) pointers_.push_back(s.data());
    pointers_.push_back(nullptr);
  }
  char** get() { return pointers_.data(); }

 private:
  std::vector<std::string> strings_;
  std::vector<char*> pointers_;
};

class Arguments {
 public:
  explicit Arguments(std::vector<std::string> args) : strings_(std::move(args)) {
    strings_.insert(strings_.begin(), TOMESHIFT_CLI_PATH);
    for (auto& s : strings_) pointers_.push_back(s.data());
    pointers_.push_back(nullptr);
  }
  char** get() { return pointers_.data(); }

 private:
  std::vector<std::string> strings_;
  std::vector<char*> pointers_;
};

// Reads fd into text until `until` says stop, the other side closes, or patience runs out.
// Returns false on a timeout.
template <typename Until>
bool ReadUntil(int fd, std::string& text, Until until) {
  const auto deadline = std::chrono::steady_clock::now() + kPatience;
  while (!until(text)) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return false;
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, static_cast<int>(left.count())) <= 0) continue;
    char buf[4096];
    const ssize_t n = ::read(fd, buf, sizeof buf);
    if (n <= 0) return true;  // closed (a pseudo-terminal says EIO once the program has gone)
    text.append(buf, static_cast<std::size_t>(n));
  }
  return true;
}

int ExitStatus(pid_t pid) {
  int raw = 0;
  if (::waitpid(pid, &raw, 0) != pid) return -1;
  return WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
}

std::vector<std::string> FilesIn(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(folder)) names.push_back(e.path().filename().string());
  return names;
}

struct Stop {
  const char* name;
  int signal;
  const char* wait_for;  // stderr text after which the signal is sent
  bool existing_output;  // a document from an earlier run is in the way
};

void PrintTo(const Stop& s, std::ostream* os) { *os << s.name; }

class CliStop : public ::testing::TestWithParam<Stop> {};

TEST_P(CliStop, EndsWithStatus3AndLeavesNothingBehind) {
  const Stop& stop = GetParam();
  ScratchDir scratch;
  const fs::path tmp = scratch.path() / "tmp", out_dir = scratch.path() / "out", out = out_dir / "pages.docx";
  fs::create_directories(tmp);
  fs::create_directories(out_dir);
  if (stop.existing_output) scratch.Write("out/pages.docx", "an earlier document");

  int err[2];
  ASSERT_EQ(::pipe2(err, O_CLOEXEC), 0);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, err[1], 2);
  Environment env(tmp, scratch.path() / "config");
  Arguments args({"--factory", (kFixtures / "many-pages.chm").string(), "-o", out.string()});
  pid_t pid = 0;
  const int spawned = ::posix_spawn(&pid, TOMESHIFT_CLI_PATH, &actions, nullptr, args.get(), env.get());
  posix_spawn_file_actions_destroy(&actions);
  ::close(err[1]);
  ASSERT_EQ(spawned, 0);

  std::string text;
  const bool in_time =
      ReadUntil(err[0], text, [&](const std::string& t) { return t.find(stop.wait_for) != std::string::npos; });
  ::kill(pid, in_time ? stop.signal : SIGKILL);
  ReadUntil(err[0], text, [](const std::string&) { return false; });
  ::close(err[0]);
  const int status = ExitStatus(pid);
  ASSERT_TRUE(in_time) << "never saw \"" << stop.wait_for << "\":\n" << text;
  ASSERT_EQ(text.find("OK!"), std::string::npos) << "the run ended before the signal; use a bigger help file";

  EXPECT_EQ(status, 3) << text;
  EXPECT_NE(text.find("Canceled; nothing was written"), std::string::npos) << text;
  if (stop.existing_output) {
    EXPECT_EQ(ReadBinaryFile(out), "an earlier document");
    EXPECT_EQ(FilesIn(out_dir), std::vector<std::string>{"pages.docx"});
  } else {
    EXPECT_TRUE(FilesIn(out_dir).empty()) << "left beside the output: " << FilesIn(out_dir).front();
  }
  EXPECT_TRUE(fs::is_empty(tmp)) << "scratch files left: " << FilesIn(tmp).front();
}

INSTANTIATE_TEST_SUITE_P(Signals, CliStop,
                         ::testing::Values(Stop{"CtrlCAmongTopics", SIGINT, "Processing (2 of", false},
                                           Stop{"TermAmongTopics", SIGTERM, "Processing (2 of", true},
                                           Stop{"CtrlCWhileDistilling", SIGINT, "Distilling pages...", false}),
                         [](const auto& info) { return std::string(info.param.name); });

// How the test holds the output: an office suite's lock file beside it, or a record lock on it.
enum class Hold { kLockFile, kRecordLock };

class Holder {
 public:
  Holder(Hold how, const fs::path& file) : how_(how) {
    if (how == Hold::kLockFile) {
      lock_file_ = file.parent_path() / (".~lock." + file.filename().string() + "#");
      std::FILE* f = std::fopen(lock_file_.c_str(), "w");
      std::fputs("someone,host,01.01.2026 10:00,", f);
      std::fclose(f);
    } else {
      fd_ = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
      struct flock lock {};
      lock.l_type = F_WRLCK;
      lock.l_whence = SEEK_SET;
      held_ = fd_ >= 0 && ::fcntl(fd_, F_SETLK, &lock) == 0;
    }
  }
  ~Holder() { Release(); }
  bool held() const { return how_ == Hold::kLockFile ? fs::exists(lock_file_) : held_; }
  void Release() {
    if (how_ == Hold::kLockFile) {
      std::error_code ignored;
      fs::remove(lock_file_, ignored);
    } else if (fd_ >= 0) {
      ::close(fd_);  // closing drops the lock
      fd_ = -1;
    }
  }

 private:
  Hold how_;
  fs::path lock_file_;
  int fd_ = -1;
  bool held_ = false;
};

struct InUse {
  const char* name;
  Hold hold;
  const char* answers;  // one letter per question; 'R' releases the output before answering "r"
  int status;
};

void PrintTo(const InUse& c, std::ostream* os) { *os << c.name; }

class CliOutputInUse : public ::testing::TestWithParam<InUse> {};

constexpr const char* kQuestion = "[A]bort or [R]etry? ";

std::size_t Count(const std::string& text, const std::string& what) {
  std::size_t n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size())) ++n;
  return n;
}

TEST_P(CliOutputInUse, AsksOnTheTerminal) {
  const InUse& c = GetParam();
  ScratchDir scratch;
  const fs::path tmp = scratch.path() / "tmp", out = scratch.path() / "busy.docx";
  fs::create_directories(tmp);
  if (c.hold == Hold::kLockFile) scratch.Write("busy.docx", "an earlier document");
  const std::string before = c.hold == Hold::kLockFile ? ReadBinaryFile(out) : "";
  Holder holder(c.hold, out);
  ASSERT_TRUE(holder.held());

  Environment env(tmp, scratch.path() / "config");
  Arguments args({"--factory", (kFixtures / "nested-contents.chm").string(), "-o", out.string()});
  winsize size{};
  size.ws_row = 24;
  size.ws_col = 100;
  int master = -1;
  const pid_t pid = ::forkpty(&master, nullptr, nullptr, &size);
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    ::execve(TOMESHIFT_CLI_PATH, args.get(), env.get());
    ::_exit(127);
  }

  std::string screen;
  bool in_time = true;
  for (const char* answer = c.answers; *answer && in_time; ++answer) {
    const std::size_t asked = Count(screen, kQuestion) + 1;
    in_time = ReadUntil(master, screen, [&](const std::string& t) { return Count(t, kQuestion) >= asked; });
    if (!in_time || Count(screen, kQuestion) < asked) break;  // it did not ask (again)
    if (*answer == 'R') holder.Release();
    const std::string line = std::string(1, static_cast<char>(std::tolower(*answer))) + "\n";
    ASSERT_EQ(::write(master, line.data(), line.size()), static_cast<ssize_t>(line.size()));
  }
  if (in_time) in_time = ReadUntil(master, screen, [](const std::string&) { return false; });
  if (!in_time) ::kill(pid, SIGKILL);
  ::close(master);
  const int status = ExitStatus(pid);
  ASSERT_TRUE(in_time) << screen;

  EXPECT_EQ(status, c.status) << screen;
  EXPECT_EQ(Count(screen, kQuestion), std::strlen(c.answers)) << screen;
  EXPECT_NE(screen.find("access denied! It probably has been opened. Please close it and retry."), std::string::npos);
  // On a terminal the progress is a bar redrawn in place, not one line per report.
  EXPECT_NE(screen.find("\r[#"), std::string::npos) << screen;
  EXPECT_EQ(screen.find("[ 20%]"), std::string::npos) << screen;
  if (c.status == 0) {
    EXPECT_NE(screen.find("100% OK!"), std::string::npos) << screen;
    EXPECT_FALSE(DocxReader(out).Headings().empty());
  } else {
    EXPECT_EQ(ReadBinaryFile(out), before) << "the document in the way was changed";
    EXPECT_NE(screen.find("was in use; nothing was written"), std::string::npos) << screen;
    EXPECT_EQ(screen.find("OK!"), std::string::npos) << "giving up is no success:\n" << screen;
  }
  EXPECT_TRUE(fs::is_empty(tmp)) << "scratch files left: " << FilesIn(tmp).front();
}

INSTANTIATE_TEST_SUITE_P(Answers, CliOutputInUse,
                         ::testing::Values(InUse{"RetryAfterClosingTheOfficeSuite", Hold::kLockFile, "R", 0},
                                           InUse{"RetryWhileStillHeldAsksAgain", Hold::kRecordLock, "rR", 0},
                                           InUse{"AbortKeepsTheDocumentInTheWay", Hold::kLockFile, "a", 4},
                                           InUse{"AbortWhileLocked", Hold::kRecordLock, "ra", 4}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tomeshift
