// A run over the planned pictures: the dry run's listing, the real run with its progress
// display and interrupt handling, and the closing summary line.
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstdio>

#include "batch/BatchRunner.h"
#include "batch/Commands.h"
#include "batch/InputList.h"
#include "batch/MemoryGate.h"
#include "batch/Messages.h"
#include "batch/OutputWriter.h"
#include "imageio/TemporaryFiles.h"

namespace rimvista::batch {

namespace {

std::atomic<bool> g_stop{false};
std::atomic<int> g_stopSignal{0};

// Ends the run at once, leaving no temporary behind, with the status a shell gives a program
// the signal ended.
[[noreturn]] void endAtOnce(int signal) {
    files::removeListedTemporaries();
    ::_exit(128 + signal);
}

// The first Ctrl-C (or TERM) lets the pictures in work finish and be written whole; a second
// one ends the program at once.
void requestStop(int signal) {
    int first = 0;
    if (!g_stopSignal.compare_exchange_strong(first, signal)) endAtOnce(signal);
    g_stop = true;
}

// A hang-up or a reader that went away (-o - | head) leaves no one to write for.
void catchSignals() {
    struct sigaction action {};
    sigemptyset(&action.sa_mask);
    action.sa_handler = requestStop;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    action.sa_handler = endAtOnce;
    sigaction(SIGHUP, &action, nullptr);
    sigaction(SIGPIPE, &action, nullptr);
    // Past a file size limit (ulimit -f) a write fails like one to a full disk, and that picture
    // fails; the others go on.
    std::signal(SIGXFSZ, SIG_IGN);
}

// Names that are no picture, told apart from those that could not be read at all (permissions,
// a loop of links, an input-output error).
struct StrayCount {
    std::size_t notPictures = 0;
    std::size_t unreadable = 0;
};

StrayCount countStrays(const std::vector<Stray>& strays) {
    StrayCount count;
    for (const Stray& stray : strays)
        ++(stray.error.kind == ErrorKind::CannotOpen || stray.error.kind == ErrorKind::CannotRead
               ? count.unreadable
               : count.notPictures);
    return count;
}

std::string summaryLine(const RunSummary& s, const StrayCount& strays) {
    std::string line = std::to_string(s.succeeded) + say(" succeeded, ", " 件成功、") +
                       std::to_string(s.failed) + say(" failed", " 件失敗");
    // The other counts only when there are any.
    struct Part {
        std::size_t count;
        std::string_view english, japanese;
    };
    const Part parts[] = {
        {s.kept, " already there (kept)", " 件は既にあるので残しました"},
        {strays.notPictures, " skipped (not pictures)", " 件は画像でないので飛ばしました"},
        {strays.unreadable, " skipped (cannot be read)", " 件は読めないので飛ばしました"},
        {s.skipped, " not started (interrupted)", " 件は中断のため未処理"},
    };
    for (const Part& part : parts)
        if (part.count > 0)
            line += say(", ", "、") + std::to_string(part.count) + say(part.english, part.japanese);
    return line + "\n";
}

RunSettings runSettings(const BatchOptions& o, FrameSequence frames) {
    RunSettings settings;
    settings.frames = std::move(frames);
    settings.quality = o.quality;
    settings.overwrite = o.overwrite;
    settings.skipExisting = o.skipExisting;
    settings.strip = o.strip;
    settings.jobs = o.jobs.value_or(coreCount());
    settings.memoryBudget = memoryBudget(o.memoryMegabytes);
    settings.memoryCapped = o.memoryMegabytes.has_value();
    settings.stop = &g_stop;
    return settings;
}

}  // namespace

std::variant<Plan, std::string> planRun(const BatchOptions& o, std::istream& standardInput) {
    auto gathered = gatherInputs(o, standardInput);
    if (auto* error = std::get_if<std::string>(&gathered)) return *error;
    const GatheredInputs& inputs = std::get<GatheredInputs>(gathered);
    for (const std::string& note : inputs.notes) std::fprintf(stderr, "%s\n", note.c_str());
    auto planned = planOutputs(o, inputs.names);
    if (!planned) return describe(planned.error());
    Plan& plan = *planned;
    if (o.shard) {
        // Named copies: clang 14 does not let a lambda capture structured bindings.
        const auto k = o.shard->first, n = o.shard->second;
        std::erase_if(plan.jobs, [&](const PictureJob& j) { return !inShard(j.shardKey, k, n); });
        std::erase_if(plan.strays, [&](const Stray& s) { return !inShard(s.shardKey, k, n); });
        std::erase_if(plan.passedOver,
                      [&](const PassedOver& p) { return !inShard(p.shardKey, k, n); });
    }
    for (const Stray& stray : plan.strays)
        std::fprintf(stderr, "%s: %s\n", stray.input.c_str(), describe(stray.error).c_str());
    for (const PassedOver& p : plan.passedOver)
        std::fprintf(stderr, "%s\n",
                     say(p.input + ": the result of " + p.resultOf + ", passed over",
                         p.input + ": " + p.resultOf + " の結果なので飛ばします")
                         .c_str());
    return std::move(plan);
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

int frameAll(const BatchOptions& o, FrameSequence frames, const Plan& plan) {
    std::filesystem::path createdFolder;
    if (plan.target.kind == OutputTarget::Kind::Folder && !plan.jobs.empty()) {
        if (auto made = createOutputFolder(plan.target.path, createdFolder); !made) {
            std::fprintf(stderr, "rimvista-batch: %s\n", describe(made.error()).c_str());
            return 1;
        }
    }

    catchSignals();
    std::vector<PictureJob> jobs = plan.jobs;
    prepareOutputFolders(jobs);
    const RunSettings settings = runSettings(o, std::move(frames));
    const Progress::Mode mode = o.quiet                   ? Progress::Mode::Quiet
                                : ::isatty(STDERR_FILENO) ? Progress::Mode::Bar
                                                          : Progress::Mode::Lines;
    Progress progress(plan.jobs.size(), mode);
    const RunSummary summary = runBatch(jobs, settings, progress);
    // A folder made for this run and left empty by it would only puzzle.
    if (!createdFolder.empty() && summary.succeeded == 0) removeEmptyFolders(createdFolder);

    // On standard error like the progress, so that standard output carries only results; --quiet
    // keeps it unless something went wrong.
    const bool troubled = summary.failed > 0 || !plan.strays.empty() || summary.skipped > 0;
    if (!o.quiet || troubled)
        std::fputs(summaryLine(summary, countStrays(plan.strays)).c_str(), stderr);
    if (summary.skipped > 0) return g_stopSignal ? 128 + g_stopSignal : kInterruptedStatus;
    return summary.failed > 0 || !plan.strays.empty() ? 1 : 0;
}

}  // namespace rimvista::batch
