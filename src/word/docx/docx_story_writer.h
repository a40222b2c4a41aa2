// Writes a story of the model as WordprocessingML body content (paragraphs, runs, tables, fields,
// bookmarks, hyperlinks, drawings). Shared by the document part and the header and footer parts;
// relationships go to the part being written, pictures to the package's media.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "word/docx/docx_media.h"
#include "word/docx/docx_relationships.h"
#include "word/docx/xml_writer.h"
#include "word/model/document_model.h"

namespace tomeshift::word {

// Numbers shared by all parts of one package (drawing and bookmark ids must be unique).
struct DocxCounters {
  int drawing = 0;
  int bookmark = 0;
};

class DocxStoryWriter {
 public:
  DocxStoryWriter(const DocModel& doc, XmlWriter& xml, DocxRelationships& rels, DocxMedia& media,
                  DocxCounters& counters);
  // For the main story: called for each kSection, inside that paragraph's properties.
  void SetSectionWriter(std::function<void(const SectionProps&)> f) { section_writer_ = std::move(f); }
  void WriteStory(const Story& story);
  // Twips available to a table at the top level (the text width of the section).
  void SetTextWidth(int twips) { text_width_ = twips; }

  static void WriteRunProps(XmlWriter& x, const DocModel& doc, const RunProps& p);
  static void WriteParaProps(XmlWriter& x, const DocModel& doc, const ParaProps& p, bool in_style);

 private:
  struct Marks;
  void WriteBlocks(const Story& story);
  void WriteParagraph(const Story& s, std::size_t start, std::size_t end, const Marks& marks, bool last);
  void WriteTable(const Table& t);
  void WritePicture(const Picture& p);
  void WriteMarkerRunProps(const Story& s, std::size_t start, std::size_t end);
  void WriteBookmarks(const Story& s, std::size_t pos, const Marks& marks, bool starts);
  void OpenRun(std::uint32_t fmt);
  void CloseRun();

  const DocModel& doc_;
  XmlWriter& x_;
  DocxRelationships& rels_;
  DocxMedia& media_;
  DocxCounters& counters_;
  std::function<void(const SectionProps&)> section_writer_;
  int text_width_ = 9026;
  bool run_open_ = false;
  std::uint32_t run_fmt_ = 0;
  std::vector<std::uint32_t> complex_open_;  // complex fields not yet ended (they may span paragraphs)
};

}  // namespace tomeshift::word
