#pragma once
// The registry's entries, one file each; only FormatRegistry.cpp lists them.

#include "imageio/FormatRegistry.h"

namespace rimvista::files {

const PictureFormat& bmpFormat();
const PictureFormat& jpegFormat();
const PictureFormat& pngFormat();

// Helpers the entries share.
const PictureMetadata* metadataOf(const Encoding& encoding);
std::uint64_t pictureBytes(int width, int height);
// Sums and products of memory costs that stop at the largest figure instead of wrapping: a
// header may claim a picture whose cost no 64-bit figure holds, and a wrapped cost would look
// small to the memory gate.
std::uint64_t costPlus(std::uint64_t a, std::uint64_t b);
std::uint64_t costTimes(std::uint64_t a, std::uint64_t b);
// A stream's codec holds a few blocks of rows of its own and its file buffer.
std::uint64_t rowCodecCost(int width);

}  // namespace rimvista::files
