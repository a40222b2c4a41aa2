// The window's settings as they are kept between runs, and the one class that reads and writes them.
#pragma once

#include <array>
#include <string>

#include "platform/settings_store.h"
#include "text/font_spec.h"

namespace tomeshift::app {

// Everything the main window keeps, in stored form: item indexes for the lists, whole millimetres.
struct WindowSettings {
  std::u16string SourceFile;
  std::u16string WordFile;
  int PaperSize = 4;  // item index of the paper-size list
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
  int ShowLevel = 9;
  std::u16string TOCCaption = u"Table of Contents";
  bool TitleNumber = true;
  bool AddHint = true;
  std::u16string HintFormat = u"See [Title No.]";
  int StartNewPage = 0;
  bool Discard = false;
  std::u16string Addenda = u"Addenda";
  int Panes = 0;
  int Magnification = 4;
  int PageLayout = 0;
  std::array<TFont, 10> HeadingFont{};  // 1..9

  bool operator==(const WindowSettings&) const = default;
};

// The factory heading font of a level: Calibri, 29 - 2n points, black; level 1 bold and underlined.
std::u16string FactoryHeadingSpec(int level);

class StoredSettings {
 public:
  explicit StoredSettings(ISettingsStore& store) : store_(store) {}

  // Reads every stored value over base. A missing or mistyped value (or an unreadable heading)
  // writes the factory settings and reads again. Throws only when the store itself fails.
  WindowSettings LoadSettings(const WindowSettings& base);
  void WriteDefaultSettings();
  void SaveSettings(const WindowSettings& s);
  // After a conversion: the paths, the page, the elements and the hidden viewer choices; no fonts.
  void SaveAfterConversion(const WindowSettings& s);

 private:
  // One pass; false when a value was missing or of the wrong type.
  bool TryLoad(WindowSettings& s);
  std::u16string ReadPath(std::u16string_view name);

  ISettingsStore& store_;
};

}  // namespace tomeshift::app
