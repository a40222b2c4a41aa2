// word/document.xml, built in memory as a list of chunks (never one contiguous string): the main story and
// the section properties.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "word/docx/docx_media.h"
#include "word/docx/docx_relationships.h"
#include "word/docx/docx_story_writer.h"
#include "word/model/document_model.h"

namespace tomeshift::word {

class DocxDocumentPart {
 public:
  // hf_ids: header/footer story index -> relationship id in rels.
  static std::vector<std::string> Write(const DocModel& doc, DocxRelationships& rels, DocxMedia& media,
                                        DocxCounters& counters, const std::map<int, std::string>& hf_ids);
  static void WriteSectionProps(XmlWriter& x, const SectionProps& s, const std::map<int, std::string>& hf_ids);
  // Namespace declarations every story part carries.
  static void DeclareNamespaces(XmlWriter& x);
};

class DocxHeaderFooterPart {
 public:
  static std::string Write(const DocModel& doc, const Story& story, bool header, DocxRelationships& rels,
                           DocxMedia& media, DocxCounters& counters);
};

}  // namespace tomeshift::word
