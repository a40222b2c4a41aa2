// Markers that particular help authoring tools leave in every page and that the general distiller
// cannot recognise on its own.
#pragma once

#include <string>
#include <string_view>

namespace tomeshift {

// Cleans a whole page as read from disk: drops the doubled navigation header (script and no-script
// versions, framed by comments), hides Word outline levels from the import, and turns the two-word
// "ph uicontrol" class into the plain one.
std::u16string PreprocessForSpecialHelpAuthoringTools(std::u16string_view Source);

}  // namespace tomeshift
