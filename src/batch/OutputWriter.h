#pragma once
// Writing one result.

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "batch/OutputPlan.h"
#include "core/Error.h"
#include "core/PixelSurface.h"
#include "core/RowBandPainter.h"
#include "imageio/FormatRegistry.h"

namespace rimvista::batch {

// How a result is encoded besides its format.
struct Encoding {
    int quality = 92;
    files::ChromaSampling sampling = files::ChromaSampling::S444;
    files::PictureExtras extras;  // alpha and grey for PNG; the metadata for every format
    bool rowAlpha = false;        // streamed: the rows carry alpha in their reserved bytes

    // As the format's writers take it: with the metadata, as far as the format carries it.
    files::Encoding forWriting() const { return {quality, sampling, &extras, rowAlpha}; }
};

// True when something (a file, a folder, a dangling link) has the output's name.
bool outputTaken(const std::string& path);

// Why job.output cannot be written, in the user's language, for a system error number.
std::string cannotWriteText(const PictureJob& job, int error);

// Writes the picture to job.output in job.format ("-": to standard output). The file is
// written under a temporary name in the same folder and renamed into place once complete.
// Without overwrite an existing output is never replaced, not even one that appeared while
// this picture was in work. nullopt on success, otherwise the reason in the user's language.
std::optional<std::string> writeOutput(const PixelSurface& picture, const PictureJob& job,
                                       const Encoding& encoding, bool overwrite);

// The same with the file made by save, called with the path to write to (a temporary name);
// save's failure is reported as a failure to write job.output.
using Saver = std::function<Result<void>(const std::string& path)>;
std::optional<std::string> writeOutputWith(const PictureJob& job, bool overwrite,
                                           const Saver& save);

// The file save would write for the whole picture, made a block of rows at a time from reader
// through the frames (already checked against its size), for an output format that streams.
// readFailed is set when the failure was the input's rather than the output's.
Result<void> saveStreamed(files::RowReader& reader, const std::vector<PaintedFrame>& frames,
                          const std::string& path, files::FormatId format, const Encoding& encoding,
                          bool& readFailed);

}  // namespace rimvista::batch
