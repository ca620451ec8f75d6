#include "files/PathFunctions.h"

#include <filesystem>
#include <system_error>

namespace rimvista::paths {

namespace fs = std::filesystem;

namespace {

bool isHiddenName(const fs::path& p) {
    const std::string name = p.filename().string();
    return !name.empty() && name[0] == '.' && name != "." && name != "..";
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
    if (copy.empty()) copy = "/";
    return folderLookup(copy);
}

}  // namespace rimvista::paths
