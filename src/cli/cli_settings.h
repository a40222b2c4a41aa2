// The settings a command-line conversion starts from: those the desktop program stored, or its
// factory settings when there are none (or when asked for).
#pragma once

#include <string>

#include "converter/conversion_settings.h"

namespace tomeshift::cli {

// The desktop program's factory settings as a conversion record.
TDocPDFSettings FactorySettings();

// The stored settings; the factory settings when nothing usable is stored. note receives a line
// for the user when the stored settings could not be used.
TDocPDFSettings StoredSettings(std::string* note);

}  // namespace tomeshift::cli
