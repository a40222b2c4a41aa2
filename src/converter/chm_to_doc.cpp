#include "converter/chm_to_doc.h"

#include "converter/document_assembly.h"
#include "platform/code_pages.h"
#include "platform/file_system.h"
#include "platform/office_layout.h"
#include "text/text_utils.h"
#include "text/unicode.h"

namespace tomeshift {

std::u16string OutputTargetPath(const std::u16string& pdf) {
  const std::size_t slash = pdf.find_last_of(u"/\\");
  if (pdf.empty() || slash == pdf.size() - 1 || FileSystem().DirectoryExists(pdf)) return pdf;
  const std::size_t dot = pdf.rfind(u'.');
  const bool has_extension = dot != std::u16string::npos && (slash == std::u16string::npos || dot > slash);
  const std::u16string ext = has_extension ? AsciiLower(std::u16string_view(pdf).substr(dot)) : std::u16string();
  if (ext == u".doc" || ext == u".docx" || ext == u".pdf") return pdf;
  return (has_extension ? pdf.substr(0, dot) : pdf) + u".doc";
}

bool IsPdfTarget(const std::u16string& target) {
  return target.size() >= 4 && AsciiLower(std::u16string_view(target).substr(target.size() - 4)) == u".pdf";
}

std::u16string OutputFormatProblem(const std::u16string& target) {
  if (!IsPdfTarget(target) || !TOfficeLayout::FindProgram().empty()) return {};
  return u"Cannot write " + target + u": a PDF is made with LibreOffice, which is not installed. Install it (" +
         U16(std::string("apt-get install ") + kOfficePackage) + u") or write a .docx document.";
}

TChmToDocPDF::TChmToDocPDF() = default;

TChmToDocPDF::~TChmToDocPDF() = default;

void TChmToDocPDF::UpdateSettings() {
  // A hint names the target's chapter number: without numbers on the headings it would point at
  // nothing the reader can find.
  AddHint = Settings.AddHint && Settings.TitleNumber;
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
