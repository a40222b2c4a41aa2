// tomeshift-cli: converts a compiled HTML Help file into a Word document from the command line,
// and shows what the converter reads from a help file.
#include <cstdio>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "cli/terminal_interaction.h"
#include "converter/chm_decompile.h"
#include "converter/chm_distill.h"
#include "job/output_word.h"
#include "platform/chm_extractor.h"
#include "platform/errors.h"
#include "platform/file_system.h"
#include "platform/temp_files.h"
#include "text/text_utils.h"
#include "text/unicode.h"

namespace {

using namespace tomeshift;

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

constexpr const char* kUsage =
    "Usage: tomeshift-cli INPUT.chm [-o OUTPUT.docx|OUTPUT.doc]\n"
    "       tomeshift-cli --info FILE.chm\n"
    "       tomeshift-cli --list-toc [--distilled [DISTILL OPTIONS]] FILE.chm\n"
    "       tomeshift-cli --help\n"
    "\n"
    "  --info      print the help file's title, default topic, language and code page\n"
    "  --list-toc  print the contents entries, one a line: level, status, page, topic (tab-separated);\n"
    "              status 0 is a page, 2 a heading without a page\n"
    "  --distilled after --list-toc: distill the pages first and print level, status, chapter number,\n"
    "              bookmark, page, topic; status 3 is a web address\n"
    "  -o OUTPUT   the document to write (default: INPUT with the extension .docx)\n"
    "\n"
    "Distill options (for a conversion and for --list-toc --distilled):\n"
    "  --hint              add a hint with the chapter number behind each link to another topic\n"
    "  --hint-format TEXT  the hint; [Title No.] stands for the chapter number (default \"See [Title No.]\")\n"
    "  --discard           drop pages that the contents does not list (default: an Addenda chapter)\n"
    "  --addenda TEXT      the title of that chapter (default \"Addenda\")\n"
    "  --keep-scratch DIR  copy the distilled pages to DIR before the scratch folder is removed\n"
    "\n"
    "Exit status: 0 done, 1 the help file could not be read or converted, 2 wrong usage.\n";

int Usage(const char* problem) {
  if (problem) std::fprintf(stderr, "tomeshift-cli: %s\n", problem);
  std::fputs(kUsage, stderr);
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
  std::printf("Title: %s\n", U8(help.Title).c_str());
  std::printf("Default topic: %s\n", U8(help.DefaultPage).c_str());
  std::printf("Language: %s\n", U8(help.LangID).c_str());
  std::printf("Code page: %u\n", help.CodePage);
  return kExitOk;
}

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
  TCHMDecompile help;
  help.LoadFromCHM(path);
  ScratchFolder scratch;
  help.rootFolder = scratch.path();
  help.decompile();
  for (const auto& entry : help.List) {
    std::printf("%d\t%u\t%s\t%s\n", entry->Level, entry->Status, U8(entry->Url).c_str(), U8(entry->Topic).c_str());
  }
  return kExitOk;
}

// A command line that cannot be followed.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The options that the distiller reads, and where to keep its pages.
struct DistillOptions {
  bool hint = false;
  std::u16string hintFormat = u"See [Title No.]";
  bool discard = false;
  std::u16string addenda = u"Addenda";
  std::u16string keepScratch;
};

// Reads one distill option at args[i] (moving i past its value); false when args[i] is none.
bool ReadDistillOption(const std::vector<std::string_view>& args, std::size_t& i, DistillOptions& options) {
  const auto value = [&]() -> std::u16string {
    if (i + 1 >= args.size()) throw UsageError(std::string(args[i]) + " needs a value");
    return U16(args[++i]);
  };
  if (args[i] == "--hint") {
    options.hint = true;
  } else if (args[i] == "--hint-format") {
    options.hintFormat = value();
  } else if (args[i] == "--discard") {
    options.discard = true;
  } else if (args[i] == "--addenda") {
    options.addenda = value();
  } else if (args[i] == "--keep-scratch") {
    options.keepScratch = value();
  } else {
    return false;
  }
  return true;
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

int ListDistilledToc(const std::u16string& path, const DistillOptions& options) {
  CheckHelpFile(path);
  TCHMDistill help;
  help.LoadFromCHM(path);
  ScratchFolder scratch;
  help.rootFolder = scratch.path();
  help.AddHint = options.hint;
  help.HintFormat = options.hintFormat;
  help.Discard = options.discard;
  help.Addenda = options.addenda;
  help.decompile();
  help.Execute();
  KeepScratch(help, options.keepScratch);
  for (const auto& entry : help.List) {
    std::printf("%d\t%u\t%s\t%s\t%s\t%s\n", entry->Level, entry->Status, U8(entry->ChapterNumber).c_str(),
                U8(entry->Bookmark).c_str(), U8(entry->Url).c_str(), U8(entry->Topic).c_str());
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

int Convert(const std::u16string& input, std::u16string output, const DistillOptions& options) {
  CheckHelpFile(input);
  if (output.empty()) {
    output = input;
    const std::size_t slash = output.find_last_of(u"/\\");
    const std::size_t dot = output.rfind(u'.');
    if (dot != std::u16string::npos && (slash == std::u16string::npos || dot > slash)) output.resize(dot);
    output += u".docx";
  }
  TCHMDecompile probe;
  probe.LoadFromCHM(input);

  TerminalJobInteraction terminal;
  TOutputWord job(terminal);
  if (!options.keepScratch.empty()) {
    // Same events (they call into the job, not into the converter), one more step after distilling.
    auto keeping = std::make_unique<KeepingConverter>(options.keepScratch);
    keeping->FOnChange = job.Converter->FOnChange;
    keeping->FOnDenied = job.Converter->FOnDenied;
    keeping->FOnMsg = job.Converter->FOnMsg;
    keeping->FOnError = job.Converter->FOnError;
    job.Converter = std::move(keeping);
  }
  job.Converter->Settings.AddHint = options.hint;
  job.Converter->Settings.HintFormat = options.hintFormat;
  job.Converter->Settings.Discard = options.discard;
  job.Converter->Settings.Addenda = options.addenda;
  job.chm = input;
  job.Converter->pdf = output;
  job.Converter->Title = probe.Title;
  job.Converter->OnlyWord = true;
  job.Converter->CodePage = probe.CodePage;
  job.Start();
  job.WaitFor();
  if (job.Canceled()) {
    std::fprintf(stderr, "tomeshift-cli: canceled\n");
    return kExitFailed;
  }
  if (!job.FailureMessage().empty()) return kExitFailed;  // already shown by the job
  if (!job.Converter->OK || job.Converter->Failed) {
    std::fprintf(stderr, "tomeshift-cli: %s: no document was written (the Word output stage is not available)\n",
                 U8(output).c_str());
    return kExitFailed;
  }
  return kExitOk;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string_view> args(argv + 1, argv + argc);
  if (args.empty()) return Usage(nullptr);
  if (args[0] == "--help" || args[0] == "-h") {
    std::fputs(kUsage, stdout);
    return kExitOk;
  }
  try {
    if (args[0] == "--list-toc" && args.size() > 1 && args[1] == "--distilled") {
      DistillOptions options;
      std::u16string path;
      for (std::size_t i = 2; i < args.size(); ++i) {
        if (ReadDistillOption(args, i, options)) continue;
        if (!args[i].empty() && args[i][0] == '-') return Usage(("unknown option " + std::string(args[i])).c_str());
        if (!path.empty()) return Usage("too many arguments");
        path = U16(args[i]);
      }
      if (path.empty()) return Usage("missing FILE.chm");
      return ListDistilledToc(path, options);
    }
    if (args[0] == "--info" || args[0] == "--list-toc") {
      if (args.size() != 2) return Usage(args.size() < 2 ? "missing FILE.chm" : "too many arguments");
      const std::u16string path = U16(args[1]);
      return args[0] == "--info" ? Info(path) : ListToc(path);
    }
    std::u16string input;
    std::u16string output;
    DistillOptions options;
    for (std::size_t i = 0; i < args.size(); ++i) {
      if (ReadDistillOption(args, i, options)) continue;
      if (args[i] == "-o") {
        if (i + 1 >= args.size()) return Usage("-o needs a file name");
        output = U16(args[++i]);
      } else if (!args[i].empty() && args[i][0] == '-') {
        return Usage(("unknown option " + std::string(args[i])).c_str());
      } else if (input.empty()) {
        input = U16(args[i]);
      } else {
        return Usage("more than one input file");
      }
    }
    if (input.empty()) return Usage("missing INPUT.chm");
    return Convert(input, output, options);
  } catch (const UsageError& e) {
    return Usage(e.what());
  } catch (const std::exception& e) {
    std::fprintf(stderr, "tomeshift-cli: %s\n", e.what());
    return kExitFailed;
  }
}
