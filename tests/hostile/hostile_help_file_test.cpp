// Hostile help files converted end to end by tomeshift-cli, each run in a child process with limits on
// CPU time and address space: every case ends with a sound document or a message that names the file,
// writes nothing outside its scratch folder, and leaves no scratch files behind.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "support/docx_reader.h"
#include "support/scratch_dir.h"

#if defined(__SANITIZE_ADDRESS__)
#define TOMESHIFT_UNDER_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TOMESHIFT_UNDER_ASAN 1
#endif
#endif

namespace tomeshift {
namespace {

namespace fs = std::filesystem;
using testing::DocxReader;
using testing::ReadBinaryFile;
using testing::ScratchDir;

const fs::path kHostile = fs::path(TOMESHIFT_FIXTURES_DIR) / "hostile";

#ifdef TOMESHIFT_UNDER_ASAN
// The sanitizer reserves terabytes of address space, needs about three times the memory and runs
// several times slower.
constexpr bool kLimitAddressSpace = false;
constexpr int kSlowdown = 4;
constexpr long kMemoryFactor = 3;
#else
constexpr bool kLimitAddressSpace = true;
constexpr int kSlowdown = 1;
constexpr long kMemoryFactor = 1;
#endif

struct HostileCase {
  const char* name;
  std::vector<const char*> inputs;    // the first is converted; the others lie beside it
  bool generated;                     // written at test time by make-hostile-files.py --large
  int status;                         // expected exit status
  std::vector<const char*> messages;  // each expected on stderr
  std::vector<const char*> present;   // texts the document holds
  std::vector<const char*> absent;    // texts it must not hold (in any of its parts)
  int cpu_seconds;                    // CPU limit of the child, before the sanitizer's slowdown
  long memory_mb = 1024;              // peak resident memory allowed; the address space gets twice that
};

std::ostream& operator<<(std::ostream& out, const HostileCase& c) { return out << c.name; }

struct ChildRun {
  int status = -1;  // exit status; -1 when killed by a signal
  int signal = 0;
  double wall_seconds = 0;
  double cpu_seconds = 0;
  long peak_mb = 0;
};

// Runs argv with env, stdout and stderr into files, under the CPU and address-space limits; kills
// the child when it outlives wall_limit (a CPU limit does not catch a process that waits).
ChildRun RunLimited(const std::vector<std::string>& argv, const std::vector<std::string>& env, const fs::path& out_file,
                    const fs::path& err_file, int cpu_seconds, int wall_limit, long address_space_mb) {
  std::vector<char*> args, envp;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  for (const std::string& e : env) envp.push_back(const_cast<char*>(e.c_str()));
  envp.push_back(nullptr);
  const std::string out_path = out_file.string(), err_path = err_file.string();

  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = ::fork();
  if (pid == 0) {
    const int out = ::open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int err = ::open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (out < 0 || err < 0 || ::dup2(out, 1) < 0 || ::dup2(err, 2) < 0) ::_exit(126);
    const rlimit cpu{static_cast<rlim_t>(cpu_seconds), static_cast<rlim_t>(cpu_seconds) + 5};
    ::setrlimit(RLIMIT_CPU, &cpu);
    if (kLimitAddressSpace) {
      const rlim_t bytes = static_cast<rlim_t>(address_space_mb) << 20;
      const rlimit as{bytes, bytes};
      ::setrlimit(RLIMIT_AS, &as);
    }
    ::execve(args[0], args.data(), envp.data());
    ::_exit(127);
  }
  ChildRun run;
  if (pid < 0) return run;
  int raw = 0;
  rusage usage{};
  for (;;) {
    const pid_t done = ::wait4(pid, &raw, WNOHANG, &usage);
    if (done == pid) break;
    if (std::chrono::steady_clock::now() - start > std::chrono::seconds(wall_limit)) {
      ::kill(pid, SIGKILL);
      ::wait4(pid, &raw, 0, &usage);
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  run.wall_seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  run.cpu_seconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                    static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  run.peak_mb = usage.ru_maxrss / 1024;
  if (WIFEXITED(raw)) run.status = WEXITSTATUS(raw);
  if (WIFSIGNALED(raw)) run.signal = WTERMSIG(raw);
  return run;
}

std::vector<std::string> Listing(const fs::path& folder) {
  std::vector<std::string> names;
  if (!fs::exists(folder)) return names;
  for (const auto& entry : fs::recursive_directory_iterator(folder))
    names.push_back(fs::relative(entry.path(), folder).string());
  std::sort(names.begin(), names.end());
  return names;
}

// Every part of the package, as one text to search (XML escaping aside, what the document holds).
std::string AllParts(const DocxReader& docx) {
  std::string all;
  for (const std::string& part : docx.PartNames()) all += docx.Part(part);
  return all;
}

class HostileHelpFile : public ::testing::TestWithParam<HostileCase> {};

TEST_P(HostileHelpFile, EndsSoundlyWithinBoundsAndLeavesNothingBehind) {
  const HostileCase& c = GetParam();
  ScratchDir scratch;
  const fs::path in = scratch.path() / "in", out = scratch.path() / "out", tmp = scratch.path() / "tmp",
                 home = scratch.path() / "home";
  for (const fs::path& folder : {in, out, tmp, home}) fs::create_directories(folder);

  if (c.generated) {
    const std::string command = "python3 '" + (kHostile / "make-hostile-files.py").string() + "' --large '" +
                                in.string() + "' " + c.inputs.front();
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
  } else {
    for (const char* input : c.inputs) fs::copy_file(kHostile / input, in / input);
  }
  const std::vector<std::string> inputs_before = Listing(in);
  const fs::path chm = in / c.inputs.front();
  const fs::path docx = out / (fs::path(c.inputs.front()).stem().string() + ".docx");
  // Where an entry named "//tmp/absolute.htm" would land if its name were taken as it stands.
  const bool absolute_existed = fs::exists("/tmp/absolute.htm");

  const std::vector<std::string> env = {"TMPDIR=" + tmp.string(), "HOME=" + home.string(),
                                        "XDG_CONFIG_HOME=" + (home / ".config").string(), "PATH=/usr/bin:/bin",
                                        "LANG=C.UTF-8"};
  const std::vector<std::string> argv = {TOMESHIFT_CLI_PATH, "--factory", "--quiet", chm.string(), "-o", docx.string()};
  const int cpu_limit = c.cpu_seconds * kSlowdown;
  const ChildRun run = RunLimited(argv, env, scratch.path() / "stdout.txt", scratch.path() / "stderr.txt", cpu_limit,
                                  3 * cpu_limit, 2 * c.memory_mb);
  const std::string err = ReadBinaryFile(scratch.path() / "stderr.txt");
  std::printf("hostile case %-14s status %d signal %d  wall %.1f s  cpu %.1f s  peak %ld MB\n", c.name, run.status,
              run.signal, run.wall_seconds, run.cpu_seconds, run.peak_mb);
  RecordProperty("wall_seconds", std::to_string(run.wall_seconds));
  RecordProperty("peak_mb", std::to_string(run.peak_mb));

  ASSERT_EQ(run.signal, 0) << "killed: over " << cpu_limit << " s of CPU or the address-space limit\n" << err;
  EXPECT_EQ(run.status, c.status) << err;
  EXPECT_LE(run.peak_mb, c.memory_mb * kMemoryFactor);
  for (const char* message : c.messages) EXPECT_NE(err.find(message), std::string::npos) << message << "\n" << err;
  if (c.status != 0) {
    EXPECT_NE(err.find(chm.string()), std::string::npos) << "the message does not name the file:\n" << err;
    EXPECT_TRUE(Listing(out).empty()) << "a failed run left files in the output folder";
  } else {
    EXPECT_EQ(Listing(out), std::vector<std::string>{docx.filename().string()});
    std::string all;
    std::vector<std::string> paragraphs;
    try {
      const DocxReader document(docx);
      all = AllParts(document);
      for (const auto& p : document.Paragraphs()) paragraphs.push_back(p.text);  // parses the body's XML
    } catch (const std::exception& e) {
      ADD_FAILURE() << "the document cannot be read: " << e.what();
    }
    for (const char* text : c.present) EXPECT_NE(all.find(text), std::string::npos) << text;
    for (const char* text : c.absent) EXPECT_EQ(all.find(text), std::string::npos) << text;
  }
  EXPECT_EQ(Listing(in), inputs_before) << "files written beside the help file";
  EXPECT_TRUE(Listing(tmp).empty()) << "scratch files left in " << tmp;
  EXPECT_TRUE(Listing(home / ".config").empty() || !fs::exists(home / ".config"));
  if (!absolute_existed) {
    EXPECT_FALSE(fs::exists("/tmp/absolute.htm"));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HostileHelpFile,
    ::testing::Values(
        // Entry names that climb out of the target folder, absolute names, backslashes and NUL are
        // refused with a warning; contents items, links, pictures and style sheets that point outside
        // read nothing from there.
        HostileCase{"traversal",
                    {"traversal.chm"},
                    false,
                    0,
                    {"/../up.htm: refused, the name leads outside the target folder", "/a/../../up2.htm: refused",
                     "//tmp/absolute.htm: refused", "/..\\back.htm: refused",
                     "/nul: refused, the name contains a NUL character", "/./dot.htm: refused"},
                    {"Safe text."},
                    {"root:x:0", "written above the target folder", "written to an absolute path",
                     "written through a backslash", "a name cut at NUL"},
                    60},
        // Lengths of 2^40 and 2^62 bytes, an offset of 2^50, a system record whose lengths run past
        // the end: the entries are skipped, the rest converts.
        HostileCase{"huge-sizes",
                    {"huge-sizes.chm"},
                    false,
                    0,
                    {"/huge.htm: skipped, its offset or length lies outside the help file", "/far.htm: skipped",
                     "/packed.htm: skipped"},
                    {"The only sound page.", "Huge", "Compressed"},
                    {},
                    60},
        // Odd byte counts, lone and reversed surrogates, a title of cut multi-byte characters: the
        // text survives and the document stays well-formed XML (checked by reading it).
        HostileCase{"broken-utf16",
                    {"broken-utf16.chm"},
                    false,
                    0,
                    {},
                    {"An odd number of bytes follows.", "alone, low", "Declares UTF-16 but is single-byte."},
                    {"\xED\xA0\x80", "\xED\xB0\x80", "\xED\xAF\xBF"},  // surrogates encoded as UTF-8
                    60},
        // Pages that link in circles, to themselves and through frames: each page once.
        HostileCase{"cyclic-links",
                    {"cyclic-links.chm"},
                    false,
                    0,
                    {},
                    {"to C", "back to A", "linking to itself", "back to D"},
                    {},
                    60},
        // Contents names that would retitle, clear and recolour a terminal convert as text; an icon
        // number that is not one costs a warning, not the run.
        HostileCase{"odd-contents",
                    {"odd-contents.chm"},
                    false,
                    0,
                    {"odd-contents.chm: the contents entry \"Icons\" has the ImageNumber \"abc\", which is not a "
                     "whole number; 0 is used"},
                    {"Retitle", "An entry with an odd icon number."},
                    {},
                    60},
        // A contents file of garbage: the message names the help file and its contents file.
        HostileCase{"garbage-contents",
                    {"garbage-contents.chm"},
                    false,
                    1,
                    {"garbage-contents.chm: its contents file toc.hhc lists no topics that can be read."},
                    {},
                    {},
                    60},
        // Two help files that link into each other and into one that is missing.
        HostileCase{"ring",
                    {"ring-a.chm", "ring-b.chm"},
                    false,
                    0,
                    {},
                    {"ring-a home", "into ring-b", "more of ring-b", "into a missing file"},
                    {},
                    60},
        // 10,000 nested levels of contents.
        HostileCase{"deep-sitemap",
                    {"deep-sitemap.chm"},
                    true,
                    0,
                    {},
                    {"Level 0", "Level 5000", "Page at level 0:", "Page at level 9900:", "Level 9999"},
                    {},
                    240},
        // Pages whose elements nest 20,000 deep (blocks) and 2,000 deep (tables).
        HostileCase{"deep-page",
                    {"deep-page.chm"},
                    true,
                    0,
                    {},
                    {"Text at the bottom of 20000 elements.", "A cell 2000 tables deep."},
                    {},
                    120},
        // Two pages of 20 MB: 100,000 paragraphs, and one paragraph without a tag.
        HostileCase{"big-page", {"big-page.chm"}, true, 0, {}, {"Long", "Wide"}, {}, 600, 2048},
        // A million entries: the extraction stops at its file limit and says so.
        HostileCase{"many-entries", {"many-entries.chm"}, true, 1, {"stopped after 250000 files"}, {}, {}, 240}),
    [](const ::testing::TestParamInfo<HostileCase>& info) {
      std::string name = info.param.name;
      for (char& ch : name)
        if (ch == '-') ch = '_';
      return name;
    });

}  // namespace
}  // namespace tomeshift
