#include "word/msdoc/style_sheet.h"

#include "word/msdoc/grpprl.h"

namespace tomeshift::word {

std::string TDocStyleSheet::Serialize(const std::vector<TDocStyle>& styles, std::uint16_t default_font) {
  std::string out;
  // STSHI as Word 97 wrote it (18 bytes).
  PutLe16(out, 18);
  PutLe16(out, static_cast<std::uint16_t>(styles.size()));
  PutLe16(out, 10);    // cbSTDBaseInFile: the Word 97 STD base
  PutLe16(out, 1);     // fStdStylenamesWritten
  PutLe16(out, 0x5B);  // stiMaxWhenSaved
  PutLe16(out, kFixedSlots);
  PutLe16(out, 0);  // nVerBuiltInNamesWhenSaved
  for (int i = 0; i < 3; ++i) PutLe16(out, default_font);
  for (std::size_t istd = 0; istd < styles.size(); ++istd) {
    const TDocStyle& s = styles[istd];
    if (!s.used) {
      PutLe16(out, 0);
      continue;
    }
    std::string std;
    PutLe16(std, static_cast<std::uint16_t>(s.sti & 0x0FFF));
    PutLe16(std, static_cast<std::uint16_t>((s.character ? 2 : 1) | (s.base << 4)));
    PutLe16(std, static_cast<std::uint16_t>((s.character ? 1 : 2) | (s.next << 4)));
    const std::size_t bch_upe_at = std.size();
    PutLe16(std, 0);
    PutLe16(std, 0);  // grfstd
    PutLe16(std, static_cast<std::uint16_t>(s.name.size()));
    PutUtf16(std, s.name);
    PutLe16(std, 0);
    auto upx = [&](const std::string& bytes) {
      PutLe16(std, static_cast<std::uint16_t>(bytes.size()));
      std += bytes;
      if (bytes.size() % 2) std.push_back('\0');
    };
    if (!s.character) {
      std::string papx;
      PutLe16(papx, static_cast<std::uint16_t>(istd));
      papx += s.papx;
      upx(papx);
    }
    upx(s.chpx);
    SetLe16(std, bch_upe_at, static_cast<std::uint16_t>(std.size()));  // where the (absent) UPEs would start
    PutLe16(out, static_cast<std::uint16_t>(std.size()));
    out += std;
  }
  return out;
}

}  // namespace tomeshift::word
