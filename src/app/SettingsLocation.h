#pragma once

#include <QString>

namespace rimvista {

// Where the program keeps its settings: beside the executable, named after it with ".ini",
// when that file exists or that folder can be written; otherwise the user's configuration
// folder, since every write beside an installed executable would be lost without a word.
QString defaultSettingsPath();

}  // namespace rimvista
