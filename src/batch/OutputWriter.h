#pragma once
// Writing one result.

#include <optional>
#include <string>

#include "batch/OutputPlan.h"
#include "engine/PixelSurface.h"
#include "files/JpegMetadata.h"
#include "files/PngFile.h"

namespace rimvista::batch {

// How a result is encoded besides its format.
struct Encoding {
    int quality = 92;
    files::ChromaSampling sampling = files::ChromaSampling::S444;
    files::PngExtras extras;  // alpha and grey for PNG; the metadata for every format
};

// True when something (a file, a folder, a dangling link) has the output's name.
bool outputTaken(const std::string& path);

// Writes the picture to job.output in job.format ("-": to standard output). The file is
// written under a temporary name in the same folder and renamed into place once complete.
// Without overwrite an existing output is never replaced, not even one that appeared while
// this picture was in work. nullopt on success, otherwise the reason in the user's language.
std::optional<std::string> writeOutput(const PixelSurface& picture, const PictureJob& job,
                                       const Encoding& encoding, bool overwrite);

}  // namespace rimvista::batch
