// LibreOffice as a page-layout engine: a headless office, started with a private profile in a scratch
// folder, opens documents, brings their contents up to date with its own page layout and stores them
// (as .docx, .doc or PDF). Our own page numbers are estimates; a reader's office lays out the real ones.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "text/tomeshift_error.h"

namespace tomeshift {

// The pass could not be done; the message says why (the office is missing, failed, or took too long).
class OfficeLayoutError : public TomeshiftError {
 public:
  using TomeshiftError::TomeshiftError;
};

enum class OfficeFormat { kDocx, kDoc, kPdf };

struct OfficeJob {
  std::string input;   // native paths; tabs and line breaks are refused
  std::string output;  // a scratch path: removed first, then written by the office
  OfficeFormat format = OfficeFormat::kDocx;
  int pages = 0;  // after Run: the page count the office laid out
};

// The Debian package that provides the office, for messages that say what to install.
inline constexpr char kOfficePackage[] = "libreoffice-writer-nogui";

class TOfficeLayout {
 public:
  // The office program: $TOMESHIFT_SOFFICE when set (set but empty means "none", which the test suite
  // uses), else soffice or libreoffice found on the PATH. Empty when there is none.
  static std::string FindProgram();
  // True when $TOMESHIFT_SOFFICE is set but empty: no office, on purpose, and nothing to warn about.
  static bool Disabled();
  // The macro shipped with the program: beside an installed program (../share/tomeshift), where the
  // build configured the installation, or in the build tree. Empty when none is found.
  static std::string FindMacro();
  // Seconds the office may take for documents of this many bytes and contents entries in all.
  static int TimeLimitSeconds(std::uintmax_t bytes, std::size_t entries);

  TOfficeLayout(std::string program, std::string macro) : program_(std::move(program)), macro_(std::move(macro)) {}

  // Runs every job in one office process and fills in their page counts. The office works in a new
  // scratch folder (profile, job list, log) that is removed on every way out. A stop request kills the
  // office within a fraction of a second and throws EUserCancel; anything else that goes wrong throws
  // OfficeLayoutError, with the office's own reason when it gave one.
  void Run(std::vector<OfficeJob>& jobs, int time_limit_seconds) const;

 private:
  std::string program_;
  std::string macro_;
};

}  // namespace tomeshift
