// The whole converter as the conversion job sees it: help file loading and distilling (inherited),
// the settings of the conversion, the Word output, and the events through which the output reports.
#pragma once

#include <atomic>
#include <functional>
#include <string>

#include "converter/chm_distill.h"
#include "converter/conversion_settings.h"

namespace tomeshift {

using TDeniedEvent = std::function<void(const std::u16string& DeniedFile)>;
using TMsgEvent = std::function<void(const std::u16string& MsgText)>;
using TErrorEvent = std::function<void(const std::u16string& ErrMsg)>;

// Where a document asked for at pdf is written: pdf itself when it ends in .doc, .docx or .pdf (any
// letter case), else pdf with its extension replaced by .doc. A folder (an existing one, or a path ending in a
// separator) stays as it is, for the output check to refuse, rather than becoming "NAME.doc" or ".doc".
std::u16string OutputTargetPath(const std::u16string& pdf);
// True when the target (as OutputTargetPath makes it) is a PDF, which only LibreOffice can make.
bool IsPdfTarget(const std::u16string& target);
// Why the target cannot be made on this system: a PDF without LibreOffice, with what to install.
// Empty when it can.
std::u16string OutputFormatProblem(const std::u16string& target);

class TChmToDocPDF : public TCHMDistill {
 public:
  TChmToDocPDF();
  ~TChmToDocPDF() override;

  TDocPDFSettings Settings;
  bool ForWordToHelp = false;
  bool OnlyWord = false;
  std::u16string ErrorMsg;
  std::u16string pdf;  // the output document as the user gave it
  std::u16string Title;
  int max = 0;
  bool Failed = false;
  // Set once the document has been written, with the path it was written to; nothing else means that
  // a document exists.
  bool Saved = false;
  std::u16string SavedFile;
  TDeniedEvent FOnDenied;
  TMsgEvent FOnMsg;
  TErrorEvent FOnError;
  // Written by the user-interface side during a hand-over, read by the worker afterwards.
  std::atomic<bool> Abort{false};
  std::atomic<bool> OK{false};

  void SetOnDenied(TDeniedEvent handler) { FOnDenied = std::move(handler); }
  void SetOnMsg(TMsgEvent handler) { FOnMsg = std::move(handler); }
  void SetOnError(TErrorEvent handler) { FOnError = std::move(handler); }

  // Copies AddHint (only with TitleNumber), HintFormat, Discard and Addenda from Settings into the
  // distiller.
  void UpdateSettings();
  // Builds and saves the document (TDocumentAssembly), removes rootFolder, and ends with OK set
  // and a report of 100; Failed tells a failed run from a good one.
  virtual void OutputWord();
};

}  // namespace tomeshift
