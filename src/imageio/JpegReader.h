#pragma once
// JPEG decoding straight into a picture's 32-bit rows, turned upright by the Exif orientation.
// Colour and grey pictures, and CMYK and YCCK ones converted to RGB as common viewers show them.

#include <cstddef>
#include <cstdint>

#include "imageio/CodecSupport.h"
#include "imageio/PictureMetadata.h"
#include "imageio/PictureReader.h"

namespace rimvista::files {

// The picture, or why it cannot be read. Any sign that the decoder had to make pixels up
// (corrupt or missing coded data) fails it, unless extras ask to accept damage; a file whose
// only fault is a missing end marker after its last row is read.
LoadResult readJpeg(const std::uint8_t* data, std::size_t size, PictureExtras* extras = nullptr);

// Whether the decoder's warning text tells of stray bytes between segments, before a marker
// other than a restart or the end of the picture: the pixels are not affected. Before those,
// the stray bytes are coded data the decoder could not use.
bool harmlessJpegWarning(const char* text);

// True when the bytes hold no end-of-image marker after the first scan began: a file cut off.
// Inside the coded data a 0xFF byte is always followed by 0x00 or a restart marker, so the
// marker cannot be mistaken.
bool jpegCutShort(const std::uint8_t* data, std::size_t size);

}  // namespace rimvista::files
