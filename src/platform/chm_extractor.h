// Writes the ordinary files of a compiled HTML Help file (pages, pictures, style sheets, sitemaps)
// into a folder, with their internal sub-folders. It stands in for "hh.exe -decompile".
//
// A help file is untrusted input: entry names that would leave the target folder are refused, the
// total output and the number of files are capped, damaged entries are skipped, and no symbolic link
// is ever followed or created. Only this file pair talks to libmspack.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/errors.h"

namespace tomeshift {

struct ChmExtractLimits {
  std::uint64_t max_total_bytes = std::uint64_t{4} << 30;
  // Output may be at most this many times the size of the help file (LZX rarely reaches 20).
  std::uint64_t max_expansion = 200;
  std::size_t max_files = 250000;
};

struct ChmExtractReport {
  std::size_t entries = 0;        // ordinary entries listed in the help file's directory
  std::size_t files_written = 0;  // files (not folders) written
  std::uint64_t bytes_written = 0;
  bool truncated = false;          // the help file ends before the length its header states
  bool damaged_directory = false;  // some directory entries cannot be read (they are not extracted)
  // One line per entry that was refused or skipped, naming the entry and the reason.
  std::vector<std::string> problems;
};

// The input is not a compiled HTML Help file (or its header or directory cannot be read).
// what() reads "<file> is not a compiled HTML Help file", followed by the reason when there is one.
class NotAHelpFileError : public FormatError {
 public:
  NotAHelpFileError(const std::string& path, const std::string& detail);
  const char* what() const noexcept override { return message_.c_str(); }

 private:
  std::string message_;
};

class ChmExtractor {
 public:
  explicit ChmExtractor(ChmExtractLimits limits = {}) : limits_(limits) {}

  // Extracts the help file at native path chm_path into the existing folder root_folder (native,
  // UTF-8). Throws NotAHelpFileError, or FileError when the help file or the folder cannot be opened.
  ChmExtractReport ExtractFile(const std::string& chm_path, const std::string& root_folder) const;
  // The same for a help file held in memory; display_name names it in messages.
  ChmExtractReport ExtractMemory(std::string_view bytes, const std::string& display_name,
                                 const std::string& root_folder) const;

  // Names of the ordinary entries ("/"-rooted, as stored), in directory order; for diagnostics.
  std::vector<std::string> ListFile(const std::string& chm_path) const;

  struct Entry {
    std::string name;  // "/"-rooted, as stored
    std::string data;  // empty unless chosen and read
  };
  // A look at a help file held in memory without writing anything: every ordinary entry, in the
  // order of its data, with the data of those that want() chooses, read while their total stays
  // within max_bytes. Throws NotAHelpFileError.
  std::vector<Entry> ReadMemory(std::string_view bytes, const std::string& display_name,
                                const std::function<bool(std::string_view name)>& want, std::uint64_t max_bytes) const;

  // Whether an entry name may be written below the target folder ("/a/b.htm" yes, "/../x" no).
  static bool IsSafeEntryName(std::string_view name);
  // Whether the entry is an ordinary file: begins with "/" but not with "/#" or "/$".
  static bool IsOrdinaryEntryName(std::string_view name);

 private:
  ChmExtractLimits limits_;
};

}  // namespace tomeshift
