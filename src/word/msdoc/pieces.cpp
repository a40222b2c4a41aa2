#include "word/msdoc/pieces.h"

#include <stdexcept>

#include "word/msdoc/grpprl.h"

namespace tomeshift::word {
namespace {

// Code page 1252's characters at 0x80-0x9F; 0 where it has none.
constexpr char16_t kHigh[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
                                0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
                                0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

}  // namespace

std::optional<std::uint8_t> TDocPieces::Cp1252(char16_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<std::uint8_t>(c);
  if (c < 0xA0) return std::nullopt;
  for (std::uint8_t i = 0; i < 32; ++i) {
    if (kHigh[i] == c) return static_cast<std::uint8_t>(0x80 + i);
  }
  return std::nullopt;
}

TDocPieces::TDocPieces(std::u16string_view text, std::uint32_t start) : text_(text), start_(start) {
  compressed_ = true;
  for (char16_t c : text) {
    if (!Cp1252(c)) {
      compressed_ = false;
      break;
    }
  }
  // A compressed piece's offset is stored doubled in 30 bits.
  if (static_cast<std::uint64_t>(start) + text.size() * 2 > 0x1FFFFFFFu)
    throw std::length_error("document too large for the Word 97-2003 format");
}

void TDocPieces::Write(std::string& stream) const {
  if (stream.size() != start_) throw std::logic_error("text written at the wrong offset");
  stream.reserve(end());
  for (char16_t c : text_) {
    if (compressed_)
      stream.push_back(static_cast<char>(*Cp1252(c)));
    else
      PutLe16(stream, static_cast<std::uint16_t>(c));
  }
}

std::uint32_t TDocPieces::Fc(std::uint32_t cp) const { return start_ + cp * (compressed_ ? 1u : 2u); }

std::string TDocPieces::Clx() const {
  std::string clx;
  clx.push_back(0x02);
  PutLe32(clx, 4 + 4 + 8);
  PutLe32(clx, 0);
  PutLe32(clx, static_cast<std::uint32_t>(text_.size()));
  PutLe16(clx, 0);
  PutLe32(clx, compressed_ ? (start_ * 2) | 0x40000000u : start_);
  PutLe16(clx, 0);
  return clx;
}

}  // namespace tomeshift::word
