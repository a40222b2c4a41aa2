// The font table (SttbfFfn): every font name that styles and runs refer to, by index.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tomeshift::word {

class TDocFontTable {
 public:
  TDocFontTable();  // index 0 is Times New Roman, the format's default
  // Index of the font, added when new; names are compared without regard to case.
  std::uint16_t Intern(std::u16string_view name);
  const std::vector<std::u16string>& names() const { return names_; }
  std::string Serialize() const;

 private:
  std::vector<std::u16string> names_;
};

}  // namespace tomeshift::word
