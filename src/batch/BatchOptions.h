#pragma once
// The command line of rimvista-batch.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "imageio/FormatRegistry.h"

namespace rimvista::batch {

struct BatchOptions {
    std::vector<std::string> frameTexts;  // --frame, in the order given
    std::optional<std::string> registration;
    std::optional<std::string> settingsFile;
    std::optional<int> nest;
    std::optional<std::string> output;
    std::optional<files::FormatId> format;
    std::optional<int> quality;
    std::optional<int> jobs;
    std::optional<std::uint64_t> memoryMegabytes;
    bool quiet = false;
    bool overwrite = false;
    bool skipExisting = false;
    bool help = false;
    bool version = false;
    bool recursive = false;
    bool dryRun = false;
    bool listRegistrations = false;
    bool strip = false;
    std::optional<std::string> suffix;         // given: also used inside an output folder
    std::optional<std::string> filesFrom;      // "-": standard input
    std::optional<std::pair<int, int>> shard;  // K of N, K from 1
    std::optional<std::string> sampleFile;     // --make-sample
    std::optional<std::pair<int, int>> sampleSize;
    std::vector<std::string> pictures;
};

struct ParsedArguments {
    BatchOptions options;
    std::string error;  // empty when the command line is usable
    bool ok() const { return error.empty(); }
};

// Reads argv[1..argc-1]. Besides the syntax it checks what can be known before any file is
// touched: option combinations, value ranges and the at-most-ten frames.
ParsedArguments parseArguments(int argc, const char* const* argv);

std::string usageText();

// A format by one of its extensions ("jpg", "jpeg", "png", "bmp"), in any letter case.
std::optional<files::FormatId> formatFromName(const std::string& name);

}  // namespace rimvista::batch
