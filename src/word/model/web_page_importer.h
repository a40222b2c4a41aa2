// The hook through which Documents.Open (Format 7) turns a web page into a document model.
// The importer fills a fresh DocModel (its main story through StoryBuilder, its styles, pictures
// linked to their files with their natural size, tables, bookmarks named with MapBookmarkName).
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "word/model/document_model.h"

namespace tomeshift::word {

class IWebPageImporter {
 public:
  virtual ~IWebPageImporter() = default;
  // path: a core path. Throws (WordError, FileError, FormatError) when the page cannot be read.
  virtual void Import(const std::u16string& path, DocModel& doc) = 0;
};

// Applications created afterwards get an importer from this factory.
using WebPageImporterFactory = std::function<std::unique_ptr<IWebPageImporter>()>;
void SetDefaultWebPageImporterFactory(WebPageImporterFactory factory);
WebPageImporterFactory DefaultWebPageImporterFactory();

}  // namespace tomeshift::word
