#pragma once
// A picture's size from its file header, read before decoding, so the memory a picture will
// take is known before any of it is allocated.

#include <cstdint>
#include <optional>
#include <string>

#include "batch/BatchOptions.h"

namespace rimvista::batch {

enum class PictureKind { Jpeg, Bmp, Other };

struct PictureHeader {
    PictureKind kind = PictureKind::Other;
    int width = 0;  // as stored, before any Exif turn
    int height = 0;
    bool turnedByExif = false;  // the reader builds a second, turned picture
    std::uint64_t fileSize = 0;
};

// Empty when the file cannot be opened or its header tells no size; the reader then reports
// the reason.
std::optional<PictureHeader> probePicture(const std::string& path);

// Bytes that reading, framing and writing the picture hold at their peak.
std::uint64_t memoryCost(const PictureHeader& header, OutputFormat output);

}  // namespace rimvista::batch
