#pragma once
// A picture reduced by a whole factor for display: each pixel of the copy is the mean of one
// factor x factor block of the picture (the blocks at the right and bottom edges may be smaller).

#include <cstddef>

#include "core/PixelSurface.h"

namespace rimvista {

// Size of the copy of a picture `extent` pixels long, reduced by `factor` (rounded up).
int reducedExtent(int extent, int factor);

// The blocks of the copy that hold any pixel of `changed` (picture pixels), clipped to the copy.
PixelRect reducedBlocks(const PixelSurface& picture, int factor, const PixelRect& changed);

// Writes the copy's pixels `blocks` (copy coordinates) into `copy`, whose row 0 is the copy's
// row 0 and whose rows are `copyStride` bytes apart. The reserved byte is written as 0xff.
void reduceBlocks(const PixelSurface& picture, int factor, const PixelRect& blocks,
                  std::uint8_t* copy, std::size_t copyStride);

}  // namespace rimvista
