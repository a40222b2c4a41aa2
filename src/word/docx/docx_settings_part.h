// word/settings.xml: among others, the request to update fields when the document is opened.
#pragma once

#include <string>

#include "word/model/document_model.h"

namespace tomeshift::word {

class DocxSettingsPart {
 public:
  static std::string Write(const DocModel& doc);
};

}  // namespace tomeshift::word
