#include "cli/cli_settings.h"

#include <array>

#include "text/font_spec.h"
#include "text/unicode.h"

#include "platform/settings_store.h"

namespace tomeshift::cli {

namespace {

// Paper codes of the desktop program's paper list, by the item index it stores.
constexpr std::array<int, 7> kPaperCodes = {2, 23, 4, 6, 7, 11, 41};
constexpr int kFactoryPaperIndex = 4;  // A4

std::u16string FactoryHeadingSpec(int level) {
  return u"Calibri," + U16(std::to_string(29 - 2 * level)) + (level == 1 ? u",0,[BU]" : u",0,[]");
}

}  // namespace

TDocPDFSettings FactorySettings() {
  TDocPDFSettings s;
  s.PaperSize = kPaperCodes[kFactoryPaperIndex];
  s.ShowLevel = 9;
  s.AddHint = true;
  s.Magnification = 4;
  for (int n = 1; n <= 9; ++n) {
    TFont font;
    SpecToFont(FactoryHeadingSpec(n), font);
    s.HeadingFont[static_cast<std::size_t>(n)] = font;
  }
  return s;
}

TDocPDFSettings StoredSettings(std::string* note) {
  TDocPDFSettings s = FactorySettings();
  try {
    RegistryFileStore store(RegistryFileStore::DefaultPath(), u"\\Software\\Quorvel\\Tomeshift");
    if (!store.ValueExists(u"PaperSize")) return FactorySettings();
    const int paper = store.ReadInteger(u"PaperSize");
    s.PaperSize = paper >= 0 && paper < static_cast<int>(kPaperCodes.size()) ? kPaperCodes[static_cast<std::size_t>(paper)]
                                                                            : kPaperCodes[kFactoryPaperIndex];
    s.Height = store.ReadInteger(u"Height");
    s.Width = store.ReadInteger(u"Width");
    s.Top = store.ReadInteger(u"Top");
    s.Bottom = store.ReadInteger(u"Bottom");
    s.Left = store.ReadInteger(u"Left");
    s.Right = store.ReadInteger(u"Right");
    s.Cover = store.ReadBool(u"Cover");
    s.Header = store.ReadBool(u"Header");
    s.Footer = store.ReadBool(u"Footer");
    s.Toc = store.ReadBool(u"Toc");
    s.ShowLevel = store.ReadInteger(u"ShowLevel");
    s.StartNewPage = store.ReadInteger(u"StartNewPage");
    s.TitleNumber = store.ReadBool(u"TitleNumber");
    s.TOCCaption = store.ReadString(u"TOCCaption");
    s.AddHint = store.ReadBool(u"AddHint");
    s.HintFormat = store.ReadString(u"HintFormat");
    s.Discard = store.ReadBool(u"Discard");
    s.Addenda = store.ReadString(u"Addenda");
    for (int n = 1; n <= 9; ++n) {
      TFont font = s.HeadingFont[static_cast<std::size_t>(n)];
      SpecToFont(store.ReadString(u"Heading" + U16(std::to_string(n))), font);
      s.HeadingFont[static_cast<std::size_t>(n)] = font;
    }
    if (s.ShowLevel < 1 || s.ShowLevel > 9) s.ShowLevel = 9;
    return s;
  } catch (const std::exception& e) {
    // The desktop program would write its factory settings here; the command line only reads.
    if (note) *note = std::string("the stored settings cannot be used (") + e.what() + "); using the factory settings";
    return FactorySettings();
  }
}

}  // namespace tomeshift::cli
