#pragma once

#include <QString>

namespace rimvista {

// The window's settings file, by the rule of settingsFileFor() for this executable.
QString defaultSettingsPath();

}  // namespace rimvista
