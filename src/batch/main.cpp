// rimvista-batch: frames many pictures from the command line, as the window would one by one.
#include <sched.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <thread>

#include "batch/BatchOptions.h"
#include "batch/BatchRunner.h"
#include "batch/FrameSequence.h"
#include "batch/MemoryGate.h"
#include "batch/OutputPlan.h"
#include "batch/RegistrationSource.h"
#include "batch/SamplePicture.h"

using namespace rimvista::batch;

namespace {

constexpr int kUsageStatus = 2;
constexpr int kInterruptedStatus = 130;
constexpr int kSampleQuality = 92;
constexpr std::pair<int, int> kSampleSize{640, 480};

std::atomic<bool> g_stop{false};

void requestStop(int) {
    g_stop = true;
}

// The first Ctrl-C lets the pictures in work finish and be written whole; a second one ends
// the program at once.
void catchInterrupts() {
    struct sigaction action {};
    action.sa_handler = requestStop;
    action.sa_flags = SA_RESETHAND;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

int coreCount() {
    cpu_set_t set;
    if (sched_getaffinity(0, sizeof set, &set) == 0) return std::max(1, CPU_COUNT(&set));
    return std::max(1u, std::thread::hardware_concurrency());
}

int usageError(const std::string& error) {
    std::fprintf(stderr, "rimvista-batch: %s\n\n%s", error.c_str(), usageText().c_str());
    return kUsageStatus;
}

int refused(const std::string& error) {
    std::fprintf(stderr, "rimvista-batch: %s\n(rimvista-batch --help shows the usage)\n",
                 error.c_str());
    return kUsageStatus;
}

std::variant<FrameSequence, std::string> registrationFrames(const BatchOptions& o) {
    const std::string settings =
        o.settingsFile ? *o.settingsFile : windowSettingsFile(executableFolder());
    auto loaded = loadRegistration(settings, *o.registration);
    if (auto* error = std::get_if<std::string>(&loaded)) return *error;
    const Registration& r = std::get<Registration>(loaded);
    if (r.truncated)
        std::fprintf(stderr,
                     "rimvista-batch: registration #%d holds more than 10 frames; only the first "
                     "10 are applied, as in the window\n",
                     r.slot);
    return r.frames;
}

std::variant<FrameSequence, std::string> commandLineFrames(const BatchOptions& o) {
    FrameSequence frames;
    for (const std::string& text : o.frameTexts) {
        auto frame = parseFrameArgument(text);
        if (auto* error = std::get_if<std::string>(&frame)) return *error;
        frames.push_back(std::get<rimvista::FrameParams>(frame));
    }
    if (o.nest) frames = nestedSequence(frames.front(), *o.nest);
    return frames;
}

int makeSample(const BatchOptions& o) {
    const auto [w, h] = o.sampleSize.value_or(kSampleSize);
    if (auto error = writeSample(*o.sampleFile, w, h, o.quality.value_or(kSampleQuality),
                                 o.overwrite, o.jobs.value_or(coreCount()))) {
        std::fprintf(stderr, "rimvista-batch: %s\n", error->c_str());
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const ParsedArguments parsed = parseArguments(argc, argv);
    if (!parsed.ok()) return usageError(parsed.error);
    const BatchOptions& o = parsed.options;
    if (o.help) {
        std::fputs(usageText().c_str(), stdout);
        return 0;
    }
    if (o.sampleFile) return makeSample(o);

    auto frames = o.registration ? registrationFrames(o) : commandLineFrames(o);
    if (auto* error = std::get_if<std::string>(&frames))
        return o.registration ? refused(*error) : usageError(*error);
    auto planned = planOutputs(o);
    if (auto* error = std::get_if<std::string>(&planned)) return refused(*error);
    const auto& jobs = std::get<std::vector<PictureJob>>(planned);

    RunSettings settings;
    settings.frames = std::move(std::get<FrameSequence>(frames));
    settings.quality = o.quality.value_or(100);
    settings.overwrite = o.overwrite;
    settings.jobs = o.jobs.value_or(coreCount());
    settings.memoryBudget = memoryBudget(o.memoryMegabytes);
    settings.stop = &g_stop;
    catchInterrupts();

    const Progress::Mode mode = o.quiet                   ? Progress::Mode::Quiet
                                : ::isatty(STDERR_FILENO) ? Progress::Mode::Bar
                                                          : Progress::Mode::Lines;
    Progress progress(jobs.size(), mode);
    const RunSummary summary = runBatch(jobs, settings, progress);

    std::printf("%zu succeeded, %zu failed", summary.succeeded, summary.failed);
    if (summary.skipped > 0) std::printf(", %zu not started (interrupted)", summary.skipped);
    std::printf("\n");
    if (summary.skipped > 0) return kInterruptedStatus;
    return summary.failed > 0 ? 1 : 0;
}
