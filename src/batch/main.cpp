// rimvista-batch: frames many pictures from the command line, as the window would one by one.
#include <sched.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <thread>

#include "batch/BatchOptions.h"
#include "batch/BatchRunner.h"
#include "batch/FrameSequence.h"
#include "batch/InputList.h"
#include "batch/MemoryGate.h"
#include "batch/Messages.h"
#include "batch/OutputPlan.h"
#include "batch/OutputWriter.h"
#include "batch/RegistrationSource.h"
#include "batch/SamplePicture.h"
#include "core/RegistrationStore.h"

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
    std::fprintf(stderr, "rimvista-batch: %s\n%s\n", error.c_str(),
                 say("(rimvista-batch --help shows the usage)",
                     "(rimvista-batch --help で使い方を表示します)")
                     .c_str());
    return kUsageStatus;
}

std::string settingsFileOf(const BatchOptions& o) {
    return o.settingsFile ? *o.settingsFile : windowSettingsFile(executableFolder());
}

int listRecordings(const BatchOptions& o) {
    auto list = listRegistrations(settingsFileOf(o));
    if (auto* error = std::get_if<std::string>(&list)) return usageError(*error);
    for (const RegistrationSummary& r : std::get<std::vector<RegistrationSummary>>(list))
        std::printf("#%d\t%s\t%d\n", r.slot, r.name.c_str(), r.frames);
    return 0;
}

// A frame every picture would refuse stops the run before any picture is read.
std::string faultWithoutPicture(const FrameSequence& frames, const BatchOptions& o) {
    const auto failure = checkWithoutPicture(frames);
    if (!failure) return {};
    const rimvista::FrameParams& p = frames[failure->entry - 1];
    const std::string which = o.registration
                                  ? say("entry ", "項目 ") + std::to_string(failure->entry) +
                                        say(" of the registration", " (登録)")
                                  : say("the frame ", "枠 ") + rimvista::reg::formatEntry(p);
    return failure->check == rimvista::FrameCheck::WidthError
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

std::string summaryLine(const RunSummary& s, std::size_t strays) {
    std::string line = std::to_string(s.succeeded) + say(" succeeded, ", " 件成功、") +
                       std::to_string(s.failed) + say(" failed", " 件失敗");
    if (s.kept > 0)
        line += say(", ", "、") + std::to_string(s.kept) +
                say(" already there (kept)", " 件は既にあるので残しました");
    if (strays > 0)
        line += say(", ", "、") + std::to_string(strays) +
                say(" skipped (not pictures)", " 件は画像でないので飛ばしました");
    if (s.skipped > 0)
        line += say(", ", "、") + std::to_string(s.skipped) +
                say(" not started (interrupted)", " 件は中断のため未処理");
    return line + "\n";
}

int dryRun(const Plan& plan, const BatchOptions& o) {
    std::size_t failing = 0;
    for (const PictureJob& job : plan.jobs) {
        std::string note;
        if (job.output != "-" && outputTaken(job.output)) {
            if (o.overwrite)
                note = say(" (replaces the existing file)", " (既存のファイルを置き換えます)");
            else if (o.skipExisting)
                note = say(" (already there, kept)", " (既にあるので残します)");
            else {
                note = say(" (already exists: would fail)", " (既にあるので失敗します)");
                ++failing;
            }
        }
        std::printf("%s -> %s%s\n", job.input.c_str(), job.output.c_str(), note.c_str());
    }
    return failing > 0 || !plan.strays.empty() ? 1 : 0;
}

std::variant<FrameSequence, std::string> registrationFrames(const BatchOptions& o) {
    const std::string settings = settingsFileOf(o);
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

int frameAll(const BatchOptions& o, FrameSequence frames, const Plan& plan) {
    std::filesystem::path createdFolder;
    if (plan.target.kind == OutputTarget::Kind::Folder && !plan.jobs.empty()) {
        if (auto made = createOutputFolder(plan.target.path, createdFolder); !made) {
            std::fprintf(stderr, "rimvista-batch: %s\n", describe(made.error()).c_str());
            return 1;
        }
    }

    RunSettings settings;
    settings.frames = std::move(frames);
    settings.quality = o.quality;
    settings.overwrite = o.overwrite;
    settings.skipExisting = o.skipExisting;
    settings.strip = o.strip;
    settings.jobs = o.jobs.value_or(coreCount());
    settings.memoryBudget = memoryBudget(o.memoryMegabytes);
    settings.stop = &g_stop;
    catchInterrupts();

    const Progress::Mode mode = o.quiet                   ? Progress::Mode::Quiet
                                : ::isatty(STDERR_FILENO) ? Progress::Mode::Bar
                                                          : Progress::Mode::Lines;
    Progress progress(plan.jobs.size(), mode);
    const RunSummary summary = runBatch(plan.jobs, settings, progress);
    // A folder made for this run and left empty by it would only puzzle.
    if (!createdFolder.empty() && summary.succeeded == 0) removeEmptyFolders(createdFolder);

    const std::string line = summaryLine(summary, plan.strays.size());
    std::fputs(line.c_str(),
               plan.target.kind == OutputTarget::Kind::StandardOutput ? stderr : stdout);
    if (summary.skipped > 0) return kInterruptedStatus;
    return summary.failed > 0 || !plan.strays.empty() ? 1 : 0;
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
    if (o.version) {
        std::printf("rimvista-batch %s\n", RIMVISTA_VERSION);
        return 0;
    }
    if (o.sampleFile) return makeSample(o);
    if (o.listRegistrations) return listRecordings(o);

    auto frames = o.registration ? registrationFrames(o) : commandLineFrames(o);
    if (auto* error = std::get_if<std::string>(&frames)) return usageError(*error);
    if (std::string fault = faultWithoutPicture(std::get<FrameSequence>(frames), o); !fault.empty())
        return usageError(fault);

    auto names = gatherInputs(o, std::cin);
    if (auto* error = std::get_if<std::string>(&names)) return usageError(*error);
    auto planned = planOutputs(o, std::get<std::vector<InputName>>(names));
    if (!planned) return usageError(describe(planned.error()));
    Plan& plan = *planned;
    if (o.shard) {
        const auto [k, n] = *o.shard;
        std::erase_if(plan.jobs, [&](const PictureJob& j) { return !inShard(j.input, k, n); });
        std::erase_if(plan.strays, [&](const Stray& s) { return !inShard(s.input, k, n); });
    }
    for (const Stray& stray : plan.strays)
        std::fprintf(stderr, "%s: %s\n", stray.input.c_str(), describe(stray.error).c_str());
    if (o.dryRun) return dryRun(plan, o);

    return frameAll(o, std::move(std::get<FrameSequence>(frames)), plan);
}
