// Builds the result of a table-of-contents field from the headings of the main story: one
// paragraph per heading in its "TOC N" style, a link to a hidden "_Toc" bookmark on the heading,
// a dotted right tab and a PAGEREF field whose cached number comes from PageEstimator.
#pragma once

#include <cstdint>
#include <string>

#include "word/model/document_model.h"

namespace tomeshift::word {

class TocBuilder {
 public:
  // The field instruction for a TOC field's settings (" TOC \o "1-3" \h \z \u ").
  static std::u16string FieldCode(const Field& f);
  // Replaces the field's result. Throws WordError when the field is not in the main story.
  static void Update(DocModel& doc, std::uint32_t field_id);
  // The text shown when there are no headings.
  static constexpr const char16_t* kNoEntries = u"No table of contents entries found.";
};

}  // namespace tomeshift::word
