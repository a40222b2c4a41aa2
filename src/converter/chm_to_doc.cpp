#include "converter/chm_to_doc.h"

#include "converter/document_assembly.h"
#include "platform/code_pages.h"

namespace tomeshift {

TChmToDocPDF::TChmToDocPDF() = default;

TChmToDocPDF::~TChmToDocPDF() = default;

void TChmToDocPDF::UpdateSettings() {
  AddHint = Settings.AddHint;
  HintFormat = Settings.HintFormat;
  Discard = Settings.Discard;
  Addenda = Settings.Addenda;
}

void TChmToDocPDF::OutputWord() {
  // The importer reads the pages again: undeclared text in the help file's code page, as Execute did.
  const ScopedAnsiCodePage help_file_code_page(CodePage);
  TDocumentAssembly(*this).Run();
}

}  // namespace tomeshift
