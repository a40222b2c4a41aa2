#include "converter/chm_to_doc.h"

#include "converter/document_assembly.h"

namespace tomeshift {

TChmToDocPDF::TChmToDocPDF() = default;

TChmToDocPDF::~TChmToDocPDF() = default;

void TChmToDocPDF::UpdateSettings() {
  AddHint = Settings.AddHint;
  HintFormat = Settings.HintFormat;
  Discard = Settings.Discard;
  Addenda = Settings.Addenda;
}

void TChmToDocPDF::OutputWord() { TDocumentAssembly(*this).Run(); }

}  // namespace tomeshift
