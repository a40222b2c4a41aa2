// word/styles.xml from the model's style table.
#pragma once

#include <string>

#include "word/model/document_model.h"

namespace tomeshift::word {

class DocxStylesPart {
 public:
  static std::string Write(const DocModel& doc);
};

}  // namespace tomeshift::word
