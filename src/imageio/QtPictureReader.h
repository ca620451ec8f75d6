#pragma once
// Formats without a reader of our own (and run-length BMP, CMYK JPEG) go through Qt's image
// readers. Needs Qt Gui's image classes but no application object or window.

#include <string>

#include "imageio/PictureReader.h"

namespace rimvista::files {

// format: Qt's format name ("bmp", "jpeg"), or null to let Qt recognise the file.
LoadResult readWithQt(const std::string& path, const char* format);

}  // namespace rimvista::files
