// An inline picture as the Word 97-2003 format keeps it in the Data stream: a PICF header followed
// by an Office Art shape container that holds the picture file (the blip).
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tomeshift::word {

class TDocPicture {
 public:
  // bytes in `format` (png, jpeg, bmp, tiff, emf, wmf); the shown size in twips. nullopt for a
  // format the binary format cannot hold.
  static std::optional<std::string> Encode(std::string_view bytes, std::string_view format, int width_twips,
                                           int height_twips);
  static bool Supports(std::string_view format);
};

}  // namespace tomeshift::word
