#pragma once
// Where the program keeps its settings file, for the window and the batch tool alike.

#include <string>

namespace rimvista {

// Beside the executable, named after it with ".ini", when that file exists or that folder can
// be written; otherwise in the user's configuration folder ($XDG_CONFIG_HOME or ~/.config,
// then "rimvista"), since every write beside an installed executable would be lost unseen.
std::string settingsFileFor(const std::string& executableFolder, const std::string& baseName);

}  // namespace rimvista
