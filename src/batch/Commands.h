#pragma once
// What rimvista-batch does for each kind of command line, each step returning the exit status
// or what the next step needs; main() only puts the steps in order.

#include <istream>
#include <string>
#include <variant>

#include "batch/BatchOptions.h"
#include "batch/FrameSequence.h"
#include "batch/OutputPlan.h"

namespace rimvista::batch {

constexpr int kUsageStatus = 2;
constexpr int kInterruptedStatus = 130;

// Prints the reason and a pointer to --help on standard error; returns kUsageStatus.
int usageError(const std::string& error);

// The cores this process may run on: the default of --jobs.
int coreCount();

int showHelp();
int showVersion();
int makeSample(const BatchOptions& options);
int listRecordings(const BatchOptions& options);

// The frames to apply, from --frame (with --nest) or a registration; or the usage error, also
// for a frame that no picture could take.
std::variant<FrameSequence, std::string> framesToApply(const BatchOptions& options);

// The inputs gathered, their outputs planned and this shard's part kept; the names that are not
// pictures are reported on standard error. Or the usage error.
std::variant<Plan, std::string> planRun(const BatchOptions& options, std::istream& standardInput);

// Lists what would be written and what would fail, writing nothing.
int dryRun(const Plan& plan, const BatchOptions& options);

// Frames every planned picture and prints the summary line.
int frameAll(const BatchOptions& options, FrameSequence frames, const Plan& plan);

}  // namespace rimvista::batch
