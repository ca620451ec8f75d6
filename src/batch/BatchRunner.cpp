#include "batch/BatchRunner.h"

#include <algorithm>
#include <exception>
#include <thread>

#include "batch/MemoryGate.h"
#include "batch/OutputWriter.h"
#include "batch/PictureProbe.h"
#include "files/CodecSupport.h"
#include "files/PictureReader.h"

namespace rimvista::batch {

namespace {

class GateHold {
public:
    GateHold(MemoryGate& gate, std::uint64_t cost) : m_gate(gate), m_cost(cost) {
        m_gate.acquire(m_cost);
    }
    ~GateHold() { m_gate.release(m_cost); }
    GateHold(const GateHold&) = delete;
    GateHold& operator=(const GateHold&) = delete;

private:
    MemoryGate& m_gate;
    std::uint64_t m_cost;
};

std::string checkFailure(const SequenceFailure& failure, std::size_t frames) {
    std::string text(checkMessage(failure.check));
    if (frames > 1)
        text += " (frame " + std::to_string(failure.entry) + " of " + std::to_string(frames) + ")";
    return text;
}

}  // namespace

std::optional<std::string> framePicture(const PictureJob& job, const RunSettings& settings,
                                        MemoryGate& gate) {
    // Checked first so a picture whose result could not be placed is not decoded for nothing;
    // writeOutput checks again at the moment the result is put in place.
    if (!settings.overwrite && outputTaken(job.output))
        return job.output + " already exists (--overwrite replaces it)";

    const std::optional<PictureHeader> header = probePicture(job.input);
    // A picture whose size cannot be told beforehand is read alone.
    const std::uint64_t cost = header ? memoryCost(*header, job.format) : gate.budget();
    GateHold hold(gate, cost);
    // Checked once its turn has come, when what the pictures before it took is given back: a
    // picture the machine cannot hold is skipped before any of it is allocated.
    if (header) {
        const std::uint64_t available = files::availableMemory();
        if (cost > available)
            return std::to_string(header->width) + " × " + std::to_string(header->height) +
                   " needs " + std::to_string(cost >> 20) + " MB, more than the " +
                   std::to_string(available >> 20) + " MB of memory available";
    }

    files::LoadResult loaded = files::loadPicture(job.input);
    if (!loaded.ok()) return loaded.error;
    PixelSurface& picture = loaded.picture;
    if (auto failure = checkSequence(settings.frames, picture.width(), picture.height()))
        return checkFailure(*failure, settings.frames.size());
    if (!paintSequence(picture, settings.frames)) return "the frame could not be painted";
    return writeOutput(picture, job, settings.quality, settings.overwrite);
}

RunSummary runBatch(const std::vector<PictureJob>& jobs, const RunSettings& settings,
                    Progress& progress) {
    MemoryGate gate(settings.memoryBudget);
    std::atomic<std::size_t> next{0};
    std::atomic<std::size_t> skipped{0};
    const auto work = [&] {
        for (std::size_t i = next++; i < jobs.size(); i = next++) {
            if (settings.stop && settings.stop->load()) {
                ++skipped;
                continue;
            }
            const PictureJob& job = jobs[i];
            progress.started(job.input);
            std::optional<std::string> error;
            try {
                error = framePicture(job, settings, gate);
            } catch (const std::exception& e) {
                error = std::string("failed: ") + e.what();
            }
            if (error)
                progress.failed(job.input, *error);
            else
                progress.succeeded(job.input, job.output);
        }
    };
    const std::size_t threads =
        std::clamp<std::size_t>(static_cast<std::size_t>(settings.jobs), 1, jobs.size());
    std::vector<std::thread> workers;
    for (std::size_t t = 1; t < threads; ++t) workers.emplace_back(work);
    work();
    for (std::thread& w : workers) w.join();
    progress.finish();
    return RunSummary{progress.succeededCount(), progress.failedCount(), skipped.load()};
}

}  // namespace rimvista::batch
