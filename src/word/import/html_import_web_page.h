// The web-page importer that Documents.Open(FileName, Format = 7) uses: pages become document
// models through HtmlImport; warnings (missing pictures, unreadable style sheets) go to a callback.
#pragma once

#include <functional>

#include "word/import/html_import.h"
#include "word/model/web_page_importer.h"

namespace tomeshift::word {

using HtmlImportWarningHandler = std::function<void(const HtmlImportWarning&)>;

class HtmlWebPageImporter final : public IWebPageImporter {
 public:
  explicit HtmlWebPageImporter(HtmlImportWarningHandler on_warning = {}) : on_warning_(std::move(on_warning)) {}
  void Import(const std::u16string& path, DocModel& doc) override;

  // Makes every Application created afterwards open web pages with this importer.
  static void InstallAsDefault(HtmlImportWarningHandler on_warning = {});

 private:
  HtmlImportWarningHandler on_warning_;
};

}  // namespace tomeshift::word
