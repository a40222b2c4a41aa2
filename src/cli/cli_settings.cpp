#include "cli/cli_settings.h"

#include "job/stored_settings.h"
#include "platform/settings_store.h"

namespace tomeshift::cli {

namespace {

constexpr int kFactoryPaperIndex = 4;  // A4

}  // namespace

TDocPDFSettings FactorySettings() { return ToConversionSettings(FactoryValues()); }

TDocPDFSettings StoredSettings(std::string* note) {
  try {
    RegistryFileStore store(RegistryFileStore::DefaultPath(), kSettingsKey);
    if (!store.ValueExists(u"PaperSize")) return FactorySettings();
    TStoredValues values = FactoryValues();
    std::string reason;
    // The desktop program would write its factory settings here; the command line only reads.
    if (!TStoredSettings(store).Read(values, &reason)) {
      if (note) *note = "the stored settings cannot be used (" + reason + "); using the factory settings";
      return FactorySettings();
    }
    if (values.PaperSize < 0 || values.PaperSize > kCustomPaperIndex) values.PaperSize = kFactoryPaperIndex;
    if (values.ShowLevel < 1 || values.ShowLevel > 9) values.ShowLevel = 9;
    return ToConversionSettings(values);
  } catch (const std::exception& e) {
    if (note) *note = std::string("the stored settings cannot be used (") + e.what() + "); using the factory settings";
    return FactorySettings();
  }
}

}  // namespace tomeshift::cli
