// docProps/core.xml (title, dates) and docProps/app.xml (application, page count estimate).
#pragma once

#include <string>

#include "word/model/document_model.h"

namespace tomeshift::word {

class DocxPropertiesPart {
 public:
  // created: an ISO 8601 UTC time ("2026-01-31T12:00:00Z").
  static std::string WriteCore(const DocModel& doc, const std::string& created);
  static std::string WriteApp(const DocModel& doc, int pages);
};

// The title written to the core properties: the model's title, else the first line of text.
std::u16string DocumentTitle(const DocModel& doc);

}  // namespace tomeshift::word
