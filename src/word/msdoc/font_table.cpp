#include "word/msdoc/font_table.h"

#include <utility>

#include "text/text_utils.h"
#include "word/msdoc/grpprl.h"

namespace tomeshift::word {
namespace {

// FFN names stay short enough for the one-byte record length.
constexpr std::size_t kMaxName = 100;

bool Contains(std::u16string_view hay, std::u16string_view needle) {
  if (needle.size() > hay.size()) return false;
  for (std::size_t i = 0; i + needle.size() <= hay.size(); ++i) {
    bool eq = true;
    for (std::size_t k = 0; k < needle.size() && eq; ++k) eq = AsciiLowerChar(hay[i + k]) == AsciiLowerChar(needle[k]);
    if (eq) return true;
  }
  return false;
}

}  // namespace

TDocFontTable::TDocFontTable() { names_.push_back(u"Times New Roman"); }

std::uint16_t TDocFontTable::Intern(std::u16string_view name) {
  std::u16string n(name.substr(0, kMaxName));
  if (n.empty()) return 0;
  for (std::size_t i = 0; i < names_.size(); ++i) {
    if (AsciiEqualsNoCase(names_[i], n)) return static_cast<std::uint16_t>(i);
  }
  if (names_.size() >= 0x7FFF) return 0;
  names_.push_back(std::move(n));
  return static_cast<std::uint16_t>(names_.size() - 1);
}

std::string TDocFontTable::Serialize() const {
  std::string out;
  PutLe16(out, static_cast<std::uint16_t>(names_.size()));
  PutLe16(out, 0);
  for (const auto& name : names_) {
    // Family and pitch help readers that substitute a missing font.
    std::uint8_t family = 1, pitch = 2, charset = 0;
    if (Contains(name, u"courier") || Contains(name, u"mono") || Contains(name, u"consolas") ||
        Contains(name, u"lucida console")) {
      family = 3, pitch = 1;
    } else if (Contains(name, u"symbol") || Contains(name, u"wingdings") || Contains(name, u"webdings")) {
      family = 5, charset = 2;
    } else if (Contains(name, u"arial") || Contains(name, u"verdana") || Contains(name, u"tahoma") ||
               Contains(name, u"helvetica") || Contains(name, u"sans") || Contains(name, u"calibri") ||
               Contains(name, u"segoe")) {
      family = 2;
    }
    const std::size_t body = 39 + 2 * (name.size() + 1);
    out.push_back(static_cast<char>(body));
    out.push_back(static_cast<char>(pitch | 0x04 | (family << 4)));
    PutLe16(out, 400);
    out.push_back(static_cast<char>(charset));
    out.push_back(0);           // ixchSzAlt: no alternative name
    out.append(10 + 24, '\0');  // PANOSE and FONTSIGNATURE unknown
    PutUtf16(out, name);
    PutLe16(out, 0);
  }
  return out;
}

}  // namespace tomeshift::word
