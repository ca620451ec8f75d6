#pragma once
// Where each picture's result goes, decided for all pictures before any is read, so that no
// input is overwritten and no two pictures write the same file.

#include <filesystem>
#include <string>
#include <vector>

#include "batch/BatchOptions.h"
#include "batch/InputList.h"
#include "core/Error.h"
#include "imageio/FormatRegistry.h"

namespace rimvista::batch {

// What -o names: nothing (beside each picture), a folder (ends in / or exists as one), one
// file (its extension decides the format) or standard output ("-").
struct OutputTarget {
    enum class Kind { Beside, Folder, File, StandardOutput };
    Kind kind = Kind::Beside;
    std::filesystem::path path;
};

struct PictureJob {
    std::string input;   // as given on the command line
    std::string output;  // path to write; "-" for standard output
    files::FormatId format = files::FormatId::Jpeg;
    files::FormatId inputFormat = files::FormatId::Jpeg;  // by the file's contents
    int folderError = 0;     // why the output's folder cannot be written (errno), found beforehand
    std::string shardKey{};  // what --shard splits by (InputName::shardKey)
};

// A name that is not a picture this tool reads, reported and skipped.
struct Stray {
    std::string input;
    Error error;
    std::string shardKey;
};

// A named input that is the result of another input of the same run (a re-run beside the
// pictures names the earlier results too): passed over, as a folder walk leaves it out.
struct PassedOver {
    std::string input;
    std::string resultOf;
    std::string shardKey;
};

struct Plan {
    OutputTarget target;
    std::vector<PictureJob> jobs;
    std::vector<Stray> strays;
    std::vector<PassedOver> passedOver;
};

// The format of a picture file by its first bytes, or why it is none: missing, a folder, not to
// be opened, or contents of no format the registry knows.
Result<files::FormatId> pictureFormatOf(const std::string& path);

// The jobs in the order of the names, or the usage error that prevents them: an -o that
// cannot hold what is asked of it, an output that is an input (compared as canonical paths, so
// links and "./" do not hide it), two pictures with one output. Touches nothing.
Result<Plan> planOutputs(const BatchOptions& options, const std::vector<InputName>& names);

// Creates a missing output folder; created receives the outermost folder made (empty when it
// existed), so that a run that wrote nothing can take it away again.
Result<void> createOutputFolder(const std::filesystem::path& folder,
                                std::filesystem::path& created);

// Checks, before any picture is read, that each job's output folder (or the nearest folder that
// exists above it) can be written, setting folderError where not; and removes from each output
// folder the temporaries that runs which have died left behind.
void prepareOutputFolders(std::vector<PictureJob>& jobs);

// Removes folder and the folders in it as long as they hold nothing.
void removeEmptyFolders(const std::filesystem::path& folder);

// The extension, with its dot, a file of the format is written with.
std::string extensionFor(files::FormatId format);

}  // namespace rimvista::batch
