#pragma once
// PNG pictures: 8-bit grey, RGB, RGBA and palette pictures, and 16-bit ones read down to 8 bits.
// The colours go into a picture's 32-bit rows as from any reader; the alpha channel, which the
// frame engine has no use for, is kept beside them so that a written copy keeps it unchanged.

#include <cstdint>
#include <string>

#include "core/Error.h"
#include "core/PixelSurface.h"
#include "imageio/FormatRegistry.h"
#include "imageio/PictureMetadata.h"
#include "imageio/PictureReader.h"

namespace rimvista::files {

using PngExtras = PictureExtras;

// True when the bytes start with the PNG signature (8 bytes needed).
bool isPng(const std::uint8_t* data, std::size_t size);

// Reads a PNG file; extras, when given, receive the alpha channel, the colour type and the
// metadata.
LoadResult readPng(const std::string& path, PngExtras* extras);

// What readPng tells besides the pixels (the colour type, whether the picture has alpha, and
// the metadata as readPng gives it, wherever the file keeps it), found without inflating the
// rows; an error when the file cannot be read so.
Result<PictureFacts> readPngFacts(const InputFile& file);

// Writes RGB, or RGBA when alpha is not empty (grey when grey is set), with the metadata, through
// AtomicFile.
Result<void> savePng(const PixelSurface& surface, const std::string& path, const PngExtras& extras);

}  // namespace rimvista::files
