// Imports a web page into the document model and saves it as .docx. The input holds the page, a
// style sheet and a picture, separated by form feeds; the page links both.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_support.h"
#include "platform/errors.h"
#include "platform/file_system.h"
#include "support/memory_file_system.h"
#include "text/unicode.h"
#include "word/doc_model.h"
#include "word/docx_packager.h"
#include "word/html_import.h"
#include "word/word_error.h"

using tomeshift::fuzzing::Fail;
using tomeshift::fuzzing::FuzzScratch;
using tomeshift::fuzzing::SplitParts;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const auto parts = SplitParts(input, "\f", 3);
  tomeshift::testing::MemoryFileSystem files;
  files.AddFile(u"/p/page.htm", parts[0]);
  files.AddFile(u"/p/style.css", parts.size() > 1 ? parts[1] : std::string_view("p{margin:1em}"));
  files.AddFile(u"/p/pic.gif", parts.size() > 2 ? parts[2] : std::string_view("GIF89a"));
  files.AddFile(u"/p/img/pic.png", parts.size() > 2 ? parts[2] : std::string_view("\x89PNG"));

  tomeshift::word::DocModel doc;
  {
    tomeshift::ScopedFileSystem guard(files);
    std::vector<tomeshift::word::HtmlImportWarning> warnings;
    try {
      tomeshift::word::HtmlImport::ImportFile(u"/p/page.htm", doc, &warnings);
    } catch (const tomeshift::TomeshiftError&) {
      return 0;
    }
  }
  // Saving reads nothing but the model (pictures are held in it), so it goes to a real scratch file.
  FuzzScratch scratch;
  try {
    tomeshift::word::DocxPackager::Save(doc, tomeshift::U16(scratch.folder() + "page.docx"));
  } catch (const tomeshift::FileError& e) {
    Fail(std::string("saving failed: ") + e.what());
  }
  scratch.CheckContained();
  return 0;
}
