#include "converter/css_fixes.h"

#include <array>
#include <utility>

#include "platform/text_files.h"
#include "text/text_utils.h"

namespace tomeshift {

namespace {

constexpr std::array<std::pair<std::u16string_view, std::u16string_view>, 7> kReplacements{{
    {u"display:none", u"display:block"},
    {u"display: none", u"display:block"},
    {u"display :none", u"display:block"},
    {u"display : none", u"display:block"},
    {u"Align=justify", u"Align=left"},
    {u"Align=\"justify\"", u"Align=\"left\""},
    {u"Align='justify'", u"Align='left'"},
}};

}  // namespace

std::u16string FixDisplayAndAlignment(std::u16string_view text) {
  std::u16string result(text);
  for (const auto& [searched, replacement] : kReplacements) {
    // Most pages hold none of them; skip the copy that ReplaceText would make.
    if (PosText(searched, result) == std::u16string::npos) continue;
    result = ReplaceText(result, searched, replacement);
  }
  return result;
}

void ChangeCSS(const TStringList& CSSFiles) {
  for (int i = 0; i < CSSFiles.Count(); ++i) {
    const std::u16string& path = CSSFiles[i];
    const std::u16string text = ReadPageText(path);
    const std::u16string fixed = FixDisplayAndAlignment(text);
    // An unchanged sheet is not rewritten, so its bytes (and encoding) stay exactly as extracted.
    if (fixed != text) WritePageText(fixed, path);
  }
}

}  // namespace tomeshift
