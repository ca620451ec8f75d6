#include "core/SettingsPath.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>

namespace rimvista {

namespace fs = std::filesystem;

namespace {

fs::path userConfigFolder() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg && fs::path(xdg).is_absolute()) return xdg;
    const char* home = std::getenv("HOME");
    return fs::path(home ? home : "") / ".config";
}

}  // namespace

std::string settingsFileFor(const std::string& executableFolder, const std::string& baseName) {
    const std::string fileName = baseName + ".ini";
    const fs::path beside = fs::path(executableFolder) / fileName;
    std::error_code ec;
    if (fs::exists(beside, ec) || ::access(executableFolder.c_str(), W_OK) == 0)
        return beside.string();
    return (userConfigFolder() / "rimvista" / fileName).string();
}

}  // namespace rimvista
