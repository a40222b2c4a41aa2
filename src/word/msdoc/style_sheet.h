// The style sheet (STSH): one STD per style index (istd). The writer fixes the first fifteen slots the
// way Word does (Normal, Heading 1-9, Default Paragraph Font, then reserved ones).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tomeshift::word {

struct TDocStyle {
  bool used = false;       // an empty slot is written with no STD
  bool character = false;  // character style (else paragraph style)
  std::u16string name;
  std::uint16_t sti = 0x0FFE;   // built-in identifier, 0x0FFE for user-defined
  std::uint16_t base = 0x0FFF;  // istd of the style it is based on, 0x0FFF: none
  std::uint16_t next = 0;       // istd of the style that follows a paragraph of this one
  std::string papx;             // paragraph sprms (paragraph styles)
  std::string chpx;             // character sprms
};

class TDocStyleSheet {
 public:
  static constexpr std::uint16_t kFixedSlots = 15;
  // Default fonts (indexes into the font table) for the three character classes.
  static std::string Serialize(const std::vector<TDocStyle>& styles, std::uint16_t default_font);
};

}  // namespace tomeshift::word
