// Makes hidden blocks visible and justified text left-aligned before the pages go into the document:
// a printed page cannot unfold a collapsed section, and justified imports spread short lines badly.
#pragma once

#include <string>
#include <string_view>

#include "text/string_list.h"

namespace tomeshift {

// The fixed display and alignment replacements, applied to a whole text (style sheet or page).
// Only the listed spellings are matched, without regard to case.
std::u16string FixDisplayAndAlignment(std::u16string_view text);

// Applies the replacements to every style sheet of the list, in place, in its declared encoding.
void ChangeCSS(const TStringList& CSSFiles);

}  // namespace tomeshift
