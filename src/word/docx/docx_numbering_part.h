// word/numbering.xml: one abstract numbering and one instance per list of the model (ids 1..n).
#pragma once

#include <string>

#include "word/model/document_model.h"

namespace tomeshift::word {

class DocxNumberingPart {
 public:
  static bool Needed(const DocModel& doc) { return !doc.lists.empty(); }
  static std::string Write(const DocModel& doc);
};

}  // namespace tomeshift::word
