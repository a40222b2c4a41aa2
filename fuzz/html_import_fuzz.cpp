// Imports a web page into the document model and writes its .docx parts in memory (the whole package
// to a scratch file for one input in sixteen: saving flushes to disk and would dominate the run). The
// input holds the page, a style sheet and a picture, separated by form feeds; the page links both.
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_support.h"
#include "platform/errors.h"
#include "platform/file_system.h"
#include "support/memory_file_system.h"
#include "text/unicode.h"
#include "word/docx/docx_document_part.h"
#include "word/docx/docx_media.h"
#include "word/docx/docx_numbering_part.h"
#include "word/docx/docx_packager.h"
#include "word/docx/docx_relationships.h"
#include "word/docx/docx_story_writer.h"
#include "word/docx/docx_styles_part.h"
#include "word/import/html_import.h"
#include "word/model/document_model.h"
#include "word/model/word_error.h"

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
  tomeshift::word::DocxRelationships rels;
  tomeshift::word::DocxMedia media;
  tomeshift::word::DocxCounters counters;
  const std::vector<std::string> document =
      tomeshift::word::DocxDocumentPart::Write(doc, rels, media, counters, std::map<int, std::string>{});
  std::string xml;
  for (const std::string& chunk : document) xml += chunk;
  // Every element the story writer opens is closed again, whatever the page.
  const std::size_t end = xml.find_last_not_of(" \r\n");
  if (end == std::string::npos || end + 1 < 13 || xml.compare(end + 1 - 13, 13, "</w:document>") != 0) {
    Fail("the document part does not end with its root's end tag");
  }
  (void)tomeshift::word::DocxStylesPart::Write(doc);
  if (tomeshift::word::DocxNumberingPart::Needed(doc)) (void)tomeshift::word::DocxNumberingPart::Write(doc);
  if (size % 16 != 0) return 0;
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
