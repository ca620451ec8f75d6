#pragma once
// Where each picture's result goes, decided for all pictures before any is read, so that no
// input is overwritten and no two pictures write the same file.

#include <string>
#include <variant>
#include <vector>

#include "batch/BatchOptions.h"

namespace rimvista::batch {

struct PictureJob {
    std::string input;   // as given on the command line
    std::string output;  // path to write
    OutputFormat format = OutputFormat::Jpg;
};

// The jobs in the order of the pictures given, or the usage error that prevents them: an
// output that is an input (compared as canonical paths, so links and "./" do not hide it),
// two pictures with one output, a FILE output with several pictures, an output format that
// cannot be told. Creates the output folder when several pictures go to one that is missing.
std::variant<std::vector<PictureJob>, std::string> planOutputs(const BatchOptions& options);

// The format a file name's extension names: .bmp, .jpg, .jpeg, .jpe (any letter case).
std::optional<OutputFormat> formatOfName(const std::string& path);

}  // namespace rimvista::batch
