// The one-line text form of a font, "Name,Size,Colour,[BIUS]", in which the heading fonts are stored
// in the settings and from which the conversion settings build their initial fonts.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tomeshift {

// A font as the core keeps it: face name, size in points, colour as a Windows RGB value (0x00BBGGRR;
// 0xFF in the high byte names a system colour) and the style flags.
struct TFont {
  std::u16string Name;
  int Size = 0;
  std::uint32_t Color = 0;
  bool Bold = false;
  bool Italic = false;
  bool Underline = false;
  bool StrikeOut = false;

  bool operator==(const TFont&) const = default;
};

// Face name, size, colour as a signed decimal (system colours come out negative) and the style
// letters in the order B, I, U, S between brackets.
std::u16string FontToSpec(const TFont& font);

// Applies a font description to font in place. A text that does not have exactly four fields
// (a trailing comma aside) leaves the font unchanged. A size or colour that is not an integer throws
// EConvertError; the name (and size) may already have been set then. Style letters are recognised
// anywhere in the fourth field, in upper case only.
void SpecToFont(std::u16string_view spec, TFont& font);

}  // namespace tomeshift
