// Writes a DocModel as a .docx package: every part in a fixed order, saved through AtomicSave so that
// the target is replaced only by a complete package.
#pragma once

#include <string>

#include "word/model/document_model.h"

namespace tomeshift::word {

class DocxPackager {
 public:
  // path: a core path (see platform/file_system.h). Throws FileError naming the path and the reason;
  // an existing file at path is left as it was.
  static void Save(const DocModel& doc, const std::u16string& path);
};

}  // namespace tomeshift::word
