// The settings the program keeps between runs under one key of the settings store: their names,
// types and factory values, how they are read back (and repaired), and what a conversion makes of
// them. The desktop window and the command line both go through here.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "converter/conversion_settings.h"
#include "platform/settings_store.h"
#include "text/font_spec.h"

namespace tomeshift {

// The key every value lives under.
inline constexpr char16_t kSettingsKey[] = u"\\Software\\Quorvel\\Tomeshift";

// The Word paper code of each paper-size item, by the item index that is stored.
inline constexpr std::array<int, 7> kPaperCodes = {2, 23, 4, 6, 7, 11, 41};
inline constexpr int kCustomPaperIndex = 6;
// The sides a custom paper may have, in mm: the longest is the document engine's limit (22 inches).
inline constexpr int kMinPaperMm = 50;
inline constexpr int kMaxPaperMm = 558;
// The largest heading font, in points, as the font dialog offers.
inline constexpr int kMaxHeadingPoints = 100;

// Everything that is kept, in stored form: item indexes for the lists, whole millimetres. The
// initial values are the factory ones (the heading fonts come from FactoryValues()).
struct TStoredValues {
  std::u16string SourceFile;
  std::u16string WordFile;
  int PaperSize = 4;  // item index of the paper-size list (A4)
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
  bool ExactPages = true;
  std::array<TFont, 10> HeadingFont{};  // 1..9

  bool operator==(const TStoredValues&) const = default;
};

// The factory heading font of a level: Calibri, 29 - 2n points, black; level 1 bold and underlined.
std::u16string FactoryHeadingSpec(int level);
// The factory settings, heading fonts included; no paths.
TStoredValues FactoryValues();

// Puts back the factory value of every stored value that no document can be made with: margins beyond
// 0 to 999 mm or leaving less than 10 mm of text, a custom paper side beyond 50 to 558 mm, a contents
// level beyond 1 to 9, a new-page choice beyond the list, a heading font without a name or of a size
// beyond 1 to 100. One line per value put back ("\"Top\"=-100 is out of range (0 to 999); 25 is used").
// The paper-size index is left as it is: the window and the command line each have their way with it.
std::vector<std::string> FixRanges(TStoredValues& v);

// Why a document cannot be made with this page: a custom paper side beyond 50 to 558 mm, or margins
// that leave less than 10 mm of text across or down the page. Empty when it can.
std::string PageSetupProblem(const TDocPDFSettings& s);

// The record a conversion gets from stored values. A paper index outside the list leaves the
// record's own paper size.
TDocPDFSettings ToConversionSettings(const TStoredValues& v);

class TStoredSettings {
 public:
  explicit TStoredSettings(ISettingsStore& store) : store_(store) {}

  // Reads every stored value over base. A missing or mistyped value (or an unreadable heading)
  // writes the factory settings and reads again. Throws only when the store itself fails.
  TStoredValues LoadSettings(const TStoredValues& base);
  // One read over v without repairing anything: false when a value is missing, mistyped or a
  // heading unreadable, with the first such value named in *reason.
  bool Read(TStoredValues& v, std::string* reason = nullptr);
  void WriteDefaultSettings();
  void SaveSettings(const TStoredValues& v);
  // After a conversion: the paths, the page, the elements, the hidden viewer choices and the fonts.
  void SaveAfterConversion(const TStoredValues& v);

 private:
  std::u16string ReadPath(std::u16string_view name);
  // The values the three saves share: page setup and elements, then the enhancement choices.
  void WritePageAndElements(const TStoredValues& v);
  void WriteEnhancement(const TStoredValues& v);
  void WriteHeadingFonts(const TStoredValues& v);

  ISettingsStore& store_;
};

}  // namespace tomeshift
