// What is known about one help file before its pages are touched: its title, default topic and
// language read straight from the compiled file, the folder it is extracted into, its contents
// sitemap, and the ordered topic list loaded from that sitemap. Root of the converter chain.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "converter/title_list.h"
#include "text/string_list.h"

namespace tomeshift {

// Progress: the stage message (empty leaves the last one) and the overall percentage (0 leaves it).
using TProcEvent = std::function<void(const std::u16string& info, int persent)>;

class TCHMDecompile {
 public:
  TCHMDecompile();
  virtual ~TCHMDecompile();
  TCHMDecompile(const TCHMDecompile&) = delete;
  TCHMDecompile& operator=(const TCHMDecompile&) = delete;

  TTitleLists List;
  std::string rTitle;        // as stored: bytes in the help file's code page, no terminator
  std::string rDefaultPage;  // the same for the default topic
  std::uint32_t rCodePage = 0;
  std::u16string LangID;  // "0x0409"; empty when not found
  std::u16string Title;
  std::u16string DefaultPage;
  std::uint32_t CodePage = 0;  // reads sitemaps without a byte order mark; 0 is the ANSI code page
  // When the help file names no code page, LoadFromCHM looks at its bytes: the code page they show
  // clearly (CodePage then takes it), 0 when none does, and in words why, for the warning that
  // decompile gives. A caller that lets the user's choice stand clears the reason.
  std::uint32_t DetectedCodePage = 0;
  std::u16string CodePageReason;
  std::u16string hhcFile;
  std::u16string hhkFile;
  std::u16string rootFolder;  // absolute, ending with a path delimiter; set before decompile
  std::u16string DefaultWindow;
  TStringList Context;
  std::u16string chmFile;
  std::u16string FileName;
  TProcEvent FOnChange;

  void SetOnChange(TProcEvent handler) { FOnChange = std::move(handler); }
  const TProcEvent& OnChange() const { return FOnChange; }

  // Reads title, default topic and language from the help file's system record; without a code page
  // there, detects one from the help file's contents (nothing is written). Throws FileError when the
  // file cannot be read.
  void LoadFromCHM(const std::u16string& ChmFile);
  // Extracts chmFile into rootFolder, finds the contents sitemap and loads it into List. Throws
  // NotAHelpFileError for a file that is not a help file; what could not be extracted of a damaged
  // one is reported as a warning and the rest goes on.
  void decompile();
  // Loads hhcFile (read with CodePage unless it has a byte order mark) into List.
  void LoadContentsSitemap();

 protected:
  void DoChange(const std::u16string& info, int persent) {
    if (FOnChange) FOnChange(info, persent);
  }
};

// The first file below folder whose extension equals extension (case-insensitive), searching each
// folder's entries in name order and a sub-folder when it is met; empty when there is none.
std::u16string FindFileByExtension(const std::u16string& folder, std::u16string_view extension);

}  // namespace tomeshift
