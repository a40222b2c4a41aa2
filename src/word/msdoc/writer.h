// Writes the document model as a Word 97-2003 binary document (.doc, Word file format 0).
#pragma once

#include <string>

#include "word/model/document_model.h"

namespace tomeshift::word {

class TDocWriter {
 public:
  // Saves atomically: a temporary file beside the target, renamed over it when complete. Throws
  // FileError naming the target and the reason; an existing file is left alone on failure.
  static void Save(const DocModel& doc, const std::u16string& path);
  // The whole file in memory.
  static std::string Serialize(const DocModel& doc);
};

}  // namespace tomeshift::word
