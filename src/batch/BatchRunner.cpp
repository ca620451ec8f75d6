#include "batch/BatchRunner.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <new>
#include <string_view>
#include <system_error>
#include <thread>

#include "batch/MemoryGate.h"
#include "batch/Messages.h"
#include "batch/OutputWriter.h"
#include "imageio/CodecSupport.h"
#include "imageio/FormatRegistry.h"
#include "imageio/FrameStream.h"
#include "imageio/KeptMetadata.h"

namespace rimvista::batch {

namespace {

// Metadata segments sit before the picture data; this much holds them in nearly every file.
constexpr std::size_t kHeadWindow = std::size_t{1} << 20;

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

PictureOutcome failed(std::string reason) {
    return PictureOutcome{PictureOutcome::Status::Failed, std::move(reason)};
}

std::string notRead(const Error& error) {
    return say("cannot be read: ", "読み込めません: ") + describe(error);
}

// What an input's output should keep besides its pixels, told apart from the pixels:
// metadata, the encoding choices and, for rows, whether they carry alpha. False, leaving e as it
// was, when the file does not let them be read so.
bool describeInput(const PictureJob& job, const RunSettings& settings, Encoding& e) {
    const files::PictureFormat& format = files::pictureFormat(job.inputFormat);
    if (!format.readFacts) return true;
    Result<files::PictureFacts> read = files::factsForCopy(format, job.input);
    if (!read) return false;
    files::PictureFacts& facts = *read;
    if (!settings.quality && facts.quality) e.quality = *facts.quality;
    if (facts.sampling) e.sampling = *facts.sampling;
    e.extras.grey = facts.grey;
    e.extras.metadata = std::move(facts.metadata);
    e.rowAlpha = facts.alpha;
    return true;
}

// Reads the picture with what its output should keep: metadata, alpha, encoding choices. Where
// the reader gives them too (PNG), its own stand when they cannot be read apart from the pixels.
files::LoadResult readInput(const PictureJob& job, const RunSettings& settings, Encoding& e) {
    e.quality = settings.quality.value_or(kDefaultQuality);
    files::LoadResult loaded = files::loadPicture(job.input, &e.extras);
    if (!loaded) return loaded;
    describeInput(job, settings, e);
    return loaded;
}

// PNG keeps its input's colour type, JPEG its chroma sampling; BMP is always in colour.
bool writtenGrey(const Encoding& e, files::FormatId output) {
    return output == files::FormatId::Png
               ? e.extras.grey
               : output == files::FormatId::Jpeg && e.sampling == files::ChromaSampling::Grey;
}

// The metadata as the output will carry it: nothing with --strip, otherwise what any framed
// copy keeps.
void finishMetadata(Encoding& e, const RunSettings& settings, files::FormatId output) {
    if (settings.strip) e.extras.metadata = {};
    files::fitMetadataToCopy(e.extras.metadata, files::pictureFormat(output),
                             writtenGrey(e, output));
}

}  // namespace

namespace {

// A picture the machine cannot hold, or --memory does not allow, is skipped before any of it is
// allocated.
// --memory counts the pictures in work; the few megabytes of buffers every picture's codecs take
// whatever its size are allowed beside it, so that a tiny budget still frames small pictures.
constexpr std::uint64_t kCodecAllowance = std::uint64_t{4} << 20;

bool overCap(std::uint64_t cost, const RunSettings& settings) {
    return settings.memoryCapped && cost > settings.memoryBudget + kCodecAllowance;
}

// leastNeed: what the cheapest way to frame the picture would take, named when --memory refuses
// it.
std::optional<PictureOutcome> beyondMemory(const files::PictureHeader& header, std::uint64_t cost,
                                           const RunSettings& settings,
                                           std::uint64_t leastNeed = UINT64_MAX) {
    if (overCap(cost, settings)) {
        const std::uint64_t need = std::min(cost, leastNeed);
        return failed(describe(Error::of(ErrorKind::PictureBeyondCap)
                                   .with(header.width, header.height,
                                         std::int64_t((need + (1 << 20) - 1) >> 20),
                                         std::int64_t(settings.memoryBudget >> 20))));
    }
    const std::uint64_t available = files::availableMemory();
    if (cost <= available) return std::nullopt;
    return failed(describe(Error::of(ErrorKind::PictureBeyondMemory)
                               .with(header.width, header.height, std::int64_t(cost >> 20),
                                     std::int64_t(available >> 20))));
}

// Only formats with row readers and writers stream; standard output streams too, its file
// being finished in a temporary before any byte is sent. RIMVISTA_BATCH_WHOLE=1 in the
// environment sends every picture through the whole-picture path, so tests and benchmarks can
// compare the two; it is deliberately not in --help.
bool mayStream(const PictureJob& job, const Result<files::PictureHeader>& header) {
    static const bool wholeOnly = [] {
        const char* value = std::getenv("RIMVISTA_BATCH_WHOLE");
        return value && std::string_view(value) == "1";
    }();
    const bool input = header && header->format == job.inputFormat &&
                       files::pictureFormat(job.inputFormat).streamsIn();
    return !wholeOnly && input && files::pictureFormat(job.format).streamsOut();
}

// The picture read, framed and written a block of rows at a time, in the memory of a few
// blocks. Empty when the whole-picture path must take it: a file that cannot be read by rows
// (turned, progressive, CMYK, compressed BMP, interlaced PNG), or one whose frames do not fit,
// whose metadata cannot be read apart from its rows, whose rows failed to come or whose output
// could not be started, so that the failure is reported in the words and the order of checks of
// the whole-picture path. A failure while writing rows (a full disk) is reported as such:
// reading the picture whole would not help.
std::optional<PictureOutcome> streamPicture(const PictureJob& job, const RunSettings& settings,
                                            const files::PictureHeader& header, MemoryGate& gate,
                                            std::uint64_t& streamNeed) {
    Encoding encoding;
    encoding.quality = settings.quality.value_or(kDefaultQuality);
    files::StreamOptions need;
    need.format = job.format;
    // The stream's blocks and codecs, and the metadata read from the file's head.
    const std::uint64_t cost = files::streamMemoryNeed(header.width, need) +
                               std::min<std::uint64_t>(kHeadWindow, header.fileSize);
    // Over --memory the stream's estimate may still exceed what a small picture takes whole.
    streamNeed = cost;
    if (overCap(cost, settings)) return std::nullopt;
    GateHold hold(gate, cost);
    if (auto refusal = beyondMemory(header, cost, settings)) return refusal;

    files::Opened<files::RowReader> reader = files::openRowReader(job.input);
    if (!reader) return std::nullopt;
    files::RowReader& rows = **reader;
    // Frames that do not fit are left to the whole-picture path too: a damaged file is reported
    // as damaged before its frames are checked, and pictures too small for their frames are
    // cheap to read whole.
    if (checkSequence(settings.frames, rows.width(), rows.height())) return std::nullopt;
    if (!describeInput(job, settings, encoding)) return std::nullopt;
    finishMetadata(encoding, settings, job.format);
    std::vector<PaintedFrame> frames;
    frames.reserve(settings.frames.size());
    for (const FrameParams& p : settings.frames) frames.push_back({p, frameStrength(p)});

    bool readFailed = false;
    auto error = writeOutputWith(job, settings.overwrite, [&](const std::string& path) {
        return saveStreamed(rows, frames, path, job.format, encoding, readFailed);
    });
    if (readFailed) return std::nullopt;
    if (error) return failed(*error);
    return PictureOutcome{};
}

PictureOutcome wholePicture(const PictureJob& job, const RunSettings& settings,
                            const Result<files::PictureHeader>& header, MemoryGate& gate,
                            std::uint64_t streamNeed) {
    // A picture whose size cannot be told beforehand is read alone.
    const std::uint64_t cost = header ? files::wholeMemoryCost(*header, job.format) : gate.budget();
    GateHold hold(gate, cost);
    // Checked once its turn has come, when what the pictures before it took is given back.
    if (header) {
        if (auto refusal = beyondMemory(*header, cost, settings, streamNeed)) return *refusal;
    }

    Encoding encoding;
    files::LoadResult loaded = readInput(job, settings, encoding);
    if (!loaded) return failed(notRead(loaded.error()));
    finishMetadata(encoding, settings, job.format);
    PixelSurface& picture = *loaded;
    if (auto failure = checkSequence(settings.frames, picture.width(), picture.height()))
        return failed(frameCheckText(failure->check, picture.width(), picture.height(),
                                     failure->entry, settings.frames.size(), job.output));
    if (!paintSequence(picture, settings.frames))
        return failed(say("the frame could not be painted", "枠を描けませんでした"));
    if (auto error = writeOutput(picture, job, encoding, settings.overwrite)) return failed(*error);
    return {};
}

}  // namespace

PictureOutcome framePicture(const PictureJob& job, const RunSettings& settings, MemoryGate& gate) {
    if (job.folderError != 0) return failed(cannotWriteText(job, job.folderError));
    // Checked first so a picture whose result could not be placed is not decoded for nothing;
    // writeOutput checks again at the moment the result is put in place.
    if (job.output != "-" && !settings.overwrite && outputTaken(job.output)) {
        if (settings.skipExisting) return PictureOutcome{PictureOutcome::Status::Kept, {}};
        return failed(describe(Error::of(ErrorKind::OutputExists).naming({job.output})));
    }

    const Result<files::PictureHeader> header = files::probePicture(job.input);
    std::uint64_t streamNeed = UINT64_MAX;
    if (mayStream(job, header)) {
        if (auto outcome = streamPicture(job, settings, *header, gate, streamNeed)) return *outcome;
    }
    return wholePicture(job, settings, header, gate, streamNeed);
}

RunSummary runBatch(const std::vector<PictureJob>& jobs, const RunSettings& settings,
                    Progress& progress) {
    MemoryGate gate(settings.memoryBudget);
    std::atomic<std::size_t> next{0};
    std::atomic<std::size_t> skipped{0};
    std::atomic<std::size_t> kept{0};
    const auto work = [&] {
        for (std::size_t i = next++; i < jobs.size(); i = next++) {
            if (settings.stop && settings.stop->load()) {
                ++skipped;
                continue;
            }
            const PictureJob& job = jobs[i];
            progress.started(job.input);
            PictureOutcome outcome;
            try {
                outcome = framePicture(job, settings, gate);
            } catch (const std::bad_alloc&) {
                outcome = failed(describe(Error::of(ErrorKind::OutOfMemory)));
            } catch (const std::exception& e) {
                outcome = failed(describe(Error::of(ErrorKind::Unexpected).saying(e.what())));
            }
            switch (outcome.status) {
                case PictureOutcome::Status::Written:
                    progress.succeeded(job.input, job.output);
                    break;
                case PictureOutcome::Status::Kept:
                    ++kept;
                    progress.kept(job.input, job.output);
                    break;
                case PictureOutcome::Status::Failed:
                    progress.failed(job.input, outcome.reason);
                    break;
            }
        }
    };
    const std::size_t threads = std::clamp<std::size_t>(static_cast<std::size_t>(settings.jobs), 1,
                                                        std::max<std::size_t>(1, jobs.size()));
    std::vector<std::thread> workers;
    try {
        for (std::size_t t = 1; t < threads; ++t) workers.emplace_back(work);
    } catch (const std::system_error&) {
        // A process limit (ulimit -u) or no memory for stacks: the run goes on with the workers
        // that could be started, this thread among them.
        std::fprintf(
            stderr, "%s\n",
            say("rimvista-batch: only " + std::to_string(workers.size() + 1) + " of " +
                    std::to_string(threads) + " workers could be started; going on with them",
                "rimvista-batch: " + std::to_string(threads) + " 個のうち " +
                    std::to_string(workers.size() + 1) +
                    " 個の作業スレッドしか起動できませんでした; そのまま続けます")
                .c_str());
    }
    work();
    for (std::thread& w : workers) w.join();
    progress.finish();
    return RunSummary{progress.succeededCount(), progress.failedCount(), kept.load(),
                      skipped.load()};
}

}  // namespace rimvista::batch
