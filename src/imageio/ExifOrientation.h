#pragma once
// The Exif orientation tag of a JPEG file and turning a decoded picture upright by it.

#include <cstddef>
#include <cstdint>
#include <optional>

#include "core/PixelSurface.h"

namespace rimvista::files {

// 1..8 as stored in the first Exif APP1 segment's IFD0; 1 (upright) when the file has no
// Exif segment, no orientation tag, or a damaged or out-of-range one.
int exifOrientation(const std::uint8_t* jpeg, std::size_t size);

// The same from an Exif block's TIFF structure ("II*\0" or "MM\0*" first).
int exifOrientationInTiff(const std::uint8_t* tiff, std::size_t size);

// The picture as it is meant to be seen: orientations 2..4 are mirrored in place, 5..8 need a
// new surface with width and height exchanged. nullopt when that surface cannot be allocated.
std::optional<PixelSurface> orientUpright(PixelSurface stored, int orientation);

}  // namespace rimvista::files
