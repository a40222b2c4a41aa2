// The settings of one conversion, with their initial values.
#pragma once

#include <array>
#include <string>

#include "text/font_spec.h"

namespace tomeshift {

class TDocPDFSettings {
 public:
  // Fonts 1 to 9 become Calibri 27, 25 ... 11 points, colour 0, no styles.
  TDocPDFSettings();

  int PaperSize = 4;  // Word paper-size code; 41 is custom (Height and Width then apply)
  int Height = 0;     // mm
  int Width = 0;      // mm
  int Top = 25;       // margins in mm
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
  int StartNewPage = 0;  // 0 continuous, 1 before each first-level topic, 2 before every topic
  bool Discard = false;
  std::u16string Addenda = u"Addenda";
  int Panes = 0;
  int Magnification = 0;
  int PageLayout = 0;
  // Lay the saved document out again in LibreOffice, when it is installed, so that the contents
  // carries the pages a reader sees instead of our estimate.
  bool ExactPages = true;
  // Heading levels 1 to 9 at indexes 1 to 9; index 0 is unused.
  std::array<TFont, 10> HeadingFont{};
};

}  // namespace tomeshift
