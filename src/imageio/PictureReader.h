#pragma once
// Opening picture files. The format is told by the file's first bytes, not its name (the format
// registry), and each format is read by its own reader, tuned for large pictures. Loaded pixels
// always have the reserved byte 0.

#include <string>

#include "core/Error.h"
#include "core/PixelSurface.h"

namespace rimvista::files {

using LoadResult = Result<PixelSurface>;

struct PictureExtras;

// Reads the picture at path (UTF-8). JPEG pictures are turned upright according to their Exif
// orientation. extras, when given, receive what the reader finds besides the colours (a PNG's
// alpha channel and metadata). Never throws: unreadable, damaged and too-large files come back
// as their error, contents of no format the registry knows as UnknownFormat.
LoadResult loadPicture(const std::string& path, PictureExtras* extras = nullptr);

}  // namespace rimvista::files
