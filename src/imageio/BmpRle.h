#pragma once
// Run-length compressed bitmap rows (RLE8 and RLE4), always stored bottom-up.

#include <array>
#include <cstdint>

#include "core/Error.h"
#include "core/PixelSurface.h"
#include "imageio/CodecSupport.h"

namespace rimvista::files {

// At most this many pixels a byte of run-length data is believed to hold: a run of 255 pixels
// takes two bytes, and a jump (delta) skips any number, so a tighter bound would refuse sound
// files with large plain areas.
inline constexpr std::uint64_t kRleMostPixelsPerByte = 65536;

// Decodes the runs starting at dataOffset into picture (its size as the header says). Pixels
// the runs skip keep the palette's first colour. Fails when the data ends before the last row
// or the end-of-picture mark.
Result<void> decodeRle(const InputFile& file, std::uint64_t dataOffset, bool fourBits,
                       const std::array<Pixel, 256>& palette, PixelSurface& picture);

}  // namespace rimvista::files
