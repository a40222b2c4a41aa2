// The settings a command-line conversion starts from: those the desktop program stored, or its
// factory settings when there are none (or when asked for).
#pragma once

#include <string>
#include <vector>

#include "converter/conversion_settings.h"

namespace tomeshift::cli {

// The desktop program's factory settings as a conversion record.
TDocPDFSettings FactorySettings();

// The stored settings; the factory settings when nothing usable is stored. notes receive the lines for
// the user: the stored settings could not be used, or values in them that were out of range and fell
// back to their factory values (each naming the settings file).
TDocPDFSettings StoredSettings(std::vector<std::string>* notes);

}  // namespace tomeshift::cli
