#pragma once
// Windows and OS/2 bitmap files: uncompressed 1, 4, 8, 16, 24 and 32 bits per pixel, with
// palettes or bit-field masks, rows stored bottom-up or top-down, and run-length compressed
// 4- and 8-bit pictures.

#include "imageio/CodecSupport.h"
#include "imageio/PictureReader.h"

namespace rimvista::files {

// The picture, or why it cannot be read.
LoadResult readBmp(const InputFile& file);

}  // namespace rimvista::files
