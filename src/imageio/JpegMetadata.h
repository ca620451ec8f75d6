#pragma once
// The parts of a JPEG file other than its pixels: metadata segments, and the encoding choices
// (quality, chroma sampling) that a re-encoded copy should keep. Also writing a JPEG file with
// such segments.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/Error.h"
#include "core/PixelSurface.h"
#include "imageio/PictureMetadata.h"

namespace rimvista::files {

enum class ChromaSampling { S444, S422, S420, S440, S411, Grey };

struct JpegFacts {
    PictureMetadata metadata;
    int orientation = 1;         // Exif orientation, 1..8
    std::optional<int> quality;  // estimated from the quantisation tables
    std::optional<ChromaSampling> sampling;
    std::optional<int> adobeTransform;  // an Adobe segment's colour transform (0, 1 or 2)
    bool complete = false;              // the segments were read up to the picture data
};

// Reads the segments before the first scan. Damaged or missing segments leave their fields
// empty; the picture's own reader reports damage.
JpegFacts readJpegFacts(const std::uint8_t* data, std::size_t size);

// The quality (1..100) whose standard tables are closest to the given luminance table and,
// when there is one, chrominance table (64 values each, in the file's zigzag order).
int estimateQuality(const std::uint16_t* luminance, const std::uint16_t* chrominance);

// Encodes the picture and writes it to path (through AtomicFile) with the metadata as its
// own segments.
Result<void> saveJpegWith(const PixelSurface& surface, const std::string& path, int quality,
                          ChromaSampling sampling, const PictureMetadata& metadata);

// The segments saveJpegWith puts right after the start of the file, in their file form
// (marker, length, body): a JFIF segment with the density, then Exif, XMP, profile, comments.
std::vector<std::uint8_t> jpegMetadataSegments(const PictureMetadata& metadata);

}  // namespace rimvista::files
