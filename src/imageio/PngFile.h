#pragma once
// PNG pictures: 8-bit grey, RGB, RGBA and palette pictures, and 16-bit ones read down to 8 bits.
// The colours go into a picture's 32-bit rows as from any reader; the alpha channel, which the
// frame engine has no use for, is kept beside them so that a written copy keeps it unchanged.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/PixelSurface.h"
#include "imageio/PictureMetadata.h"
#include "imageio/PictureReader.h"

namespace rimvista::files {

struct PngExtras {
    std::vector<std::uint8_t> alpha;  // width x height, row by row; empty when opaque
    bool grey = false;                // stored as grey (with or without alpha)
    PictureMetadata metadata;
};

// True when the bytes start with the PNG signature (8 bytes needed).
bool isPng(const std::uint8_t* data, std::size_t size);

// Reads a PNG file; extras, when given, receive the alpha channel, the colour type and the
// metadata. Reasons are short Japanese texts as from the other readers.
LoadResult readPng(const std::string& path, PngExtras* extras);

// What readPng tells besides the pixels, found without inflating the rows: the colour type,
// whether the picture has alpha, and the metadata as readPng gives it, wherever the file keeps
// it. nullopt when the file cannot be read so.
struct PngFacts {
    bool grey = false;
    bool alpha = false;
    PictureMetadata metadata;
};
std::optional<PngFacts> readPngFacts(const std::string& path);

// Writes RGB, or RGBA when alpha is not empty (grey when grey is set), with the metadata, through
// AtomicFile. nullopt on success, otherwise the reason.
std::optional<std::string> savePng(const PixelSurface& surface, const std::string& path,
                                   const PngExtras& extras);

}  // namespace rimvista::files
