#include "word/msdoc/list_table.h"

#include <algorithm>

#include "word/msdoc/grpprl.h"

namespace tomeshift::word {
namespace {

std::uint8_t Nfc(const std::string& format) {
  static const std::pair<const char*, std::uint8_t> kFormats[] = {
      {"decimal", 0}, {"upperRoman", 1},   {"lowerRoman", 2}, {"upperLetter", 3}, {"lowerLetter", 4},
      {"ordinal", 5}, {"decimalZero", 22}, {"bullet", 23},    {"none", 255},
  };
  for (const auto& [name, nfc] : kFormats) {
    if (format == name) return nfc;
  }
  return 0;
}

std::string Level(const ListLevel& l, int ilvl, TDocFontTable& fonts) {
  // Level text: "%N" places the number of level N, written as the character N - 1.
  std::u16string text;
  std::vector<std::uint8_t> places;
  for (std::size_t i = 0; i < l.text.size() && text.size() < 200; ++i) {
    if (l.text[i] == u'%' && i + 1 < l.text.size() && l.text[i + 1] >= u'1' && l.text[i + 1] <= u'9') {
      if (places.size() < 9) places.push_back(static_cast<std::uint8_t>(text.size() + 1));
      text.push_back(static_cast<char16_t>(l.text[i + 1] - u'1'));
      ++i;
    } else {
      text.push_back(l.text[i]);
    }
  }
  const bool bullet = l.format == "bullet";
  if (bullet) places.clear();
  TGrpprl papx, chpx;
  papx.Add16(sprm::kPDxaLeft80, static_cast<std::uint16_t>(360 * (ilvl + 1) + 360));
  papx.Add16(sprm::kPDxaLeft180, static_cast<std::uint16_t>(-360));
  if (bullet && !text.empty() && text[0] >= 0xF000) {
    const std::uint16_t ftc = fonts.Intern(u"Symbol");
    chpx.Add16(sprm::kCRgFtc0, ftc);
    chpx.Add16(sprm::kCRgFtc1, ftc);
    chpx.Add16(sprm::kCRgFtc2, ftc);
  }
  std::string out;
  PutLe32(out, static_cast<std::uint32_t>(std::max(0, l.start)));
  out.push_back(static_cast<char>(Nfc(l.format)));
  out.push_back(0);  // left aligned, restarts after higher levels
  for (std::size_t i = 0; i < 9; ++i) out.push_back(static_cast<char>(i < places.size() ? places[i] : 0));
  out.push_back(0);  // a tab follows the number
  PutLe32(out, 0);
  PutLe32(out, 0);
  out.push_back(static_cast<char>(chpx.size()));
  out.push_back(static_cast<char>(papx.size()));
  out.push_back(0);
  out.push_back(0);
  out += papx.bytes();
  out += chpx.bytes();
  PutLe16(out, static_cast<std::uint16_t>(text.size()));
  PutUtf16(out, text);
  return out;
}

}  // namespace

void TDocListTable::Encode(const std::vector<ListDef>& defs, TDocFontTable& fonts, std::string& lists,
                           std::string& overrides) {
  lists.clear();
  overrides.clear();
  if (defs.empty()) return;
  const std::size_t count = std::min<std::size_t>(defs.size(), 0x7FF0);
  std::string lst, lvls;
  PutLe16(lst, static_cast<std::uint16_t>(count));
  for (std::size_t i = 0; i < count; ++i) {
    PutLe32(lst, static_cast<std::uint32_t>(0x10000 + i));  // lsid
    PutLe32(lst, 0);                                        // tplc
    for (int k = 0; k < 9; ++k) PutLe16(lst, 0x0FFF);
    lst.push_back(0);  // nine levels each
    lst.push_back(0);
    for (int k = 0; k < 9; ++k) {
      const auto& levels = defs[i].levels;
      ListLevel l = k < static_cast<int>(levels.size()) ? levels[static_cast<std::size_t>(k)] : ListLevel{};
      if (k >= static_cast<int>(levels.size())) {
        l.text = u"%" + std::u16string(1, static_cast<char16_t>(u'1' + k)) + u".";
      }
      lvls += Level(l, k, fonts);
    }
  }
  PutLe32(lists, static_cast<std::uint32_t>(lst.size()));
  lists += lst;
  lists += lvls;

  PutLe32(overrides, static_cast<std::uint32_t>(count));
  for (std::size_t i = 0; i < count; ++i) {
    PutLe32(overrides, static_cast<std::uint32_t>(0x10000 + i));
    overrides.append(12, '\0');
  }
  for (std::size_t i = 0; i < count; ++i) PutLe32(overrides, 0xFFFFFFFF);
}

}  // namespace tomeshift::word
