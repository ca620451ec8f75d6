#include "window/PathFunctions.h"

#include <filesystem>
#include <system_error>

#include "window/WindowFormats.h"

namespace rimvista::paths {

namespace fs = std::filesystem;

namespace {

bool isHiddenName(const fs::path& p) {
    const std::string name = p.filename().string();
    return !name.empty() && name[0] == '.' && name != "." && name != "..";
}

bool isContinuationByte(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// Byte length of the first `chars` characters of a UTF-8 text.
std::size_t prefixBytes(const std::string& s, std::size_t chars) {
    std::size_t i = 0;
    for (std::size_t seen = 0; i < s.size(); ++i) {
        if (isContinuationByte(s[i])) continue;
        if (seen == chars) break;
        ++seen;
    }
    return i;
}

}  // namespace

bool folderLookup(const std::string& path) {
    if (path.empty()) return false;
    std::error_code ec;
    const fs::file_status st = fs::status(path, ec);
    if (ec || !fs::exists(st)) return false;
    if (!fs::is_directory(st) && !fs::is_regular_file(st)) return false;
    return !isHiddenName(fs::path(path));
}

bool FolderExists(const std::string& path) {
    if (path.empty()) return false;
    std::string copy = path;
    if (copy.back() == '/') copy.pop_back();
    // "/" itself becomes empty after dropping its slash; it is a folder all the same.
    if (copy.empty()) copy.push_back('/');
    return folderLookup(copy);
}

std::string GetFolderName(const std::string& path, const std::string& programFolder) {
    // Positions count characters, not bytes: the scan stops before character 3, so a "/" in
    // character 1 or 2 is never taken and the folder keeps its first character.
    const std::size_t twoChars = prefixBytes(path, 2);
    std::string folder;
    const std::size_t slash = path.rfind('/');
    if (slash != std::string::npos && slash >= twoChars) {
        folder = path.substr(0, slash);
    } else {
        std::size_t chars = 0;
        for (char c : path) chars += isContinuationByte(c) ? 0 : 1;
        const std::size_t keep = chars >= 2 ? 1 : 0;  // n stopped at min(length, 2); n - 1 kept
        folder = path.substr(0, prefixBytes(path, keep));
    }
    return folderLookup(folder) ? folder : programFolder;
}

std::string bareName(const std::string& path) {
    if (path.empty()) return {};
    std::error_code ec;
    const fs::file_status st = fs::status(path, ec);
    if (ec || !fs::is_regular_file(st)) return {};
    const fs::path p(path);
    if (isHiddenName(p)) return {};
    return p.filename().string();
}

std::string proposedSavePath(const std::string& saveFolder, const std::string& picturePath) {
    return saveFolder + "/" + bareName(picturePath);
}

std::string AddExtension(const std::string& name, const std::string& pictureFile) {
    if (name.find('.') != std::string::npos) return name;
    return name + "." + std::string(proposedSaveFormat(pictureFile).first->primaryExtension());
}

}  // namespace rimvista::paths
