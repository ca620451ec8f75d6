#pragma once
// The user's own folders as the desktop names them (the XDG base and user directories).

#include <string>

namespace rimvista {

// $HOME, else the home folder of the account.
std::string homeFolder();

// $XDG_CONFIG_HOME when it is an absolute path, else ~/.config.
std::string userConfigFolder();

// The pictures folder: XDG_PICTURES_DIR as user-dirs.dirs in the configuration folder sets it,
// else as the environment sets it, when that folder exists; else the home folder.
std::string picturesFolder();

}  // namespace rimvista
