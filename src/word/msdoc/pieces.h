// How the document text is stored: one byte a character in code page 1252 ("compressed") when every
// character has such a byte, else UTF-16. The whole text is one piece of one kind: antiword misreads
// documents whose pieces switch between the two kinds, and catdoc guesses the kind per 256-byte block.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tomeshift::word {

class TDocPieces {
 public:
  // `text` is every character of the document in CP order; it is stored from byte `start` on.
  TDocPieces(std::u16string_view text, std::uint32_t start);

  bool compressed() const { return compressed_; }
  // Appends the stored text to `stream`, which must be `start` bytes long.
  void Write(std::string& stream) const;
  // The stream offset of the character at `cp`; `cp` == text size gives end().
  std::uint32_t Fc(std::uint32_t cp) const;
  std::uint32_t end() const { return Fc(static_cast<std::uint32_t>(text_.size())); }
  // The Clx with the piece table (no property modifiers).
  std::string Clx() const;

  // The code page 1252 byte of a character, if it has one.
  static std::optional<std::uint8_t> Cp1252(char16_t c);

 private:
  std::u16string_view text_;
  std::uint32_t start_ = 0;
  bool compressed_ = false;
};

}  // namespace tomeshift::word
