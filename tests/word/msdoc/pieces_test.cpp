#include "word/msdoc/pieces.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tomeshift::word {
namespace {

std::uint32_t Le32(const std::string& s, std::size_t at) {
  return static_cast<std::uint32_t>(static_cast<unsigned char>(s[at]) | static_cast<unsigned char>(s[at + 1]) << 8 |
                                    static_cast<unsigned char>(s[at + 2]) << 16 |
                                    static_cast<std::uint32_t>(static_cast<unsigned char>(s[at + 3])) << 24);
}

// Code page 1252 as a reader decodes it, written out independently of the writer's table.
char16_t FromCp1252(unsigned char b) {
  static const std::u16string high =
      u"\u20AC\u0081\u201A\u0192\u201E\u2026\u2020\u2021\u02C6\u2030\u0160\u2039\u0152\u008D\u017D\u008F"
      u"\u0090\u2018\u2019\u201C\u201D\u2022\u2013\u2014\u02DC\u2122\u0161\u203A\u0153\u009D\u017E\u0178";
  return b >= 0x80 && b < 0xA0 ? high[b - 0x80] : static_cast<char16_t>(b);
}

// Reads the text back the way a Word reader does: through the Clx's piece table only.
std::u16string ReadThroughPieces(const std::string& stream, const std::string& clx) {
  EXPECT_EQ(clx[0], 0x02);
  const std::uint32_t lcb = Le32(clx, 1);
  EXPECT_EQ(lcb + 5, clx.size());
  const std::size_t n = (lcb - 4) / 12;
  std::u16string text;
  for (std::size_t k = 0; k < n; ++k) {
    const std::uint32_t cp = Le32(clx, 5 + 4 * k), cp_next = Le32(clx, 5 + 4 * (k + 1));
    EXPECT_EQ(cp, text.size()) << "pieces out of order";
    const std::uint32_t fc = Le32(clx, 5 + 4 * (n + 1) + 8 * k + 2);
    const bool compressed = fc & 0x40000000u;
    const std::uint32_t at = compressed ? (fc & ~0x40000000u) / 2 : fc;
    for (std::uint32_t i = 0; i < cp_next - cp; ++i) {
      if (compressed) {
        text.push_back(FromCp1252(static_cast<unsigned char>(stream.at(at + i))));
      } else {
        text.push_back(static_cast<char16_t>(static_cast<unsigned char>(stream.at(at + 2 * i)) |
                                             static_cast<unsigned char>(stream.at(at + 2 * i + 1)) << 8));
      }
    }
  }
  return text;
}

struct Case {
  const char* name;
  std::u16string text;
  bool compressed;
};

// Text that code page 1252 holds is stored one byte a character, anything else as UTF-16; either
// way it reads back through the piece table as written, and Fc points at each character's bytes.
TEST(DocPieces, TextReadsBackThroughThePieceTable) {
  std::u16string long_latin;
  for (int i = 0; i < 5000; ++i) long_latin += static_cast<char16_t>(i % 77 == 76 ? u'\r' : u'a' + i % 26);
  const std::vector<Case> cases = {
      {"Latin text with field and section marks",
       u"Cover page\x0C"
       u"Intro\x13 PAGE \x14"
       u"1\x15\x07\r",
       true},
      {"code page 1252 punctuation and accents",
       u"\u201CQuoted\u201D \u2013 \u20AC 5 \u2022 caf\u00E9 \u0178 \u2122\u00A0\r", true},
      {"long Latin text", long_latin, true},
      {"empty", u"", true},
      {"one Cyrillic word among Latin text", long_latin + u"\u0448\u0430\u0433\u0438" + long_latin, false},
      {"Japanese", u"\u3053\u306e\u30d8\u30eb\u30d7\r", false},
      {"C1 control characters are not code page 1252", u"a\u0081b\u009Dc\r", false},
      {"characters beyond the BMP", u"smile \U0001F600\r", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::uint32_t start = 0x400;
    TDocPieces pieces(c.text, start);
    EXPECT_EQ(pieces.compressed(), c.compressed);
    std::string stream(start, '\0');
    pieces.Write(stream);
    EXPECT_EQ(stream.size(), pieces.end());
    EXPECT_EQ(stream.size() - start, c.text.size() * (c.compressed ? 1 : 2));
    EXPECT_EQ(ReadThroughPieces(stream, pieces.Clx()), c.text);
    for (std::uint32_t cp = 0; cp < c.text.size(); ++cp) {
      const std::uint32_t fc = pieces.Fc(cp);
      ASSERT_LT(fc, pieces.Fc(cp + 1)) << cp;
      const auto lo = static_cast<unsigned char>(stream[fc]);
      const char16_t got =
          c.compressed ? FromCp1252(lo) : static_cast<char16_t>(lo | static_cast<unsigned char>(stream[fc + 1]) << 8);
      ASSERT_EQ(got, c.text[cp]) << cp;
    }
  }
}

// Every character from U+0000 to U+FFFF: those code page 1252 holds round-trip through their byte.
TEST(DocPieces, CodePage1252BytesDecodeToTheirCharacter) {
  int held = 0;
  for (char32_t c = 0; c <= 0xFFFF; ++c) {
    const auto byte = TDocPieces::Cp1252(static_cast<char16_t>(c));
    if (!byte) continue;
    ++held;
    EXPECT_EQ(FromCp1252(*byte), static_cast<char16_t>(c)) << std::hex << static_cast<unsigned>(c);
  }
  EXPECT_EQ(held, 251);  // 256 bytes, five of them unassigned
}

}  // namespace
}  // namespace tomeshift::word
