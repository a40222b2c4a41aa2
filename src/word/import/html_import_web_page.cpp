#include "word/import/html_import_web_page.h"

#include <vector>

namespace tomeshift::word {

void HtmlWebPageImporter::Import(const std::u16string& path, DocModel& doc) {
  std::vector<HtmlImportWarning> warnings;
  HtmlImport::ImportFile(path, doc, &warnings);
  if (on_warning_) {
    for (const auto& w : warnings) on_warning_(w);
  }
}

void HtmlWebPageImporter::InstallAsDefault(HtmlImportWarningHandler on_warning) {
  SetDefaultWebPageImporterFactory([on_warning] { return std::make_unique<HtmlWebPageImporter>(on_warning); });
}

}  // namespace tomeshift::word
