#pragma once
// Writing one result.

#include <optional>
#include <string>

#include "batch/OutputPlan.h"
#include "engine/PixelSurface.h"

namespace rimvista::batch {

// True when something (a file, a folder, a dangling link) has the output's name.
bool outputTaken(const std::string& path);

// Writes the picture to job.output in job.format (quality for JPEG). The file is written
// under a temporary name in the same folder and renamed into place once complete. Without
// overwrite an existing output is never replaced, not even one that appeared while this
// picture was in work. nullopt on success, otherwise the reason.
std::optional<std::string> writeOutput(const PixelSurface& picture, const PictureJob& job,
                                       int quality, bool overwrite);

}  // namespace rimvista::batch
