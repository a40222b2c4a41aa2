// The engine's own clipboard: what Range.Copy puts and Range.Paste takes. Process-wide like the
// desktop's, but private to the engine, so nothing outside can put foreign content between them.
#pragma once

#include <memory>

#include "word/model/document_model.h"

namespace tomeshift::word {

class EngineClipboard {
 public:
  static void Put(std::shared_ptr<const DocModel> content);
  // nullptr when nothing was copied yet.
  static std::shared_ptr<const DocModel> Get();
  static void Clear();
};

}  // namespace tomeshift::word
