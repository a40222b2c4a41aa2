// The command line of a conversion: which file, where to, and the settings that override the stored
// ones. Parsing is separate from running so that tests can check it without a help file.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "converter/conversion_settings.h"

namespace tomeshift::cli {

// A command line that cannot be run; the message says what is wrong (exit status 2).
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct ConvertOptions {
  // What the command line asks for; the options may come in any order.
  enum class Mode { kConvert, kInfo, kListToc, kHelp };
  Mode mode = Mode::kConvert;
  bool distilled = false;  // --list-toc --distilled

  std::u16string input;
  std::u16string output;  // empty: the input's name with ".docx"
  bool factory = false;
  bool open = false;
  bool quiet = false;
  std::optional<std::u16string> title;
  std::optional<std::uint32_t> code_page;  // from --language
  std::u16string keep_scratch;             // --keep-scratch: where the distilled pages are copied
  // Each option that was given, applied over the stored settings in command-line order.
  std::vector<std::function<void(TDocPDFSettings&)>> overrides;
};

// Parses the arguments after the program name, in any order. Throws UsageError for a command line
// that cannot be run, including options that do not go with the mode asked for.
ConvertOptions ParseConvertOptions(const std::vector<std::string_view>& args);

// "INPUT.chm" becomes "INPUT.docx"; a name without extension gets ".docx".
std::u16string DefaultOutputPath(const std::u16string& input);

// Word paper code and size in mm for --paper: a named size, or "WIDTHxHEIGHT" (custom, 41).
struct PaperChoice {
  int code = 0;
  int width = 0, height = 0;
};
PaperChoice ParsePaper(std::string_view text);

// The help text of the conversion options.
extern const char* const kConvertOptionsHelp;

}  // namespace tomeshift::cli
