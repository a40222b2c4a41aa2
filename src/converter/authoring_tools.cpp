#include "converter/authoring_tools.h"

#include "text/path_helpers.h"

namespace tomeshift {

namespace {

constexpr char16_t AsciiLower(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c; }

// Replaces every occurrence of an ASCII pattern, matched without regard to case.
std::u16string ReplaceAllNoCase(std::u16string_view text, std::u16string_view lowerPattern,
                                std::u16string_view replacement) {
  std::u16string result;
  result.reserve(text.size());
  const std::size_t n = lowerPattern.size();
  std::size_t from = 0;
  for (std::size_t at = 0; at + n <= text.size();) {
    std::size_t k = 0;
    while (k < n && AsciiLower(text[at + k]) == lowerPattern[k]) ++k;
    if (k < n) {
      ++at;
      continue;
    }
    result.append(text, from, at - from);
    result += replacement;
    at += n;
    from = at;
  }
  result.append(text, from);
  return result;
}

}  // namespace

std::u16string PreprocessForSpecialHelpAuthoringTools(std::u16string_view Source) {
  std::u16string text = RemoveMarkedSections(Source, u"<!-- Script version of NavHeader -->",
                                             u"<!-- End script navheader version -->");
  text = RemoveMarkedSections(text, u"<!-- NoScript version of navheader -->",
                              u"<!-- End noscript navheader version -->");
  // Word would turn outline levels into headings of its own.
  text = ReplaceAllNoCase(text, u"mso-outline-level:", u"mso-out1ine-1evel:");
  text = ReplaceAllNoCase(text, u"class=\"ph uicontrol\"", u"class=\"uicontrol\"");
  return text;
}

}  // namespace tomeshift
