// The distiller stage of the converter chain: turns the extracted folder into cleaned pages, in
// place, and completes the topic list. Only its settings exist so far; Execute does nothing yet.
#pragma once

#include <string>

#include "converter/chm_decompile.h"

namespace tomeshift {

class TCHMDistill : public TCHMDecompile {
 public:
  TCHMDistill();
  ~TCHMDistill() override;

  bool AddHint = false;
  std::u16string HintFormat = u"See [Title No.]";
  bool Discard = false;
  std::u16string Addenda = u"Addenda";

  // Distills the pages of rootFolder and completes List.
  virtual void Execute();
};

}  // namespace tomeshift
