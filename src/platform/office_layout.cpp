#include "platform/office_layout.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>
#include <thread>

#include "platform/cancellation.h"
#include "platform/errors.h"
#include "platform/temp_files.h"
#include "text/unicode.h"

extern char** environ;

namespace tomeshift {

namespace {

namespace fs = std::filesystem;

// Written into the private profile before the office first starts: a profile marked as set up keeps
// our Basic library (a new one would be replaced by the office's presets).
constexpr char kRegistry[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<oor:items xmlns:oor=\"http://openoffice.org/2001/registry\" xmlns:xs=\"http://www.w3.org/2001/XMLSchema\" "
    "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\">\n"
    "<item oor:path=\"/org.openoffice.Setup/Office\"><prop oor:name=\"ooSetupInstCompleted\" oor:op=\"fuse\">"
    "<value>true</value></prop></item>\n"
    "</oor:items>\n";

constexpr char kLibraries[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<!DOCTYPE library:libraries PUBLIC \"-//OpenOffice.org//DTD OfficeDocument 1.0//EN\" \"libraries.dtd\">\n"
    "<library:libraries xmlns:library=\"http://openoffice.org/2000/library\" "
    "xmlns:xlink=\"http://www.w3.org/1999/xlink\">\n"
    " <library:library library:name=\"Tomeshift\" xlink:href=\"$(USER)/basic/Tomeshift/script.xlb/\" "
    "xlink:type=\"simple\" library:link=\"false\"/>\n"
    "</library:libraries>\n";

constexpr char kLibrary[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<!DOCTYPE library:library PUBLIC \"-//OpenOffice.org//DTD OfficeDocument 1.0//EN\" \"library.dtd\">\n"
    "<library:library xmlns:library=\"http://openoffice.org/2000/library\" library:name=\"Tomeshift\" "
    "library:readonly=\"false\" library:passwordprotected=\"false\">\n"
    " <library:element library:name=\"Layout\"/>\n"
    "</library:library>\n";

constexpr char kMacroName[] = "tomeshift-layout.xba";

const char* FilterName(OfficeFormat format) {
  switch (format) {
    case OfficeFormat::kDoc:
      return "MS Word 97";
    case OfficeFormat::kPdf:
      return "writer_pdf_Export";
    case OfficeFormat::kDocx:
      break;
  }
  return "MS Word 2007 XML";
}

bool IsExecutable(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

std::string OnPath(const std::string& name) {
  const char* path = std::getenv("PATH");
  if (!path) return {};
  std::stringstream folders(path);
  std::string folder;
  while (std::getline(folders, folder, ':')) {
    if (folder.empty()) continue;
    const std::string candidate = folder + "/" + name;
    if (IsExecutable(candidate)) return candidate;
  }
  return {};
}

void WriteText(const fs::path& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
  if (!out.flush()) throw OfficeLayoutError("cannot write " + path.string() + " in the scratch folder");
}

std::string ReadText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// The last line the office wrote on its error output, for a failure that has no other reason.
std::string LastLine(const std::string& text) {
  std::string last;
  std::stringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    // Said on every start on a system without Java, and meaningless here.
    if (!line.empty() && line.find("javaldx") == std::string::npos) last = line;
  }
  return last;
}

// The scratch folder and the office's process group, both gone when this goes.
class OfficeRun {
 public:
  OfficeRun() {
    std::string pattern = U8(GetTempFolder()) + "tomeshift-office-XXXXXX";
    if (!::mkdtemp(pattern.data()))
      throw OfficeLayoutError("cannot make a scratch folder for LibreOffice: " + std::string(std::strerror(errno)));
    folder_ = pattern;
  }
  ~OfficeRun() {
    Kill();
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
  }
  OfficeRun(const OfficeRun&) = delete;
  OfficeRun& operator=(const OfficeRun&) = delete;

  const fs::path& folder() const { return folder_; }

  void Spawn(const std::vector<std::string>& args, const std::vector<std::string>& extra_env) {
    std::vector<std::string> env_strings(extra_env);
    for (char** e = environ; e && *e; ++e) {
      const std::string_view entry(*e);
      bool replaced = false;
      for (const auto& x : extra_env)
        replaced = replaced || entry.substr(0, x.find('=') + 1) == x.substr(0, x.find('=') + 1);
      if (!replaced) env_strings.emplace_back(entry);
    }
    std::vector<char*> argv;
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (const auto& e : env_strings) envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    const std::string log = (folder_ / "office.log").string();
    posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    // Its own process group: a stop kills the office's helper processes too, and the terminal's
    // Ctrl-C reaches us, not the office, so that we decide.
    posix_spawnattr_setpgroup(&attributes, 0);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGINT);
    sigaddset(&defaults, SIGTERM);
    sigaddset(&defaults, SIGHUP);
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
    const int error = ::posix_spawn(&pid_, argv[0], &actions, &attributes, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (error != 0) {
      pid_ = -1;
      throw OfficeLayoutError("LibreOffice (" + args[0] + ") could not be started: " + std::strerror(error));
    }
  }

  // Waits for the office to end; false when the time ran out first.
  bool Wait(std::chrono::steady_clock::time_point deadline, int& status) {
    while (pid_ > 0) {
      const pid_t done = ::waitpid(pid_, &status, WNOHANG);
      if (done == pid_ || (done < 0 && errno != EINTR)) {
        // The office may leave helpers behind in its group; none should outlive the run.
        ::kill(-pid_, SIGKILL);
        pid_ = -1;
        return true;
      }
      if (CancelRequested()) {
        Kill();
        throw EUserCancel();
      }
      if (std::chrono::steady_clock::now() >= deadline) {
        Kill();
        return false;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return true;
  }

 private:
  void Kill() {
    if (pid_ <= 0) return;
    ::kill(-pid_, SIGKILL);
    int status = 0;
    while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    pid_ = -1;
  }

  fs::path folder_;
  pid_t pid_ = -1;
};

}  // namespace

std::string TOfficeLayout::FindProgram() {
  if (const char* chosen = std::getenv("TOMESHIFT_SOFFICE")) {
    const std::string program = chosen;
    if (program.empty()) return {};
    return program.find('/') == std::string::npos ? OnPath(program) : (IsExecutable(program) ? program : "");
  }
  for (const char* name : {"soffice", "libreoffice"}) {
    if (std::string found = OnPath(name); !found.empty()) return found;
  }
  return {};
}

bool TOfficeLayout::Disabled() {
  const char* chosen = std::getenv("TOMESHIFT_SOFFICE");
  return chosen && !*chosen;
}

std::string TOfficeLayout::FindMacro() {
  std::vector<fs::path> candidates;
  std::error_code error;
  const fs::path self = fs::read_symlink("/proc/self/exe", error);
  if (!error) candidates.push_back(self.parent_path() / ".." / "share" / "tomeshift" / kMacroName);
#ifdef TOMESHIFT_INSTALL_DATA_DIR
  candidates.push_back(fs::path(TOMESHIFT_INSTALL_DATA_DIR) / kMacroName);
#endif
#ifdef TOMESHIFT_BUILD_DATA_DIR
  candidates.push_back(fs::path(TOMESHIFT_BUILD_DATA_DIR) / kMacroName);
#endif
  for (const auto& c : candidates) {
    if (fs::is_regular_file(c, error)) return fs::weakly_canonical(c, error).string();
  }
  return {};
}

int TOfficeLayout::TimeLimitSeconds(std::uintmax_t bytes, std::size_t entries) {
  // The office's start (seconds, more on a loaded machine), then the layout and two contents updates:
  // a document of 2,000 entries and 1,400 pages took 250 s of CPU (520 s on a loaded machine), the
  // compressed bytes alone say little about that. Generous, since a stop ends the office at any time.
  const std::uintmax_t megabytes = bytes / (1024 * 1024);
  return static_cast<int>(std::min<std::uintmax_t>(120 + 300 * megabytes + entries, 24 * 3600));
}

void TOfficeLayout::Run(std::vector<OfficeJob>& jobs, int time_limit_seconds) const {
  if (program_.empty())
    throw OfficeLayoutError(std::string("LibreOffice is not installed (Debian package ") + kOfficePackage + ")");
  if (macro_.empty())
    throw OfficeLayoutError(std::string("the program's LibreOffice macro (") + kMacroName + ") is missing");
  OfficeRun run;
  const fs::path basic = run.folder() / "profile" / "user" / "basic";
  std::error_code error;
  fs::create_directories(basic / "Tomeshift", error);
  if (error) throw OfficeLayoutError("cannot make the LibreOffice profile: " + error.message());
  WriteText(run.folder() / "profile" / "user" / "registrymodifications.xcu", kRegistry);
  WriteText(basic / "script.xlc", kLibraries);
  WriteText(basic / "Tomeshift" / "script.xlb", kLibrary);
  fs::copy_file(macro_, basic / "Tomeshift" / "Layout.xba", error);
  if (error) throw OfficeLayoutError("cannot read the program's LibreOffice macro " + macro_ + ": " + error.message());

  std::string list;
  for (const auto& job : jobs) {
    for (const std::string* path : {&job.input, &job.output}) {
      if (path->find_first_of("\t\r\n") != std::string::npos)
        throw OfficeLayoutError("the path " + *path + " has a tab or a line break in it");
    }
    list += std::string(FilterName(job.format)) + "\t" + job.input + "\t" + job.output + "\n";
    std::filesystem::remove(job.output, error);
  }
  const fs::path jobs_file = run.folder() / "jobs.txt";
  const fs::path status_file = run.folder() / "status.txt";
  WriteText(jobs_file, list);

  // The profile's path goes into a URL: spell out the bytes a URL may not hold as they are.
  std::string profile_url = "file://";
  for (const unsigned char c : (run.folder() / "profile").string()) {
    if (std::isalnum(c) || std::strchr("/-._~", c)) {
      profile_url += static_cast<char>(c);
    } else {
      static constexpr char kHex[] = "0123456789ABCDEF";
      profile_url += '%';
      profile_url += kHex[c >> 4];
      profile_url += kHex[c & 15];
    }
  }
  run.Spawn({program_, "-env:UserInstallation=" + profile_url, "--headless", "--invisible", "--norestore", "--nologo",
             "--nodefault", "--nolockcheck", "--nofirststartwizard", "macro:///Tomeshift.Layout.Run"},
            {"TOMESHIFT_LAYOUT_JOBS=" + jobs_file.string(), "TOMESHIFT_LAYOUT_STATUS=" + status_file.string(),
             // Its own temporary files go with the scratch folder, even when it is killed.
             "HOME=" + run.folder().string(), "TMPDIR=" + run.folder().string()});
  int status = 0;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(time_limit_seconds);
  if (!run.Wait(deadline, status))
    throw OfficeLayoutError("LibreOffice did not finish within " + std::to_string(time_limit_seconds) + " seconds");

  std::stringstream lines(ReadText(status_file));
  std::size_t done = 0;
  for (std::string line; done < jobs.size() && std::getline(lines, line); ++done) {
    const std::size_t tab = line.find('\t');
    const std::string word = line.substr(0, tab);
    const std::string rest = tab == std::string::npos ? "" : line.substr(tab + 1);
    if (word != "OK") throw OfficeLayoutError(rest.empty() ? "LibreOffice failed" : rest);
    jobs[done].pages = std::atoi(rest.c_str());
    if (!fs::is_regular_file(jobs[done].output, error) || fs::file_size(jobs[done].output, error) == 0)
      throw OfficeLayoutError("LibreOffice reported success but wrote no document");
  }
  if (done < jobs.size()) {
    std::string reason = "LibreOffice ended without finishing the document";
    if (WIFSIGNALED(status)) {
      reason += " (stopped by signal " + std::to_string(WTERMSIG(status)) + ")";
    } else if (const std::string last = LastLine(ReadText(run.folder() / "office.log")); !last.empty()) {
      reason += " (" + last + ")";
    }
    throw OfficeLayoutError(reason);
  }
}

}  // namespace tomeshift
