#pragma once
// Frames the pictures on worker threads, each picture read, framed and written by one worker,
// with the memory of the pictures in work kept within a budget.

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "batch/FrameSequence.h"
#include "batch/OutputPlan.h"
#include "batch/Progress.h"

namespace rimvista::batch {

class MemoryGate;

struct RunSettings {
    FrameSequence frames;
    std::optional<int> quality;  // empty: a JPEG's own, 92 for other pictures
    bool overwrite = false;
    bool skipExisting = false;
    bool strip = false;  // leave the metadata out
    int jobs = 1;
    std::uint64_t memoryBudget = 0;
    bool memoryCapped = false;  // --memory given: a picture needing more than the budget is refused
    // Set (from a signal handler, say) to stop taking new pictures; those in work finish.
    const std::atomic<bool>* stop = nullptr;
};

struct RunSummary {
    std::size_t succeeded = 0;
    std::size_t failed = 0;
    std::size_t kept = 0;     // outputs already there, left as they were
    std::size_t skipped = 0;  // not started because of a stop request
};

struct PictureOutcome {
    enum class Status { Written, Kept, Failed };
    Status status = Status::Written;
    std::string reason;  // Failed: why, in the user's language
};

// The quality a picture gets when --quality is not given.
constexpr int kDefaultQuality = 92;

PictureOutcome framePicture(const PictureJob& job, const RunSettings& settings, MemoryGate& gate);

RunSummary runBatch(const std::vector<PictureJob>& jobs, const RunSettings& settings,
                    Progress& progress);

}  // namespace rimvista::batch
