#pragma once
// The names of the pictures to frame: those given, those listed in a file, and with
// --recursive those found in the folders given.

#include <cstdint>
#include <istream>
#include <string>
#include <variant>
#include <vector>

#include "batch/BatchOptions.h"

namespace rimvista::batch {

struct InputName {
    std::string path;      // to open
    std::string relative;  // found in a folder: the path below it, which an output folder keeps
    bool found = false;    // found in a folder rather than named; a non-picture is then ignored
    // What --shard splits by, the same however the folder was spelled: the path below the
    // folder walked for a found picture, the normalised absolute path for a named one.
    std::string shardKey;
};

// The names with what the walk has to say about links it did not follow.
struct GatheredInputs {
    std::vector<InputName> names;
    std::vector<std::string> notes;
};

// Names in the order given, folders expanded (sorted by name) with --recursive. A folder walk
// leaves out hidden files and folders, the output folder, and, when results go beside the
// pictures, files named as earlier results (NAME + suffix); links to folders are followed with
// -L (a loop noted and left), otherwise noted and left. A --files-from list that cannot be read,
// or a line of it holding a NUL byte (without -0), is the error.
std::variant<GatheredInputs, std::string> gatherInputs(const BatchOptions& options,
                                                       std::istream& standardInput);

// Part k (1..n) of a split that depends on the name alone, so every machine running the same
// command on the same names agrees without talking to the others.
bool inShard(const std::string& name, int k, int n);

}  // namespace rimvista::batch
