// Hostile help files and unlucky surroundings (an output name that differs only in case, a link at
// the output, a broken settings file), converted end to end by tomeshift-cli, each run in a child
// process with limits on CPU time and address space: every case ends with a sound document or a
// message that names the file, reads and writes nothing outside its scratch folder and the help files
// (checked with strace where it is installed), stops within two seconds of a signal, and leaves no
// scratch files behind.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <regex>
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

// The folders of one case: the help files in in/, documents in out/, scratch folders in tmp/, the
// settings below home/; bait for disclosure lies in base/bait.
struct Folders {
  fs::path base, in, out, tmp, home;
  fs::path settings() const { return home / ".config" / "Quorvel" / "Tomeshift.reg"; }
};

struct HostileCase {
  const char* name = nullptr;
  std::vector<const char*> inputs = {};    // the first is converted; the others lie beside it
  bool generated = false;                  // written at test time by make-hostile-files.py --large
  int status = 0;                          // expected exit status
  std::vector<const char*> messages = {};  // each expected on stderr
  std::vector<const char*> present = {};   // texts the document holds
  std::vector<const char*> absent = {};    // texts it must not hold (in any of its parts)
  int cpu_seconds = 60;                    // CPU limit of the child, before the sanitizer's slowdown
  long memory_mb = 1024;                   // peak resident memory allowed; the address space gets twice that
  // Set-up after the inputs are in place (an existing document, a link, a settings file).
  std::function<void(const Folders&)> prepare = nullptr;
  // The arguments after the program; by default --factory --quiet INPUT -o out/STEM.docx.
  std::function<std::vector<std::string>(const Folders&)> args = nullptr;
  const char* document = nullptr;  // the document in out/ that the run writes; by default STEM.docx
  // Checks of their own after the run (err: what went to stderr).
  std::function<void(const Folders&, const std::string& err)> check = nullptr;
  int signal = 0;  // sent signal_after seconds into the run: it must end within two more
  double signal_after = 0;
  bool traced = false;  // under strace, where installed: no file outside tmp/ and in/*.chm is opened
};

std::ostream& operator<<(std::ostream& out, const HostileCase& c) { return out << c.name; }

struct ChildRun {
  int status = -1;  // exit status; -1 when killed by a signal
  int signal = 0;
  double wall_seconds = 0;
  double after_signal_seconds = 0;  // from the signal sent to the end
  double cpu_seconds = 0;
  long peak_mb = 0;
};

// Runs argv with env, stdout and stderr into files, under the CPU and address-space limits; kills
// the child when it outlives wall_limit (a CPU limit does not catch a process that waits).
ChildRun RunLimited(const std::vector<std::string>& argv, const std::vector<std::string>& env, const fs::path& out_file,
                    const fs::path& err_file, int cpu_seconds, int wall_limit, long address_space_mb, int signal = 0,
                    double signal_after = 0) {
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
  std::chrono::steady_clock::time_point signaled{};
  for (;;) {
    const pid_t done = ::wait4(pid, &raw, WNOHANG, &usage);
    if (done == pid) break;
    if (signal != 0 && signaled == std::chrono::steady_clock::time_point{} &&
        std::chrono::steady_clock::now() - start > std::chrono::duration<double>(signal_after)) {
      ::kill(pid, signal);
      signaled = std::chrono::steady_clock::now();
    }
    if (std::chrono::steady_clock::now() - start > std::chrono::seconds(wall_limit)) {
      ::kill(pid, SIGKILL);
      ::wait4(pid, &raw, 0, &usage);
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  run.wall_seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (signaled != std::chrono::steady_clock::time_point{})
    run.after_signal_seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - signaled).count();
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
    names.push_back(entry.path().lexically_relative(folder).string());
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

// A path with "." and ".." taken away, without asking the disk.
fs::path Lexical(const fs::path& p) { return p.lexically_normal(); }

// The paths that the traced run named in open-like calls, made absolute: "openat(5</a/b>, "c", ...)"
// gives /a/b/c (strace -y shows the folder a descriptor stands for).
std::vector<fs::path> OpenedPaths(const std::string& trace, const fs::path& cwd) {
  static const std::regex kCall(
      R"re((open|openat|openat2|creat|stat|lstat|newfstatat|statx|access|faccessat2?|readlink|readlinkat)\((?:([A-Z_]+|-?\d+)(?:<([^>]*)>)?, )?"((?:[^"\\]|\\.)*)")re");
  std::vector<fs::path> paths;
  for (std::sregex_iterator it(trace.begin(), trace.end(), kCall), end; it != end; ++it) {
    const std::string folder = (*it)[3].str();
    const fs::path name = (*it)[4].str();
    if (name.empty()) continue;  // the descriptor itself (AT_EMPTY_PATH)
    fs::path full = name.is_absolute() ? name : (folder.empty() ? cwd : fs::path(folder)) / name;
    paths.push_back(Lexical(full));
  }
  return paths;
}

bool Inside(const fs::path& path, const fs::path& folder) {
  const std::string p = path.string(), f = Lexical(folder).string();
  return p == f || (p.size() > f.size() && p.compare(0, f.size(), f) == 0 && p[f.size()] == '/');
}

std::string StraceProgram() {
  for (const char* candidate : {"/usr/bin/strace", "/bin/strace"})
    if (::access(candidate, X_OK) == 0) return candidate;
  return {};
}

TEST_P(HostileHelpFile, EndsSoundlyWithinBoundsAndLeavesNothingBehind) {
  const HostileCase& c = GetParam();
  ScratchDir scratch;
  const Folders f{scratch.path(), scratch.path() / "in", scratch.path() / "out", scratch.path() / "tmp",
                  scratch.path() / "home"};
  for (const fs::path& folder : {f.in, f.out, f.tmp, f.home}) fs::create_directories(folder);

  if (c.generated) {
    const std::string command = "python3 '" + (kHostile / "make-hostile-files.py").string() + "' --large '" +
                                f.in.string() + "' " + c.inputs.front();
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
  } else {
    for (const char* input : c.inputs) fs::copy_file(kHostile / input, f.in / input);
  }
  if (c.prepare) c.prepare(f);
  const std::vector<std::string> inputs_before = Listing(f.in);
  const std::vector<std::string> outputs_before = Listing(f.out);
  const std::vector<std::string> home_before = Listing(f.home);
  const fs::path chm = f.in / c.inputs.front();
  const fs::path docx =
      f.out / (c.document ? std::string(c.document) : fs::path(c.inputs.front()).stem().string() + ".docx");
  const bool document_existed = fs::exists(fs::symlink_status(docx));
  // Where an entry named "//tmp/absolute.htm" would land if its name were taken as it stands.
  const bool absolute_existed = fs::exists("/tmp/absolute.htm");

  std::vector<std::string> env = {"TMPDIR=" + f.tmp.string(),
                                  "HOME=" + f.home.string(),
                                  "XDG_CONFIG_HOME=" + (f.home / ".config").string(),
                                  "PATH=/usr/bin:/bin",
                                  "LANG=C.UTF-8",
                                  "TOMESHIFT_SOFFICE="};
  std::vector<std::string> argv = {TOMESHIFT_CLI_PATH};
  if (c.args) {
    for (std::string& a : c.args(f)) argv.push_back(std::move(a));
  } else {
    argv.insert(argv.end(), {"--factory", "--quiet", chm.string(), "-o", docx.string()});
  }
  const std::string strace = c.traced ? StraceProgram() : std::string();
  const fs::path trace_file = f.base / "trace.txt";
  if (!strace.empty())
    argv.insert(argv.begin(),
                {strace, "-f", "-qq", "-y", "-s", "4096", "-e", "trace=%file", "-o", trace_file.string()});
#ifdef TOMESHIFT_UNDER_ASAN
  // The leak checker stops the program with a fatal error under ptrace; the untraced cases look for leaks.
  if (!strace.empty()) env.push_back("ASAN_OPTIONS=detect_leaks=0");
#endif
  const int cpu_limit = c.cpu_seconds * kSlowdown;
  const ChildRun run = RunLimited(argv, env, f.base / "stdout.txt", f.base / "stderr.txt", cpu_limit, 3 * cpu_limit,
                                  2 * c.memory_mb, c.signal, c.signal_after * kSlowdown);
  const std::string err = ReadBinaryFile(f.base / "stderr.txt");
  std::printf("hostile case %-22s status %d signal %d  wall %.1f s  cpu %.1f s  peak %ld MB", c.name, run.status,
              run.signal, run.wall_seconds, run.cpu_seconds, run.peak_mb);
  if (c.signal) std::printf("  ended %.2f s after the signal", run.after_signal_seconds);
  std::printf("\n");
  RecordProperty("wall_seconds", std::to_string(run.wall_seconds));
  RecordProperty("peak_mb", std::to_string(run.peak_mb));

  ASSERT_EQ(run.signal, 0) << "killed: over " << cpu_limit << " s of CPU or the address-space limit\n" << err;
  EXPECT_EQ(run.status, c.status) << err;
  EXPECT_LE(run.peak_mb, c.memory_mb * kMemoryFactor);
  if (c.signal) {
    EXPECT_LE(run.after_signal_seconds, 2.0 * kSlowdown) << "the run outlived the signal";
  }
  for (const char* message : c.messages) EXPECT_NE(err.find(message), std::string::npos) << message << "\n" << err;
  if (c.status == 1 && !c.args) {
    EXPECT_NE(err.find(chm.string()), std::string::npos) << "the message does not name the file:\n" << err;
  }
  std::vector<std::string> outputs_after = outputs_before;
  if (c.status == 0) {
    if (!document_existed) outputs_after.push_back(docx.lexically_relative(f.out).string());
    std::sort(outputs_after.begin(), outputs_after.end());
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
  EXPECT_EQ(Listing(f.out), outputs_after) << "the output folder holds other files than before and the document";
  EXPECT_EQ(Listing(f.in), inputs_before) << "files written beside the help file";
  EXPECT_TRUE(Listing(f.tmp).empty()) << "scratch files left in " << f.tmp;
  EXPECT_EQ(Listing(f.home), home_before) << "the settings were changed";
  if (!absolute_existed) {
    EXPECT_FALSE(fs::exists("/tmp/absolute.htm"));
  }
  if (!strace.empty()) {
    // Only the scratch folder, the help files, the settings and the document's folder are the run's
    // business: bait beside them is never even looked at, and no file beside the help file is opened
    // unless it is a help file.
    for (const fs::path& p : OpenedPaths(ReadBinaryFile(trace_file), fs::current_path())) {
      EXPECT_FALSE(Inside(p, f.base / "bait")) << "looked at " << p;
      if (Inside(p, f.in) && p != Lexical(f.in)) {
        EXPECT_EQ(p.extension(), ".chm") << "looked at " << p;
      }
    }
  }
  if (c.check) c.check(f, err);
}

// Each part of the document that is a picture.
std::vector<std::string> MediaParts(const fs::path& docx) {
  std::vector<std::string> media;
  for (const std::string& part : DocxReader(docx).PartNames())
    if (part.rfind("word/media/", 0) == 0) media.push_back(part);
  return media;
}

void WriteText(const fs::path& path, const std::string& text) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << text;
}

// A settings file of the desktop program's form, with extra values after the real ones.
std::string SettingsFile(int extra_values) {
  std::string text = "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Quorvel\\Tomeshift]\n\"PaperSize\"=dword:00000004\n";
  for (int n = 0; n < extra_values; ++n) text += "\"Extra" + std::to_string(n) + "\"=\"value\"\n";
  return text;
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
        HostileCase{"many-entries", {"many-entries.chm"}, true, 1, {"stopped after 250000 files"}, {}, {}, 240},
        // Pictures and style sheets named through file: addresses, percent-escapes, character references,
        // ".." chains, backslashes and help-file addresses: none of the bait planted around the help file
        // is read, only the help file's own picture and style sheet reach the document.
        HostileCase{.name = "disclosure",
                    .inputs = {"disclosure.chm"},
                    .generated = true,
                    .status = 0,
                    .messages = {"Style sheet not read"},
                    .present = {"Text in the colour of the help file.", "0A0B0C"},
                    .absent = {"BAIT-MARKER", "B1A001", "B1A002", "B1A003", "B1A004", "B1A005", "B1A006", "B1A007"},
                    .cpu_seconds = 60,
                    .check =
                        [](const Folders& f, const std::string&) {
                          EXPECT_EQ(MediaParts(f.out / "disclosure.docx").size(), 1u) << "pictures from outside";
                        },
                    .traced = true},
        // An existing REPORT.docx beside the report.docx asked for: the name is used as given.
        HostileCase{
            .name = "output-case",
            .inputs = {"cyclic-links.chm"},
            .generated = false,
            .status = 0,
            .present = {"to C"},
            .cpu_seconds = 60,
            .prepare = [](const Folders& f) { WriteText(f.out / "REPORT.docx", "the other report"); },
            .document = "report.docx",
            .check = [](const Folders& f,
                        const std::string&) { EXPECT_EQ(ReadBinaryFile(f.out / "REPORT.docx"), "the other report"); }},
        // A link at the output name whose target does not exist yet: the document goes where it points,
        // and the link stays.
        HostileCase{.name = "output-link",
                    .inputs = {"cyclic-links.chm"},
                    .generated = false,
                    .status = 0,
                    .present = {"to C"},
                    .cpu_seconds = 60,
                    .prepare =
                        [](const Folders& f) {
                          fs::create_directories(f.base / "elsewhere");
                          fs::create_symlink(f.base / "elsewhere" / "linked.docx", f.out / "cyclic-links.docx");
                        },
                    .check =
                        [](const Folders& f, const std::string&) {
                          EXPECT_TRUE(fs::is_symlink(f.out / "cyclic-links.docx"));
                          EXPECT_NO_THROW(DocxReader(f.base / "elsewhere" / "linked.docx"));
                        }},
        // A help file named manual.docx, converted without -o, would name itself as the document.
        HostileCase{.name = "output-is-input",
                    .inputs = {"cyclic-links.chm"},
                    .generated = false,
                    .status = 1,
                    .messages = {"is the help file being converted"},
                    .cpu_seconds = 60,
                    .prepare = [](const Folders& f) { fs::copy_file(f.in / "cyclic-links.chm", f.in / "manual.docx"); },
                    .args = [](const Folders& f) -> std::vector<std::string> {
                      return {"--quiet", "--factory", (f.in / "manual.docx").string()};
                    },
                    .check =
                        [](const Folders& f, const std::string& err) {
                          EXPECT_NE(err.find((f.in / "manual.docx").string()), std::string::npos) << err;
                          EXPECT_EQ(ReadBinaryFile(f.in / "manual.docx"), ReadBinaryFile(f.in / "cyclic-links.chm"));
                        }},
        // Damaged, huge and FIFO settings files: the command line reads them in bounded time, falls back
        // to the factory settings and leaves them as they are.
        HostileCase{
            .name = "settings-damaged",
            .inputs = {"cyclic-links.chm"},
            .generated = false,
            .status = 0,
            .messages = {"using the factory settings"},
            .present = {"to C"},
            .cpu_seconds = 60,
            .prepare = [](const Folders& f) { WriteText(f.settings(), "not a settings file\n"); },
            .args = [](const Folders& f) -> std::vector<std::string> {
              return {"--quiet", (f.in / "cyclic-links.chm").string(), "-o", (f.out / "cyclic-links.docx").string()};
            }},
        HostileCase{
            .name = "settings-many-values",
            .inputs = {"cyclic-links.chm"},
            .generated = false,
            .status = 0,
            .present = {"to C"},
            .cpu_seconds = 20,
            .prepare = [](const Folders& f) { WriteText(f.settings(), SettingsFile(20000)); },
            .args = [](const Folders& f) -> std::vector<std::string> {
              return {"--quiet", (f.in / "cyclic-links.chm").string(), "-o", (f.out / "cyclic-links.docx").string()};
            }},
        HostileCase{
            .name = "settings-fifo",
            .inputs = {"cyclic-links.chm"},
            .generated = false,
            .status = 0,
            .messages = {"not a regular file"},
            .present = {"to C"},
            .cpu_seconds = 20,
            .prepare =
                [](const Folders& f) {
                  fs::create_directories(f.settings().parent_path());
                  ASSERT_EQ(::mkfifo(f.settings().c_str(), 0600), 0);
                },
            .args = [](const Folders& f) -> std::vector<std::string> {
              return {"--quiet", (f.in / "cyclic-links.chm").string(), "-o", (f.out / "cyclic-links.docx").string()};
            }},
        // Style rules whose combinators would be matched in exponential time by naive back-tracking.
        HostileCase{.name = "selectors",
                    .inputs = {"selectors.chm"},
                    .generated = true,
                    .status = 0,
                    .present = {"Nested sixty deep.", "Sibling 399"},
                    .cpu_seconds = 30},
        // Pages 1,990 folders deep are refused; the page at the top converts.
        HostileCase{.name = "deep-folders",
                    .inputs = {"deep-folders.chm"},
                    .generated = true,
                    .status = 0,
                    .messages = {"nested deeper than 64 folders"},
                    .present = {"The page at the top."},
                    .cpu_seconds = 60},
        // 20,000 pages, stopped by a signal while extracting, distilling or importing: the run ends
        // within two seconds and removes its scratch folder.
        HostileCase{.name = "many-pages-sigint",
                    .inputs = {"many-pages.chm"},
                    .generated = true,
                    .status = 3,
                    .cpu_seconds = 120,
                    .signal = SIGINT,
                    .signal_after = 1},
        HostileCase{.name = "many-pages-sigterm",
                    .inputs = {"many-pages.chm"},
                    .generated = true,
                    .status = 3,
                    .cpu_seconds = 120,
                    .signal = SIGTERM,
                    .signal_after = 4},
        HostileCase{.name = "many-pages-sighup",
                    .inputs = {"many-pages.chm"},
                    .generated = true,
                    .status = 3,
                    .cpu_seconds = 120,
                    .signal = SIGHUP,
                    .signal_after = 10}),
    [](const ::testing::TestParamInfo<HostileCase>& info) {
      std::string name = info.param.name;
      for (char& ch : name)
        if (ch == '-') ch = '_';
      return name;
    });

}  // namespace
}  // namespace tomeshift
