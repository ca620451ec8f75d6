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
// A stream's codec holds a few blocks of rows of its own and its file buffer.
std::uint64_t rowCodecCost(int width);

}  // namespace rimvista::files
