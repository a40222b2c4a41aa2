// What a picture file's header says: its format and natural size. Nothing is decoded.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tomeshift::word {

struct ImageInfo {
  std::string format;             // png, jpeg, gif, bmp, tiff, wmf, emf, ico
  int width = 0, height = 0;      // pixels
  double dpi_x = 96, dpi_y = 96;  // as recorded, 96 when the file does not say
  double WidthPoints() const { return width * 72.0 / dpi_x; }
  double HeightPoints() const { return height * 72.0 / dpi_y; }
};

// nullopt for data that is not a picture this engine knows, or whose header is cut short.
std::optional<ImageInfo> ReadImageInfo(std::string_view bytes);

// Formats that the word processor takes as they are.
bool WordAcceptsFormat(std::string_view format);

// Turns a picture that the word processor cannot take (an icon) into PNG; nullopt when it cannot.
std::optional<std::string> ConvertToPng(std::string_view bytes, std::string_view format);

}  // namespace tomeshift::word
