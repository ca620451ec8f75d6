#include "batch/Commands.h"

#include <sched.h>

#include <algorithm>
#include <cstdio>
#include <thread>

#include "batch/Messages.h"
#include "batch/RegistrationSource.h"
#include "batch/SamplePicture.h"
#include "core/RegistrationStore.h"

namespace rimvista::batch {

namespace {

constexpr int kSampleQuality = 92;
constexpr std::pair<int, int> kSampleSize{640, 480};

std::string settingsFileOf(const BatchOptions& o) {
    return o.settingsFile ? *o.settingsFile : windowSettingsFile(executableFolder());
}

// A frame every picture would refuse stops the run before any picture is read.
std::string faultWithoutPicture(const FrameSequence& frames, const BatchOptions& o) {
    const auto failure = checkWithoutPicture(frames);
    if (!failure) return {};
    const FrameParams& p = frames[failure->entry - 1];
    const std::string which = o.registration
                                  ? say("entry ", "項目 ") + std::to_string(failure->entry) +
                                        say(" of the registration", " (登録)")
                                  : say("the frame ", "枠 ") + reg::formatEntry(p);
    return failure->check == FrameCheck::WidthError
               ? say(which +
                         ": every width must be at least 1 and each pair of widths at most "
                         "32767; no picture can take it",
                     which + ": " + std::string(checkMessage(failure->check)) +
                         " (幅はどれも 1 以上にしてください)")
               : say(which +
                         ": positions must be 0 or more and leave room for the next nested "
                         "frame; no picture can take it",
                     which + ": " + std::string(checkMessage(failure->check)) +
                         " (位置は 0 以上にしてください)");
}

std::variant<FrameSequence, std::string> registrationFrames(const BatchOptions& o) {
    auto loaded = loadRegistration(settingsFileOf(o), *o.registration);
    if (auto* error = std::get_if<std::string>(&loaded)) return *error;
    const Registration& r = std::get<Registration>(loaded);
    if (r.truncated)
        std::fprintf(stderr, "rimvista-batch: %s\n",
                     say("registration #" + std::to_string(r.slot) +
                             " holds more than 10 frames; only the first 10 are applied, as in "
                             "the window",
                         "登録 #" + std::to_string(r.slot) +
                             " には 10 を超える枠があります; ウィンドウと同じく最初の 10 "
                             "だけを付けます")
                         .c_str());
    return r.frames;
}

std::variant<FrameSequence, std::string> commandLineFrames(const BatchOptions& o) {
    FrameSequence frames;
    for (const std::string& text : o.frameTexts) {
        auto frame = parseFrameArgument(text);
        if (auto* error = std::get_if<std::string>(&frame)) return *error;
        frames.push_back(std::get<FrameParams>(frame));
    }
    if (o.nest) frames = nestedSequence(frames.front(), *o.nest);
    return frames;
}

}  // namespace

int coreCount() {
    cpu_set_t set;
    if (sched_getaffinity(0, sizeof set, &set) == 0) return std::max(1, CPU_COUNT(&set));
    return std::max(1u, std::thread::hardware_concurrency());
}

int usageError(const std::string& error) {
    std::fprintf(stderr, "rimvista-batch: %s\n%s\n", error.c_str(),
                 say("(rimvista-batch --help shows the usage)",
                     "(rimvista-batch --help で使い方を表示します)")
                     .c_str());
    return kUsageStatus;
}

int showHelp() {
    std::fputs(usageText().c_str(), stdout);
    return 0;
}

int showVersion() {
    std::printf("rimvista-batch %s\n", RIMVISTA_VERSION);
    return 0;
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

int listRecordings(const BatchOptions& o) {
    auto list = listRegistrations(settingsFileOf(o));
    if (auto* error = std::get_if<std::string>(&list)) return usageError(*error);
    for (const RegistrationSummary& r : std::get<std::vector<RegistrationSummary>>(list))
        std::printf("#%d\t%s\t%d\n", r.slot, r.name.c_str(), r.frames);
    return 0;
}

std::variant<FrameSequence, std::string> framesToApply(const BatchOptions& o) {
    auto frames = o.registration ? registrationFrames(o) : commandLineFrames(o);
    if (auto* sequence = std::get_if<FrameSequence>(&frames))
        if (std::string fault = faultWithoutPicture(*sequence, o); !fault.empty()) return fault;
    return frames;
}

}  // namespace rimvista::batch
