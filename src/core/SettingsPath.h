#pragma once
// Where the program keeps its settings file, for the window and the batch tool alike.
//
// A copy running from a bin folder it was built to be installed in (this build's install
// prefix, and /usr for the Debian packages) is installed: it keeps its settings in the user's
// configuration folder, rimvista/rimvista.ini under $XDG_CONFIG_HOME (else ~/.config), for every
// user, root included, and never looks beside the executable: one run as root there must not
// make a file that every user then shares. Any other copy is portable: beside the executable,
// named after it with ".ini", when that file exists or that folder can be written; otherwise in
// the user's configuration folder as above, named after the executable.

#include <string>
#include <vector>

namespace rimvista {

// The bin folders an installed copy runs from, as configured when it was built.
const std::vector<std::string>& installedBinFolders();

// Whether `folder` is one of `binFolders` (the same folder however spelled).
bool isInstalledBinFolder(const std::string& folder,
                          const std::vector<std::string>& binFolders = installedBinFolders());

std::string settingsFileFor(const std::string& executableFolder, const std::string& baseName,
                            const std::vector<std::string>& binFolders = installedBinFolders());

// Where the open and save dialogs start, from the folder remembered in the settings file and
// whether it passes the window's folder test: that folder when it does; otherwise the program's
// own folder for a portable copy, and the user's pictures folder for an installed one, which
// also takes it instead of a program folder (that holds no pictures and takes none).
std::string firstFolder(const std::string& stored, bool storedExists,
                        const std::string& programFolder,
                        const std::vector<std::string>& binFolders = installedBinFolders());

}  // namespace rimvista
