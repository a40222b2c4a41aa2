// The seams through which the main window reaches the converter: reading a help file's title and
// code page, and (for tests) the converter a run uses.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace tomeshift {
class TChmToDocPDF;
}

namespace tomeshift::app {

// The help file's title as stored (bytes of its code page) and the code page of its language, or
// the one its text shows when it names none.
struct HelpFileHeader {
  std::string rTitle;
  std::uint32_t rCodePage = 0;
};

// Reads the header of the help file at a native path; throws (with a message naming the file) when
// it is not a readable help file.
using HelpFileReader = std::function<HelpFileHeader(const std::u16string& path)>;
// The converter of one run; empty: the worker's own.
using ConverterFactory = std::function<std::unique_ptr<TChmToDocPDF>()>;
// Whether the word processor that writes the document is there.
using WordCheck = std::function<bool()>;

// The reader the program uses: the help file's system record.
HelpFileHeader ReadHelpFileHeader(const std::u16string& path);

}  // namespace tomeshift::app
