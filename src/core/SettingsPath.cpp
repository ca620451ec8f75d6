#include "core/SettingsPath.h"

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "core/UserFolders.h"

namespace rimvista {

namespace fs = std::filesystem;

namespace {

std::vector<std::string> splitFolders(const std::string& list) {
    std::vector<std::string> folders;
    std::size_t start = 0;
    while (start <= list.size()) {
        const std::size_t colon = std::min(list.find(':', start), list.size());
        if (colon > start) folders.push_back(list.substr(start, colon - start));
        start = colon + 1;
    }
    return folders;
}

std::string lexical(const std::string& path) {
    std::string normal = fs::path(path).lexically_normal().string();
    while (normal.size() > 1 && normal.back() == '/') normal.pop_back();
    return normal;
}

bool sameFolder(const std::string& a, const std::string& b) {
    struct stat sa {
    }, sb{};
    if (::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0)
        return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
    return lexical(a) == lexical(b);
}

}  // namespace

const std::vector<std::string>& installedBinFolders() {
    static const std::vector<std::string> folders = splitFolders(RIMVISTA_INSTALLED_BINDIRS);
    return folders;
}

bool isInstalledBinFolder(const std::string& folder, const std::vector<std::string>& binFolders) {
    if (folder.empty()) return false;
    for (const std::string& bin : binFolders) {
        if (sameFolder(folder, bin)) return true;
    }
    return false;
}

std::string settingsFileFor(const std::string& executableFolder, const std::string& baseName,
                            const std::vector<std::string>& binFolders) {
    const fs::path userFolder = fs::path(userConfigFolder()) / "rimvista";
    if (isInstalledBinFolder(executableFolder, binFolders))
        return (userFolder / "rimvista.ini").string();
    const std::string fileName = baseName + ".ini";
    const fs::path beside = fs::path(executableFolder) / fileName;
    std::error_code ec;
    if (fs::exists(beside, ec) || ::access(executableFolder.c_str(), W_OK) == 0)
        return beside.string();
    return (userFolder / fileName).string();
}

std::string firstFolder(const std::string& stored, bool storedExists,
                        const std::string& programFolder,
                        const std::vector<std::string>& binFolders) {
    if (!isInstalledBinFolder(programFolder, binFolders))
        return storedExists ? stored : programFolder;
    return storedExists && !isInstalledBinFolder(stored, binFolders) ? stored : picturesFolder();
}

}  // namespace rimvista
