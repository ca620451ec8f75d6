#pragma once
// A made-up landscape to try the tool on and to benchmark it with: smooth gradients, hard edges
// and a fine grain, so that JPEG files come out about as large as photographs of that size.

#include <optional>
#include <string>

#include "core/PixelSurface.h"

namespace rimvista::batch {

// Fills the picture, threads rows at once (large samples take seconds otherwise).
void drawSample(PixelSurface& picture, int threads);

// Writes a sample as BMP or JPEG by the file's extension, never replacing an existing file
// unless overwrite. nullopt on success, otherwise the reason.
std::optional<std::string> writeSample(const std::string& path, int width, int height, int quality,
                                       bool overwrite, int threads);

}  // namespace rimvista::batch
