#pragma once
// Saving pictures. Every writer replaces its target only once the new file is complete and
// on disk (AtomicFile); after a failure an existing target is unchanged and no temporary file
// is left behind.

#include <string>

#include "core/Error.h"
#include "core/PixelSurface.h"

namespace rimvista::files {

struct PictureMetadata;

// Uncompressed Windows bitmap, 24 bits per pixel, rows bottom-up padded to 4 bytes. The
// reserved byte is not stored. The density is 96 dpi unless metadata gives one per inch or
// per centimetre.
Result<void> saveBmp(const PixelSurface& surface, const std::string& path,
                     const PictureMetadata* metadata = nullptr);

// Baseline JPEG without chroma subsampling (thin coloured lines keep their colour).
// quality is clamped to 1..100.
Result<void> saveJpeg(const PixelSurface& surface, const std::string& path, int quality);

// The JPEG writer call of the old program, same arguments: the top-left width x height pixels
// of surface (both clamped to the surface) go to path at the given quality (clamped to 1..100).
// reserved has no meaning and is ignored. Returns 1 when the file was written, 0 otherwise;
// saveJpeg gives the error for callers that report failures.
int DCSavetoJPEG(const PixelSurface& surface, int width, int height, const char* path,
                 unsigned char quality, int reserved);

}  // namespace rimvista::files
