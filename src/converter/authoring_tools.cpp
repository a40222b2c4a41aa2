#include "converter/authoring_tools.h"

#include "text/path_helpers.h"
#include "text/text_utils.h"

namespace tomeshift {

std::u16string PreprocessForSpecialHelpAuthoringTools(std::u16string_view Source) {
  std::u16string text =
      RemoveMarkedSections(Source, u"<!-- Script version of NavHeader -->", u"<!-- End script navheader version -->");
  text =
      RemoveMarkedSections(text, u"<!-- NoScript version of navheader -->", u"<!-- End noscript navheader version -->");
  // Word would turn outline levels into headings of its own.
  text = ReplaceText(text, u"mso-outline-level:", u"mso-out1ine-1evel:");
  text = ReplaceText(text, u"class=\"ph uicontrol\"", u"class=\"uicontrol\"");
  return text;
}

}  // namespace tomeshift
