// tomeshift-cli: converts a compiled HTML Help file into a Word document from the command line,
// and shows what the converter reads from a help file.
#include <pthread.h>
#include <signal.h>
#include <spawn.h>
#include <unistd.h>

#include <atomic>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "cli/cli_options.h"
#include "cli/cli_settings.h"
#include "cli/terminal_interaction.h"
#include "converter/chm_decompile.h"
#include "converter/chm_distill.h"
#include "converter/word_connection.h"
#include "job/output_word.h"
#include "job/stored_settings.h"
#include "platform/cancellation.h"
#include "platform/chm_extractor.h"
#include "platform/errors.h"
#include "platform/file_system.h"
#include "platform/shell_execute.h"
#include "platform/temp_files.h"
#include "text/text_utils.h"
#include "text/unicode.h"

namespace {

using namespace tomeshift;

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;
constexpr int kExitCanceled = 3;
constexpr int kExitOutputInUse = 4;

// Text for the terminal: names from a help file may hold control characters.
std::string Shown(const std::u16string& text) { return U8(EscapeControls(text)); }
std::string Shown(const std::string& text) { return U8(EscapeControls(U16(text))); }

constexpr const char* kUsageHead =
    "Usage: tomeshift-cli [OPTIONS] INPUT.chm [-o OUTPUT]\n"
    "       tomeshift-cli --info FILE.chm\n"
    "       tomeshift-cli --list-toc [--distilled [--hint] [--hint-format TEXT] [--discard] [--addenda TEXT]\n"
    "                    [--keep-scratch DIR]] FILE.chm\n"
    "       tomeshift-cli --help\n"
    "\n"
    "Converts a compiled HTML Help file into one Word document (.docx by default).\n"
    "\n"
    "  --info      print the help file's title, default topic, language and code page\n"
    "  --list-toc  print the contents entries, one a line: level, status, page, topic (tab-separated);\n"
    "              status 0 is a page, 2 a heading without a page, 3 a web address\n"
    "  --distilled after --list-toc: distill the pages first and print level, status, chapter number,\n"
    "              bookmark, page, topic\n"
    "  --keep-scratch DIR  copy the distilled pages to DIR before the scratch folder is removed\n"
    "              (with --list-toc --distilled, and for a conversion)\n"
    "\n";

constexpr const char* kUsageTail =
    "\n"
    "Progress goes to stderr; Ctrl-C, SIGTERM and SIGHUP stop the run and remove its scratch files.\n"
    "Exit status: 0 done, 1 the help file could not be read or converted, 2 wrong usage,\n"
    "3 canceled, 4 the output file was in use and given up.\n";

void PrintUsage(std::FILE* out) {
  std::fputs(kUsageHead, out);
  std::fputs(cli::kConvertOptionsHelp, out);
  std::fputs(kUsageTail, out);
}

int Usage(const char* problem) {
  if (problem) std::fprintf(stderr, "tomeshift-cli: %s\n", Shown(std::string(problem)).c_str());
  PrintUsage(stderr);
  return kExitUsage;
}

// Refuses files that are not help files before anything else reads them.
void CheckHelpFile(const std::u16string& path) {
  const std::string native = FileSystem().NativePath(path);
  if (!FileSystem().FileExists(path)) throw FileError(native, "cannot open the help file: it does not exist");
  ChmExtractor().ListFile(native);
}

int Info(const std::u16string& path) {
  CheckHelpFile(path);
  TCHMDecompile help;
  help.LoadFromCHM(path);
  std::printf("Title: %s\n", Shown(help.Title).c_str());
  std::printf("Default topic: %s\n", Shown(help.DefaultPage).c_str());
  std::printf("Language: %s\n", U8(help.LangID).c_str());
  // A code page that the help file does not name but its text showed is marked as such.
  std::printf("Code page: %u%s\n", help.CodePage, help.DetectedCodePage != 0 ? " (detected)" : "");
  return kExitOk;
}

// Ctrl-C, SIGTERM and SIGHUP (the terminal closed) ask the run to stop (as the progress window's
// Cancel does); a thread of its own takes them so that the worker and the main thread never run a
// signal handler. The run sees the request in its next loop step and removes its scratch folder.
class StopRequests {
 public:
  explicit StopRequests(std::atomic<bool>& stop) : cancel_flag_(stop) {
    sigemptyset(&set_);
    sigaddset(&set_, SIGINT);
    sigaddset(&set_, SIGTERM);
    sigaddset(&set_, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &set_, &old_);
    watcher_ = std::thread([this, &stop] {
      const timespec tick{0, 100 * 1000 * 1000};
      while (!done_) {
        if (sigtimedwait(&set_, nullptr, &tick) > 0) {
          requested_ = true;
          stop = true;
        }
      }
    });
  }
  ~StopRequests() {
    done_ = true;
    watcher_.join();
    pthread_sigmask(SIG_SETMASK, &old_, nullptr);
  }
  bool requested() const { return requested_; }

 private:
  ScopedCancelFlag cancel_flag_;
  sigset_t set_{};
  sigset_t old_{};
  std::atomic<bool> done_{false};
  std::atomic<bool> requested_{false};
  std::thread watcher_;
};

// Removes the scratch folder however the listing ends.
class ScratchFolder {
 public:
  ScratchFolder() : path_(NewTempFolderName()) {}
  ~ScratchFolder() { DeleteFolder(path_); }
  const std::u16string& path() const { return path_; }

 private:
  std::u16string path_;
};

int ListToc(const std::u16string& path) {
  CheckHelpFile(path);
  std::atomic<bool> stop{false};
  const StopRequests stops(stop);
  TCHMDecompile help;
  help.LoadFromCHM(path);
  ScratchFolder scratch;
  help.rootFolder = scratch.path();
  help.decompile();
  for (const auto& entry : help.List) {
    std::printf("%d\t%u\t%s\t%s\n", entry->Level, entry->Status, Shown(entry->Url).c_str(),
                Shown(entry->Topic).c_str());
  }
  return kExitOk;
}

// Copies a folder tree through the file-system boundary (the distilled pages, for a person to open).
void CopyTree(const std::u16string& from, const std::u16string& to) {
  FileSystem().CreateDirectories(to);
  for (const DirEntry& entry : FileSystem().ListDirectory(from)) {
    if (entry.name == u"." || entry.name == u"..") continue;
    const std::u16string source = from + u"/" + entry.name;
    const std::u16string target = to + u"/" + entry.name;
    if (entry.is_directory) {
      CopyTree(source, target);
    } else if (const auto bytes = FileSystem().ReadFile(source)) {
      FileSystem().WriteFile(target, *bytes);
    }
  }
}

void KeepScratch(const TCHMDistill& distiller, const std::u16string& folder) {
  if (folder.empty()) return;
  CopyTree(distiller.rootFolder, folder);
  std::fprintf(stderr, "tomeshift-cli: distilled pages kept in %s\n", U8(folder).c_str());
}

int ListDistilledToc(const cli::ConvertOptions& options) {
  CheckHelpFile(options.input);
  std::atomic<bool> stop{false};
  const StopRequests stops(stop);
  // The distiller's four settings from the record's own values and the options, nothing stored.
  TDocPDFSettings settings;
  for (const auto& apply : options.overrides) apply(settings);
  TCHMDistill help;
  help.LoadFromCHM(options.input);
  ScratchFolder scratch;
  help.rootFolder = scratch.path();
  help.AddHint = settings.AddHint;
  help.HintFormat = settings.HintFormat;
  help.Discard = settings.Discard;
  help.Addenda = settings.Addenda;
  help.decompile();
  help.Execute();
  KeepScratch(help, options.keep_scratch);
  for (const auto& entry : help.List) {
    std::printf("%d\t%u\t%s\t%s\t%s\t%s\n", entry->Level, entry->Status, Shown(entry->ChapterNumber).c_str(),
                Shown(entry->Bookmark).c_str(), Shown(entry->Url).c_str(), Shown(entry->Topic).c_str());
  }
  return kExitOk;
}

// The job's converter, keeping a copy of the distilled pages before the output stage removes them.
class KeepingConverter final : public TChmToDocPDF {
 public:
  explicit KeepingConverter(std::u16string folder) : folder_(std::move(folder)) {}
  void Execute() override {
    TChmToDocPDF::Execute();
    KeepScratch(*this, folder_);
  }

 private:
  std::u16string folder_;
};

// Whether the desktop has a program for the document's type (xdg-open starts even when it has none).
bool HasDesktopProgramFor(const std::string& native) {
  std::string ext = native.size() >= 5 ? native.substr(native.size() - 5) : native;
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  const bool docx = ext == ".docx";
  const char* type =
      docx ? "application/vnd.openxmlformats-officedocument.wordprocessingml.document" : "application/msword";
  const std::string command = std::string("xdg-mime query default ") + type + " 2>/dev/null";
  FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) return false;
  char buf[256];
  std::string answer;
  while (std::fgets(buf, sizeof buf, pipe)) answer += buf;
  const int status = ::pclose(pipe);
  return status == 0 && answer.find_first_not_of(" \t\r\n") != std::string::npos;
}

// --open: the finished document goes to the desktop's program for it, when there is one.
void OpenWithXdgOpen(const std::u16string&, const std::u16string& file, int) {
  const std::string native = FileSystem().NativePath(file);
  if (!HasDesktopProgramFor(native)) {
    std::fprintf(stderr, "tomeshift-cli: no program is set up to open %s; it was not opened\n", Shown(native).c_str());
    return;
  }
  char* const argv[] = {const_cast<char*>("xdg-open"), const_cast<char*>(native.c_str()), nullptr};
  pid_t pid = 0;
  if (posix_spawnp(&pid, "xdg-open", nullptr, nullptr, argv, environ) != 0)
    std::fprintf(stderr, "tomeshift-cli: cannot run xdg-open to open %s\n", Shown(native).c_str());
}

int Convert(const cli::ConvertOptions& options) {
  CheckHelpFile(options.input);
  if (!IsWordInstalled()) {
    std::fprintf(stderr, "tomeshift-cli: %s\n", U8(kWordNotInstalledMessage).c_str());
    return kExitFailed;
  }
  TCHMDecompile probe;
  probe.LoadFromCHM(options.input);

  std::vector<std::string> notes;
  TDocPDFSettings settings = options.factory ? cli::FactorySettings() : cli::StoredSettings(&notes);
  for (const std::string& note : notes) std::fprintf(stderr, "tomeshift-cli: warning: %s\n", Shown(note).c_str());
  for (const auto& apply : options.overrides) apply(settings);
  if (const std::string problem = PageSetupProblem(settings); !problem.empty()) return Usage(problem.c_str());
  // Before the work, not after it: a document that cannot be written is known now.
  const std::u16string target = OutputTargetPath(options.output);
  if (const std::u16string problem = OutputFormatProblem(target); !problem.empty()) {
    std::fprintf(stderr, "tomeshift-cli: %s\n", Shown(problem).c_str());
    return kExitFailed;
  }
  if (const std::u16string problem = OutputWriteProblem(target, true, options.input); !problem.empty()) {
    std::fprintf(stderr, "tomeshift-cli: %s\n", Shown(problem).c_str());
    return kExitFailed;
  }

  const bool interactive = ::isatty(STDERR_FILENO) && ::isatty(STDIN_FILENO);
  TerminalJobInteraction terminal(stderr, interactive, options.quiet);
  TOutputWord job(terminal);
  if (!options.keep_scratch.empty()) {
    // Same events (they call into the job, not into the converter), one more step after distilling.
    auto keeping = std::make_unique<KeepingConverter>(options.keep_scratch);
    keeping->FOnChange = job.Converter->FOnChange;
    keeping->FOnDenied = job.Converter->FOnDenied;
    keeping->FOnMsg = job.Converter->FOnMsg;
    keeping->FOnError = job.Converter->FOnError;
    job.Converter = std::move(keeping);
  }
  job.chm = options.input;
  job.Converter->pdf = options.output;
  job.Converter->Title = options.title ? *options.title : probe.Title;
  job.Converter->OnlyWord = true;
  job.Converter->CodePage = options.code_page ? *options.code_page : probe.CodePage;
  job.KeepCodePage = options.code_page.has_value();
  job.Converter->Settings = settings;
  ShellExecuteHandler previous = SetShellExecuteHandler(options.open ? ShellExecuteHandler(OpenWithXdgOpen) : nullptr);
  bool stop_requested = false;
  {
    StopRequests stops(job.WantToExit);
    job.Start();
    job.WaitFor();
    stop_requested = stops.requested();
  }
  SetShellExecuteHandler(previous);
  terminal.Finish();

  if (job.End() == TJobEnd::kCanceled || (stop_requested && job.End() != TJobEnd::kSaved)) {
    std::fprintf(stderr, "tomeshift-cli: Canceled; nothing was written\n");
    return kExitCanceled;
  }
  switch (job.End()) {
    case TJobEnd::kSaved:
      // The path written, which may differ from the one asked for (another extension becomes .doc).
      std::printf("%s\n", FileSystem().NativePath(job.EndMessage()).c_str());
      return kExitOk;
    case TJobEnd::kNotSaved:
      std::fprintf(stderr, "tomeshift-cli: %s was in use; nothing was written\n",
                   Shown(FileSystem().NativePath(target)).c_str());
      return kExitOutputInUse;
    default:
      std::fprintf(stderr, "tomeshift-cli: %s\n", Shown(job.FailureMessage()).c_str());
      return kExitFailed;
  }
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string_view> args(argv + 1, argv + argc);
  if (args.empty()) return Usage(nullptr);
  try {
    cli::ConvertOptions options;
    try {
      options = cli::ParseConvertOptions(args);
    } catch (const cli::UsageError& e) {
      return Usage(e.what());
    }
    switch (options.mode) {
      case cli::ConvertOptions::Mode::kHelp:
        PrintUsage(stdout);
        return kExitOk;
      case cli::ConvertOptions::Mode::kInfo:
        return Info(options.input);
      case cli::ConvertOptions::Mode::kListToc:
        return options.distilled ? ListDistilledToc(options) : ListToc(options.input);
      case cli::ConvertOptions::Mode::kConvert:
        break;
    }
    return Convert(options);
  } catch (const cli::UsageError& e) {
    return Usage(e.what());
  } catch (const EUserCancel&) {
    std::fprintf(stderr, "tomeshift-cli: Canceled\n");
    return kExitCanceled;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "tomeshift-cli: %s\n", Shown(std::string(e.what())).c_str());
    return kExitFailed;
  }
}
