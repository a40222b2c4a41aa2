// What the main window hands to a conversion, and the seams through which it reaches the converter:
// reading a help file's title and code page, and creating the worker of one run.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "text/font_spec.h"

namespace tomeshift {
class ProgressJob;
}

namespace tomeshift::app {

// The settings record of one conversion, field for field.
struct ConversionSettings {
  int PaperSize = 4;  // Word paper code
  int Height = 0;
  int Width = 0;
  int Top = 25;
  int Bottom = 25;
  int Left = 30;
  int Right = 30;
  bool Cover = true;
  bool Header = true;
  bool Footer = true;
  bool Toc = true;
  bool XE = false;
  int ShowLevel = 3;
  std::u16string TOCCaption = u"Table of Contents";
  bool TitleNumber = true;
  bool AddHint = false;
  std::u16string HintFormat = u"See [Title No.]";
  int StartNewPage = 0;
  bool Discard = false;
  std::u16string Addenda = u"Addenda";
  int Panes = 0;
  int Magnification = 0;
  int PageLayout = 0;
  std::array<TFont, 10> HeadingFont{};  // 1..9
};

struct ConversionRequest {
  std::u16string chm;  // the scratch copy of the help file
  bool OnlyWord = true;
  std::u16string pdf;  // the output document
  std::u16string Title;
  std::uint32_t CodePage = 0;
  ConversionSettings Settings;
};

// The help file's title as stored (bytes of its code page) and the code page of its language.
struct HelpFileHeader {
  std::string rTitle;
  std::uint32_t rCodePage = 0;
};

// Reads the header of the help file at a native path; throws (with a message naming the file) when
// it is not a readable help file.
using HelpFileReader = std::function<HelpFileHeader(const std::u16string& path)>;
// Creates the suspended worker of one run.
using ConversionFactory = std::function<std::unique_ptr<ProgressJob>(const ConversionRequest& request)>;
// Whether the word processor that writes the document is there.
using WordCheck = std::function<bool()>;

}  // namespace tomeshift::app
