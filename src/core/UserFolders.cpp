#include "core/UserFolders.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <optional>
#include <string_view>

namespace rimvista {

namespace {

constexpr std::string_view kPicturesKey = "XDG_PICTURES_DIR";

bool isFolder(const std::string& path) {
    struct stat st {};
    return !path.empty() && path.front() == '/' && ::stat(path.c_str(), &st) == 0 &&
           S_ISDIR(st.st_mode);
}

// A value as user-dirs.dirs writes it: "$HOME/Pictures" or "/abs/path", in double quotes, with
// shell escapes for '"', '\\', '$' and '`'. Anything else is not a folder this reads.
std::optional<std::string> userDirValue(std::string_view raw, const std::string& home) {
    if (raw.size() < 2 || raw.front() != '"') return std::nullopt;
    std::string value;
    std::size_t i = 1;
    for (; i < raw.size() && raw[i] != '"'; ++i) {
        if (raw[i] == '\\' && i + 1 < raw.size()) ++i;
        value += raw[i];
    }
    if (i == raw.size()) return std::nullopt;  // no closing quote
    constexpr std::string_view kHome = "$HOME";
    if (value.compare(0, kHome.size(), kHome) == 0 &&
        (value.size() == kHome.size() || value[kHome.size()] == '/'))
        return home + value.substr(kHome.size());
    if (value.empty() || value.front() != '/') return std::nullopt;
    return value;
}

std::optional<std::string> picturesFromUserDirs(const std::string& home) {
    std::ifstream in(userConfigFolder() + "/user-dirs.dirs");
    std::optional<std::string> found;
    for (std::string line; std::getline(in, line);) {
        const std::size_t start = line.find_first_not_of(" \t");
        if (start == std::string::npos || line.compare(start, kPicturesKey.size(), kPicturesKey))
            continue;
        const std::size_t eq = start + kPicturesKey.size();
        if (eq < line.size() && line[eq] == '=') {
            // As the shell that sources the file: the last assignment counts.
            found = userDirValue(std::string_view(line).substr(eq + 1), home);
        }
    }
    return found;
}

}  // namespace

std::string homeFolder() {
    const char* home = std::getenv("HOME");
    if (home && home[0] == '/') return home;
    const passwd* account = ::getpwuid(::getuid());
    return account && account->pw_dir ? account->pw_dir : "/";
}

std::string userConfigFolder() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg && xdg[0] == '/') return xdg;
    return homeFolder() + "/.config";
}

std::string picturesFolder() {
    const std::string home = homeFolder();
    if (const auto fromFile = picturesFromUserDirs(home); fromFile && isFolder(*fromFile))
        return *fromFile;
    const char* fromEnvironment = std::getenv(std::string(kPicturesKey).c_str());
    if (fromEnvironment && isFolder(fromEnvironment)) return fromEnvironment;
    return home;
}

}  // namespace rimvista
