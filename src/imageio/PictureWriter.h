#pragma once
// Saving pictures. Every writer replaces its target only once the new file is complete and
// on disk (AtomicFile); after a failure an existing target is unchanged and no temporary file
// is left behind. Results: nullopt on success, otherwise a short Japanese reason.

#include <optional>
#include <string>

#include "core/PixelSurface.h"

namespace rimvista::files {

// Uncompressed Windows bitmap, 24 bits per pixel, rows bottom-up padded to 4 bytes. The
// reserved byte is not stored.
std::optional<std::string> saveBmp(const PixelSurface& surface, const std::string& path);

// Baseline JPEG without chroma subsampling (thin coloured lines keep their colour).
// quality is clamped to 1..100.
std::optional<std::string> saveJpeg(const PixelSurface& surface, const std::string& path,
                                    int quality);

// The JPEG writer call of the old program, same arguments: the top-left width x height pixels
// of surface (both clamped to the surface) go to path at the given quality (clamped to 1..100).
// reserved has no meaning and is ignored. Returns 1 when the file was written, 0 otherwise;
// saveJpeg gives the reason for callers that report failures.
int DCSavetoJPEG(const PixelSurface& surface, int width, int height, const char* path,
                 unsigned char quality, int reserved);

}  // namespace rimvista::files
