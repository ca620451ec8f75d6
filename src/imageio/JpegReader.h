#pragma once
// JPEG decoding straight into a picture's 32-bit rows, turned upright by the Exif orientation.
// Colour and grey pictures, and CMYK and YCCK ones converted to RGB as common viewers show them.

#include <cstddef>
#include <cstdint>

#include "imageio/CodecSupport.h"
#include "imageio/PictureReader.h"

namespace rimvista::files {

// The picture, or why it cannot be read.
LoadResult readJpeg(const std::uint8_t* data, std::size_t size);

// True when the bytes hold no end-of-image marker after the first scan began: a file cut off.
// Inside the coded data a 0xFF byte is always followed by 0x00 or a restart marker, so the
// marker cannot be mistaken.
bool jpegCutShort(const std::uint8_t* data, std::size_t size);

}  // namespace rimvista::files
