#pragma once
// JPEG decoding straight into a picture's 32-bit rows, turned upright by the Exif orientation.

#include <cstddef>
#include <cstdint>
#include <optional>

#include "imageio/CodecSupport.h"

namespace rimvista::files {

// nullopt when the file's colour space (CMYK, YCCK) is left to the general reader; otherwise
// the picture or the reason it cannot be read.
std::optional<LoadResult> readJpeg(const std::uint8_t* data, std::size_t size);

}  // namespace rimvista::files
