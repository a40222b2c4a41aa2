#include "converter/conversion_settings.h"

#include "text/text_utils.h"

namespace tomeshift {

TDocPDFSettings::TDocPDFSettings() {
  for (int n = 1; n <= 9; ++n) {
    SpecToFont(u"Calibri," + IntToStr(29 - 2 * n) + u",0,[]", HeadingFont[static_cast<std::size_t>(n)]);
  }
}

}  // namespace tomeshift
