// CSS component values: colours and lengths, as the importer needs them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tomeshift::word {

// 0xRRGGBB; nullopt for anything that is not a colour. "transparent" is kCssTransparent.
constexpr std::uint32_t kCssTransparent = 0xFF000000u;
std::optional<std::uint32_t> ParseCssColor(std::string_view text);
// HTML's legacy colour attributes (bgcolor, <font color>): also bare hex digits ("ff0000").
std::optional<std::uint32_t> ParseHtmlColor(std::string_view text);

struct CssLength {
  enum class Unit : std::uint8_t { kPoint, kEm, kEx, kRem, kPercent, kAuto };
  double value = 0;
  Unit unit = Unit::kPoint;
  // Points for absolute and font-relative lengths; percentages resolve against `percent_base` points.
  double ToPoints(double font_size, double percent_base = 0) const;
};

// "12px", "1.5em", "50%", "0", "auto"; absolute units become points (96 px to the inch).
// Unitless numbers other than 0 are accepted only when `quirks` is set (legacy pages write "10").
std::optional<CssLength> ParseCssLength(std::string_view text, bool quirks = true);

std::string_view TrimCss(std::string_view s);

}  // namespace tomeshift::word
