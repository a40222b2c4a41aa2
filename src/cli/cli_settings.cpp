#include "cli/cli_settings.h"

#include "job/stored_settings.h"
#include "platform/settings_store.h"

namespace tomeshift::cli {

namespace {

constexpr int kFactoryPaperIndex = 4;  // A4

}  // namespace

TDocPDFSettings FactorySettings() { return ToConversionSettings(FactoryValues()); }

TDocPDFSettings StoredSettings(std::vector<std::string>* notes) {
  const std::string path = RegistryFileStore::DefaultPath();
  auto note = [&](const std::string& line) {
    if (notes) notes->push_back(line);
  };
  try {
    // The command line only reads: a damaged file stays as it is, for the desktop program to deal with.
    RegistryFileStore store(path, kSettingsKey, RegistryFileStore::Access::kReadOnly);
    if (!store.ValueExists(u"PaperSize")) return FactorySettings();
    TStoredValues values = FactoryValues();
    std::string reason;
    // The desktop program would write its factory settings here; the command line only reads.
    if (!TStoredSettings(store).Read(values, &reason)) {
      note(path + ": the stored settings cannot be used (" + reason + "); using the factory settings");
      return FactorySettings();
    }
    if (values.PaperSize < 0 || values.PaperSize > kCustomPaperIndex) {
      note(path + ": \"PaperSize\"=" + std::to_string(values.PaperSize) + " is out of range (0 to " +
           std::to_string(kCustomPaperIndex) + "); " + std::to_string(kFactoryPaperIndex) + " (A4) is used");
      values.PaperSize = kFactoryPaperIndex;
    }
    for (const std::string& line : FixRanges(values)) note(path + ": " + line);
    return ToConversionSettings(values);
  } catch (const std::exception& e) {
    note(path + ": the stored settings cannot be used (" + e.what() + "); using the factory settings");
    return FactorySettings();
  }
}

}  // namespace tomeshift::cli
