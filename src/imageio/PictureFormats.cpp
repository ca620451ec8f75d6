#include "imageio/PictureFormats.h"

namespace rimvista::files {

std::string lastThreeLower(const std::string& path) {
    std::string tail = path.size() > 3 ? path.substr(path.size() - 3) : path;
    for (char& c : tail)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return tail;
}

SaveFormat saveFormatOf(const std::string& path) {
    const std::string tail = lastThreeLower(path);
    if (tail == "bmp") return SaveFormat::Bmp;
    if (tail == "jpg") return SaveFormat::Jpg;
    return SaveFormat::Unknown;
}

}  // namespace rimvista::files
