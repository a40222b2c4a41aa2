#include "converter/authoring_tools.h"

#include <gtest/gtest.h>

#include "text/unicode.h"

namespace tomeshift {
namespace {

TEST(AuthoringTools, CleansTheMarkersOfKnownTools) {
  struct Case {
    const char* in;
    const char* out;
  };
  const Case cases[] = {
      // Both navigation header variants go, comments included; what lies around and between stays.
      {"<body>A<!-- Script version of NavHeader --><script>nav()</script>"
       "<!-- End script navheader version -->B<!-- NoScript version of navheader --><p>Home</p>"
       "<!-- End noscript navheader version -->C</body>",
       "<body>ABC</body>"},
      {"x<!-- SCRIPT VERSION OF NAVHEADER -->nav<!-- end SCRIPT navheader version -->y", "xy"},
      // Without its end comment nothing is removed; the start comment comes back in lower case.
      {"a<!-- NoScript version of navheader --><p>Home</p>b", "a<!-- noscript version of navheader --><p>Home</p>b"},
      {"<p style=\"MSO-OUTLINE-LEVEL:2\">T</p><h1 style='mso-outline-level:1'>",
       "<p style=\"mso-out1ine-1evel:2\">T</p><h1 style='mso-out1ine-1evel:1'>"},
      {"<span CLASS=\"Ph UiControl\">OK</span>", "<span class=\"uicontrol\">OK</span>"},
      // Single quotes, or the class words without "class=" right before them, are left alone.
      {"<span class='ph uicontrol'>OK</span><span title=\"ph uicontrol\">",
       "<span class='ph uicontrol'>OK</span><span title=\"ph uicontrol\">"},
      {"<html><head><title>Plain</title></head><body><p>Nothing to do.</p></body></html>",
       "<html><head><title>Plain</title></head><body><p>Nothing to do.</p></body></html>"},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(U8(PreprocessForSpecialHelpAuthoringTools(U16(c.in))), c.out) << c.in;
}

}  // namespace
}  // namespace tomeshift
