#pragma once
// Opening picture files. BMP and JPEG have their own readers, tuned for large pictures; other
// formats go through Qt's image readers. Loaded pixels always have the reserved byte 0.

#include <string>
#include <utility>

#include "core/PixelSurface.h"

namespace rimvista::files {

struct LoadResult {
    PixelSurface picture;
    std::string error;  // empty exactly when picture holds the loaded picture

    bool ok() const { return error.empty(); }
    static LoadResult failure(std::string reason) { return {PixelSurface(), std::move(reason)}; }
    static LoadResult success(PixelSurface picture) { return {std::move(picture), {}}; }
};

// Reads the picture at path (UTF-8). The format is taken from the file's first bytes, not its
// name. JPEG pictures are turned upright according to their Exif orientation. Never throws:
// unreadable, damaged and too-large files come back as a short Japanese reason.
LoadResult loadPicture(const std::string& path);

}  // namespace rimvista::files
