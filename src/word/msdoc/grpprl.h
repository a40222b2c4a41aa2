// Property modifiers (sprms) of the Word 97-2003 binary format, and a list of them as written
// into FKPs, the style sheet and section descriptions.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tomeshift::word {

namespace sprm {
// Character.
constexpr std::uint16_t kCFSpec = 0x0855;
constexpr std::uint16_t kCPicLocation = 0x6A03;
constexpr std::uint16_t kCIstd = 0x4A30;
constexpr std::uint16_t kCFBold = 0x0835;
constexpr std::uint16_t kCFItalic = 0x0836;
constexpr std::uint16_t kCFStrike = 0x0837;
constexpr std::uint16_t kCKul = 0x2A3E;
constexpr std::uint16_t kCIss = 0x2A48;
constexpr std::uint16_t kCHps = 0x4A43;
constexpr std::uint16_t kCHpsBi = 0x4A61;
constexpr std::uint16_t kCRgFtc0 = 0x4A4F;
constexpr std::uint16_t kCRgFtc1 = 0x4A50;
constexpr std::uint16_t kCRgFtc2 = 0x4A51;
constexpr std::uint16_t kCIco = 0x2A42;
constexpr std::uint16_t kCCv = 0x6870;
constexpr std::uint16_t kCHighlight = 0x2A0C;
// Paragraph.
constexpr std::uint16_t kPJc80 = 0x2403;
constexpr std::uint16_t kPFKeepFollow = 0x2406;
constexpr std::uint16_t kPFPageBreakBefore = 0x2407;
constexpr std::uint16_t kPIlvl = 0x260A;
constexpr std::uint16_t kPIlfo = 0x460B;
constexpr std::uint16_t kPChgTabsPapx = 0xC60D;
constexpr std::uint16_t kPDxaRight80 = 0x840E;
constexpr std::uint16_t kPDxaLeft80 = 0x840F;
constexpr std::uint16_t kPDxaLeft180 = 0x8411;
constexpr std::uint16_t kPDyaLine = 0x6412;
constexpr std::uint16_t kPDyaBefore = 0xA413;
constexpr std::uint16_t kPDyaAfter = 0xA414;
constexpr std::uint16_t kPFInTable = 0x2416;
constexpr std::uint16_t kPFTtp = 0x2417;
constexpr std::uint16_t kPOutLvl = 0x2640;
constexpr std::uint16_t kPShd = 0xC64D;
constexpr std::uint16_t kPBrcBottom80 = 0x6426;
constexpr std::uint16_t kPItap = 0x6649;
constexpr std::uint16_t kPFInnerTableCell = 0x244B;
constexpr std::uint16_t kPFInnerTtp = 0x244C;
// Table (in the row end's paragraph properties).
constexpr std::uint16_t kTDefTable = 0xD608;
constexpr std::uint16_t kTJc90 = 0x5400;
constexpr std::uint16_t kTDxaGapHalf = 0x9602;
constexpr std::uint16_t kTDyaRowHeight = 0x9407;
constexpr std::uint16_t kTTableHeader = 0x3404;
constexpr std::uint16_t kTTableBorders80 = 0xD605;
// Section.
constexpr std::uint16_t kSBkc = 0x3009;
constexpr std::uint16_t kSFTitlePage = 0x300A;
constexpr std::uint16_t kSFPgnRestart = 0x3011;
constexpr std::uint16_t kSDyaHdrTop = 0xB017;
constexpr std::uint16_t kSDyaHdrBottom = 0xB018;
constexpr std::uint16_t kSPgnStart97 = 0x501C;
constexpr std::uint16_t kSXaPage = 0xB01F;
constexpr std::uint16_t kSYaPage = 0xB020;
constexpr std::uint16_t kSDxaLeft = 0xB021;
constexpr std::uint16_t kSDxaRight = 0xB022;
constexpr std::uint16_t kSDyaTop = 0x9023;
constexpr std::uint16_t kSDyaBottom = 0x9024;
constexpr std::uint16_t kSLnnMin = 0x501B;
}  // namespace sprm

// A byte list of sprms. Operand sizes follow from the sprm's spra bits; variable-length ones carry
// their own size byte (written by the caller through AddVariable).
class TGrpprl {
 public:
  void Add8(std::uint16_t sprm, std::uint8_t v) {
    Sprm(sprm);
    bytes_.push_back(static_cast<char>(v));
  }
  void Add16(std::uint16_t sprm, std::uint16_t v) {
    Sprm(sprm);
    Raw16(v);
  }
  void Add32(std::uint16_t sprm, std::uint32_t v) {
    Sprm(sprm);
    Raw16(static_cast<std::uint16_t>(v & 0xFFFF));
    Raw16(static_cast<std::uint16_t>(v >> 16));
  }
  // Operand with a one-byte size prefix (the size is written here).
  void AddVariable(std::uint16_t sprm, std::string_view operand) {
    Sprm(sprm);
    bytes_.push_back(static_cast<char>(operand.size()));
    bytes_.append(operand);
  }
  // sprmTDefTable: its size is a two-byte count of the rest plus one.
  void AddTableDefinition(std::string_view operand) {
    Sprm(sprm::kTDefTable);
    Raw16(static_cast<std::uint16_t>(operand.size() + 1));
    bytes_.append(operand);
  }
  void Append(const TGrpprl& other) { bytes_ += other.bytes_; }
  const std::string& bytes() const { return bytes_; }
  bool empty() const { return bytes_.empty(); }
  std::size_t size() const { return bytes_.size(); }

 private:
  void Sprm(std::uint16_t s) { Raw16(s); }
  void Raw16(std::uint16_t v) {
    bytes_.push_back(static_cast<char>(v & 0xFF));
    bytes_.push_back(static_cast<char>(v >> 8));
  }
  std::string bytes_;
};

// Little-endian helpers shared by the writer's encoders.
inline void PutLe16(std::string& out, std::uint16_t v) {
  out.push_back(static_cast<char>(v & 0xFF));
  out.push_back(static_cast<char>(v >> 8));
}
inline void PutLe32(std::string& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}
inline void SetLe16(std::string& out, std::size_t at, std::uint16_t v) {
  out[at] = static_cast<char>(v & 0xFF);
  out[at + 1] = static_cast<char>(v >> 8);
}
inline void SetLe32(std::string& out, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out[at + static_cast<std::size_t>(i)] = static_cast<char>((v >> (8 * i)) & 0xFF);
}
inline void PutUtf16(std::string& out, std::u16string_view s) {
  for (char16_t c : s) PutLe16(out, static_cast<std::uint16_t>(c));
}

}  // namespace tomeshift::word
