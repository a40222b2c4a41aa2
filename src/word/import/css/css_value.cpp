#include "word/import/css/css_value.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "text/text_utils.h"
namespace tomeshift::word {

namespace {

struct NamedColor {
  const char* name;
  std::uint32_t rgb;
};

// The CSS named colours, sorted by name for binary search.
constexpr NamedColor kNamedColors[] = {
    {"aliceblue", 0xF0F8FF},
    {"antiquewhite", 0xFAEBD7},
    {"aqua", 0x00FFFF},
    {"aquamarine", 0x7FFFD4},
    {"azure", 0xF0FFFF},
    {"beige", 0xF5F5DC},
    {"bisque", 0xFFE4C4},
    {"black", 0x000000},
    {"blanchedalmond", 0xFFEBCD},
    {"blue", 0x0000FF},
    {"blueviolet", 0x8A2BE2},
    {"brown", 0xA52A2A},
    {"burlywood", 0xDEB887},
    {"cadetblue", 0x5F9EA0},
    {"chartreuse", 0x7FFF00},
    {"chocolate", 0xD2691E},
    {"coral", 0xFF7F50},
    {"cornflowerblue", 0x6495ED},
    {"cornsilk", 0xFFF8DC},
    {"crimson", 0xDC143C},
    {"cyan", 0x00FFFF},
    {"darkblue", 0x00008B},
    {"darkcyan", 0x008B8B},
    {"darkgoldenrod", 0xB8860B},
    {"darkgray", 0xA9A9A9},
    {"darkgreen", 0x006400},
    {"darkgrey", 0xA9A9A9},
    {"darkkhaki", 0xBDB76B},
    {"darkmagenta", 0x8B008B},
    {"darkolivegreen", 0x556B2F},
    {"darkorange", 0xFF8C00},
    {"darkorchid", 0x9932CC},
    {"darkred", 0x8B0000},
    {"darksalmon", 0xE9967A},
    {"darkseagreen", 0x8FBC8F},
    {"darkslateblue", 0x483D8B},
    {"darkslategray", 0x2F4F4F},
    {"darkslategrey", 0x2F4F4F},
    {"darkturquoise", 0x00CED1},
    {"darkviolet", 0x9400D3},
    {"deeppink", 0xFF1493},
    {"deepskyblue", 0x00BFFF},
    {"dimgray", 0x696969},
    {"dimgrey", 0x696969},
    {"dodgerblue", 0x1E90FF},
    {"firebrick", 0xB22222},
    {"floralwhite", 0xFFFAF0},
    {"forestgreen", 0x228B22},
    {"fuchsia", 0xFF00FF},
    {"gainsboro", 0xDCDCDC},
    {"ghostwhite", 0xF8F8FF},
    {"gold", 0xFFD700},
    {"goldenrod", 0xDAA520},
    {"gray", 0x808080},
    {"green", 0x008000},
    {"greenyellow", 0xADFF2F},
    {"grey", 0x808080},
    {"honeydew", 0xF0FFF0},
    {"hotpink", 0xFF69B4},
    {"indianred", 0xCD5C5C},
    {"indigo", 0x4B0082},
    {"ivory", 0xFFFFF0},
    {"khaki", 0xF0E68C},
    {"lavender", 0xE6E6FA},
    {"lavenderblush", 0xFFF0F5},
    {"lawngreen", 0x7CFC00},
    {"lemonchiffon", 0xFFFACD},
    {"lightblue", 0xADD8E6},
    {"lightcoral", 0xF08080},
    {"lightcyan", 0xE0FFFF},
    {"lightgoldenrodyellow", 0xFAFAD2},
    {"lightgray", 0xD3D3D3},
    {"lightgreen", 0x90EE90},
    {"lightgrey", 0xD3D3D3},
    {"lightpink", 0xFFB6C1},
    {"lightsalmon", 0xFFA07A},
    {"lightseagreen", 0x20B2AA},
    {"lightskyblue", 0x87CEFA},
    {"lightslategray", 0x778899},
    {"lightslategrey", 0x778899},
    {"lightsteelblue", 0xB0C4DE},
    {"lightyellow", 0xFFFFE0},
    {"lime", 0x00FF00},
    {"limegreen", 0x32CD32},
    {"linen", 0xFAF0E6},
    {"magenta", 0xFF00FF},
    {"maroon", 0x800000},
    {"mediumaquamarine", 0x66CDAA},
    {"mediumblue", 0x0000CD},
    {"mediumorchid", 0xBA55D3},
    {"mediumpurple", 0x9370DB},
    {"mediumseagreen", 0x3CB371},
    {"mediumslateblue", 0x7B68EE},
    {"mediumspringgreen", 0x00FA9A},
    {"mediumturquoise", 0x48D1CC},
    {"mediumvioletred", 0xC71585},
    {"midnightblue", 0x191970},
    {"mintcream", 0xF5FFFA},
    {"mistyrose", 0xFFE4E1},
    {"moccasin", 0xFFE4B5},
    {"navajowhite", 0xFFDEAD},
    {"navy", 0x000080},
    {"oldlace", 0xFDF5E6},
    {"olive", 0x808000},
    {"olivedrab", 0x6B8E23},
    {"orange", 0xFFA500},
    {"orangered", 0xFF4500},
    {"orchid", 0xDA70D6},
    {"palegoldenrod", 0xEEE8AA},
    {"palegreen", 0x98FB98},
    {"paleturquoise", 0xAFEEEE},
    {"palevioletred", 0xDB7093},
    {"papayawhip", 0xFFEFD5},
    {"peachpuff", 0xFFDAB9},
    {"peru", 0xCD853F},
    {"pink", 0xFFC0CB},
    {"plum", 0xDDA0DD},
    {"powderblue", 0xB0E0E6},
    {"purple", 0x800080},
    {"rebeccapurple", 0x663399},
    {"red", 0xFF0000},
    {"rosybrown", 0xBC8F8F},
    {"royalblue", 0x4169E1},
    {"saddlebrown", 0x8B4513},
    {"salmon", 0xFA8072},
    {"sandybrown", 0xF4A460},
    {"seagreen", 0x2E8B57},
    {"seashell", 0xFFF5EE},
    {"sienna", 0xA0522D},
    {"silver", 0xC0C0C0},
    {"skyblue", 0x87CEEB},
    {"slateblue", 0x6A5ACD},
    {"slategray", 0x708090},
    {"slategrey", 0x708090},
    {"snow", 0xFFFAFA},
    {"springgreen", 0x00FF7F},
    {"steelblue", 0x4682B4},
    {"tan", 0xD2B48C},
    {"teal", 0x008080},
    {"thistle", 0xD8BFD8},
    {"tomato", 0xFF6347},
    {"turquoise", 0x40E0D0},
    {"violet", 0xEE82EE},
    {"wheat", 0xF5DEB3},
    {"white", 0xFFFFFF},
    {"whitesmoke", 0xF5F5F5},
    {"yellow", 0xFFFF00},
    {"yellowgreen", 0x9ACD32},
};

// The system colours that old pages still use; their usual Windows values.
constexpr NamedColor kSystemColors[] = {
    {"buttonface", 0xF0F0F0}, {"buttontext", 0x000000},    {"captiontext", 0x000000},    {"graytext", 0x6D6D6D},
    {"highlight", 0x0078D7},  {"highlighttext", 0xFFFFFF}, {"infobackground", 0xFFFFE1}, {"infotext", 0x000000},
    {"menu", 0xF0F0F0},       {"menutext", 0x000000},      {"window", 0xFFFFFF},         {"windowtext", 0x000000},
};

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::optional<std::uint32_t> ParseHex(std::string_view h) {
  for (char c : h) {
    if (HexDigit(c) < 0) return std::nullopt;
  }
  if (h.size() == 3 || h.size() == 4) {
    std::uint32_t r = HexDigit(h[0]), g = HexDigit(h[1]), b = HexDigit(h[2]);
    return (r * 17) << 16 | (g * 17) << 8 | (b * 17);
  }
  if (h.size() == 6 || h.size() == 8) {
    std::uint32_t v = 0;
    for (int i = 0; i < 6; ++i) v = v << 4 | static_cast<std::uint32_t>(HexDigit(h[static_cast<std::size_t>(i)]));
    return v;
  }
  return std::nullopt;
}

std::optional<double> ParseNumber(std::string_view s, std::size_t* used) {
  std::string tmp(s);
  char* end = nullptr;
  double v = std::strtod(tmp.c_str(), &end);
  if (end == tmp.c_str()) return std::nullopt;
  // strtod accepts forms CSS does not ("inf", hex); keep to digits, sign, dot, exponent.
  for (const char* p = tmp.c_str(); p < end; ++p) {
    char c = *p;
    if (!((c >= '0' && c <= '9') || c == '.' || c == '-' || c == '+' || c == 'e' || c == 'E')) return std::nullopt;
  }
  *used = static_cast<std::size_t>(end - tmp.c_str());
  if (!std::isfinite(v)) return std::nullopt;
  return v;
}

std::optional<std::uint32_t> ParseFunctionColor(std::string_view lower) {
  std::size_t open = lower.find('(');
  std::size_t close = lower.rfind(')');
  if (open == std::string_view::npos || close == std::string_view::npos || close < open) return std::nullopt;
  std::string_view fn = TrimCss(lower.substr(0, open));
  std::string args(lower.substr(open + 1, close - open - 1));
  for (char& c : args) {
    if (c == ',' || c == '/') c = ' ';
  }
  double v[4] = {0, 0, 0, 1};
  bool pct[4] = {false, false, false, false};
  int n = 0;
  std::size_t i = 0;
  while (i < args.size() && n < 4) {
    while (i < args.size() && args[i] == ' ') ++i;
    if (i >= args.size()) break;
    std::size_t used = 0;
    auto num = ParseNumber(std::string_view(args).substr(i), &used);
    if (!num) return std::nullopt;
    i += used;
    while (i < args.size() && args[i] != ' ') {
      if (args[i] == '%') pct[n] = true;
      ++i;
    }
    v[n++] = *num;
  }
  if (n < 3) return std::nullopt;
  auto clamp255 = [](double x) { return static_cast<std::uint32_t>(std::lround(std::clamp(x, 0.0, 255.0))); };
  if (n == 4 && (pct[3] ? v[3] / 100 : v[3]) <= 0) return kCssTransparent;
  if (fn == "rgb" || fn == "rgba") {
    std::uint32_t c[3];
    for (int k = 0; k < 3; ++k) c[k] = clamp255(pct[k] ? v[k] * 2.55 : v[k]);
    return c[0] << 16 | c[1] << 8 | c[2];
  }
  if (fn == "hsl" || fn == "hsla") {
    double h = std::fmod(std::fmod(v[0], 360) + 360, 360) / 360, s = std::clamp(v[1] / 100, 0.0, 1.0),
           l = std::clamp(v[2] / 100, 0.0, 1.0);
    double q = l < 0.5 ? l * (1 + s) : l + s - l * s, p = 2 * l - q;
    auto hue = [&](double t) {
      if (t < 0) t += 1;
      if (t > 1) t -= 1;
      if (t < 1.0 / 6) return p + (q - p) * 6 * t;
      if (t < 0.5) return q;
      if (t < 2.0 / 3) return p + (q - p) * (2.0 / 3 - t) * 6;
      return p;
    };
    return clamp255(hue(h + 1.0 / 3) * 255) << 16 | clamp255(hue(h) * 255) << 8 | clamp255(hue(h - 1.0 / 3) * 255);
  }
  return std::nullopt;
}

}  // namespace

std::string_view TrimCss(std::string_view s) {
  auto space = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; };
  while (!s.empty() && space(s.front())) s.remove_prefix(1);
  while (!s.empty() && space(s.back())) s.remove_suffix(1);
  return s;
}

std::optional<std::uint32_t> ParseCssColor(std::string_view text) {
  std::string lower = AsciiLower(TrimCss(text));
  if (lower.empty()) return std::nullopt;
  if (lower[0] == '#') return ParseHex(std::string_view(lower).substr(1));
  if (lower == "transparent") return kCssTransparent;
  if (lower.find('(') != std::string::npos) return ParseFunctionColor(lower);
  auto it = std::lower_bound(std::begin(kNamedColors), std::end(kNamedColors), lower,
                             [](const NamedColor& c, const std::string& name) { return name.compare(c.name) > 0; });
  if (it != std::end(kNamedColors) && lower == it->name) return it->rgb;
  for (const auto& c : kSystemColors) {
    if (lower == c.name) return c.rgb;
  }
  return std::nullopt;
}

std::optional<std::uint32_t> ParseHtmlColor(std::string_view text) {
  std::string_view t = TrimCss(text);
  if (auto c = ParseCssColor(t)) return c;
  if (t.size() == 6 || t.size() == 3) return ParseHex(t);
  return std::nullopt;
}

double CssLength::ToPoints(double font_size, double percent_base) const {
  switch (unit) {
    case Unit::kPoint:
      return value;
    case Unit::kEm:
      return value * font_size;
    case Unit::kEx:
      return value * font_size * 0.5;
    case Unit::kRem:
      return value * 12.0;
    case Unit::kPercent:
      return value * percent_base / 100.0;
    case Unit::kAuto:
      return 0;
  }
  return 0;
}

std::optional<CssLength> ParseCssLength(std::string_view text, bool quirks) {
  std::string lower = AsciiLower(TrimCss(text));
  if (lower.empty()) return std::nullopt;
  if (lower == "auto") return CssLength{0, CssLength::Unit::kAuto};
  std::size_t used = 0;
  auto num = ParseNumber(lower, &used);
  if (!num) return std::nullopt;
  std::string_view unit = TrimCss(std::string_view(lower).substr(used));
  CssLength l;
  double v = *num;
  if (unit.empty()) {
    if (v != 0 && !quirks) return std::nullopt;
    l.value = v * 0.75;  // legacy pages mean pixels
  } else if (unit == "px")
    l.value = v * 0.75;
  else if (unit == "pt")
    l.value = v;
  else if (unit == "pc")
    l.value = v * 12;
  else if (unit == "in")
    l.value = v * 72;
  else if (unit == "cm")
    l.value = v * 72 / 2.54;
  else if (unit == "mm")
    l.value = v * 72 / 25.4;
  else if (unit == "q")
    l.value = v * 72 / 101.6;
  else if (unit == "em")
    l.value = v, l.unit = CssLength::Unit::kEm;
  else if (unit == "ex" || unit == "ch")
    l.value = v, l.unit = CssLength::Unit::kEx;
  else if (unit == "rem")
    l.value = v, l.unit = CssLength::Unit::kRem;
  else if (unit == "%")
    l.value = v, l.unit = CssLength::Unit::kPercent;
  else
    return std::nullopt;
  return l;
}

}  // namespace tomeshift::word
