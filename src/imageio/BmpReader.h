#pragma once
// Windows and OS/2 bitmap files: uncompressed 1, 4, 8, 16, 24 and 32 bits per pixel, with
// palettes or bit-field masks, rows stored bottom-up or top-down.

#include <optional>

#include "imageio/CodecSupport.h"

namespace rimvista::files {

// nullopt when the file is a run-length compressed bitmap, which this reader leaves to the
// general reader; otherwise the picture or the reason it cannot be read.
std::optional<LoadResult> readBmp(const InputFile& file);

}  // namespace rimvista::files
