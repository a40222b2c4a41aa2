#include "word/msdoc/picture.h"

#include <algorithm>
#include <cstdint>

#include "word/msdoc/grpprl.h"

namespace tomeshift::word {
namespace {

struct BlipKind {
  std::string_view format;
  std::uint8_t type;  // msoblip type for OfficeArtFBSE
  std::uint16_t rec_type;
  std::uint16_t instance;
  bool metafile;
};

constexpr BlipKind kKinds[] = {
    {"png", 6, 0xF01E, 0x6E0, false}, {"jpeg", 5, 0xF01D, 0x46A, false},    {"jpg", 5, 0xF01D, 0x46A, false},
    {"bmp", 7, 0xF01F, 0x7A8, false}, {"tiff", 0x11, 0xF029, 0x6E4, false}, {"tif", 0x11, 0xF029, 0x6E4, false},
    {"emf", 2, 0xF01A, 0x3D4, true},  {"wmf", 3, 0xF01B, 0x216, true},
};

const BlipKind* Kind(std::string_view format) {
  for (const auto& k : kKinds) {
    if (k.format == format) return &k;
  }
  return nullptr;
}

void Header(std::string& out, std::uint16_t ver, std::uint16_t instance, std::uint16_t type, std::uint32_t len) {
  PutLe16(out, static_cast<std::uint16_t>((ver & 0xF) | (instance << 4)));
  PutLe16(out, type);
  PutLe32(out, len);
}

// A 16-byte identifier for the blip; readers use it only to share equal pictures.
std::string Uid(std::string_view bytes) {
  std::uint64_t a = 0xcbf29ce484222325ull, b = 0x84222325cbf29ce4ull;
  for (unsigned char c : bytes) {
    a = (a ^ c) * 0x100000001b3ull;
    b = (b ^ c) * 0x100000001b3ull + 7;
  }
  std::string uid;
  for (int i = 0; i < 8; ++i) uid.push_back(static_cast<char>(a >> (8 * i)));
  for (int i = 0; i < 8; ++i) uid.push_back(static_cast<char>(b >> (8 * i)));
  return uid;
}

}  // namespace

bool TDocPicture::Supports(std::string_view format) { return Kind(format) != nullptr; }

std::optional<std::string> TDocPicture::Encode(std::string_view bytes, std::string_view format, int width_twips,
                                               int height_twips) {
  const BlipKind* kind = Kind(format);
  if (!kind || bytes.empty()) return std::nullopt;
  std::string_view data = bytes;
  if (kind->type == 7) {
    // A DIB blip is the bitmap without its file header.
    if (data.size() < 14 + 40 || data.substr(0, 2) != "BM") return std::nullopt;
    data.remove_prefix(14);
  }
  if (kind->type == 3 && data.size() > 22 && static_cast<unsigned char>(data[0]) == 0xD7 &&
      static_cast<unsigned char>(data[1]) == 0xCD) {
    data.remove_prefix(22);  // the placeable header: the size is carried separately
  }
  const std::string uid = Uid(data);

  std::string blip;
  if (kind->metafile) {
    Header(blip, 0, kind->instance, kind->rec_type, static_cast<std::uint32_t>(16 + 34 + data.size()));
    blip += uid;
    PutLe32(blip, static_cast<std::uint32_t>(data.size()));  // cbSize
    PutLe32(blip, 0);
    PutLe32(blip, 0);
    PutLe32(blip, static_cast<std::uint32_t>(width_twips));  // rcBounds, in the metafile's own units at best
    PutLe32(blip, static_cast<std::uint32_t>(height_twips));
    PutLe32(blip, static_cast<std::uint32_t>(width_twips * 635));  // ptSize in EMUs
    PutLe32(blip, static_cast<std::uint32_t>(height_twips * 635));
    PutLe32(blip, static_cast<std::uint32_t>(data.size()));  // cbSave
    blip.push_back(static_cast<char>(0xFE));                 // not compressed
    blip.push_back(static_cast<char>(0xFE));
  } else {
    Header(blip, 0, kind->instance, kind->rec_type, static_cast<std::uint32_t>(17 + data.size()));
    blip += uid;
    blip.push_back(static_cast<char>(0xFF));
  }
  blip.append(data);

  std::string fbse;
  Header(fbse, 2, kind->type, 0xF007, static_cast<std::uint32_t>(36 + blip.size()));
  fbse.push_back(static_cast<char>(kind->type));
  fbse.push_back(
      static_cast<char>(kind->type == 2 || kind->type == 3 ? 4 : kind->type));  // PICT for metafiles on the Mac
  fbse += uid;
  PutLe16(fbse, 0xFF);
  PutLe32(fbse, static_cast<std::uint32_t>(blip.size()));
  PutLe32(fbse, 1);  // cRef
  PutLe32(fbse, 0);  // foDelay
  fbse.append(4, '\0');
  fbse += blip;

  std::string fsp;
  Header(fsp, 2, 75, 0xF00A, 8);  // picture frame
  PutLe32(fsp, 1025);
  PutLe32(fsp, 0x0A00);  // fHaveAnchor | fHaveSpt
  std::string fopt;
  Header(fopt, 3, 1, 0xF00B, 6);
  PutLe16(fopt, 0x4104);  // pib, a blip index
  PutLe32(fopt, 1);
  std::string sp;
  Header(sp, 0xF, 0, 0xF004, static_cast<std::uint32_t>(fsp.size() + fopt.size()));
  sp += fsp;
  sp += fopt;

  // PICF: the shown size goes into the goal size at 100 % scale; a goal is at most 22 inches.
  const auto clamp = [](int v) { return static_cast<std::uint16_t>(std::clamp(v, 1, 31680)); };
  std::string picf;
  PutLe32(picf, static_cast<std::uint32_t>(68 + sp.size() + fbse.size()));
  PutLe16(picf, 0x44);
  PutLe16(picf, 0x64);  // MM_SHAPE: Office Art follows
  picf.append(6 + 14, '\0');
  PutLe16(picf, clamp(width_twips));
  PutLe16(picf, clamp(height_twips));
  PutLe16(picf, 1000);
  PutLe16(picf, 1000);
  picf.append(8 + 2 + 16 + 4, '\0');
  PutLe16(picf, 0);  // cProps
  return picf + sp + fbse;
}

}  // namespace tomeshift::word
