#include "batch/BatchRunner.h"

#include <algorithm>
#include <cstdlib>
#include <exception>
#include <string_view>
#include <thread>

#include "batch/MemoryGate.h"
#include "batch/Messages.h"
#include "batch/OutputWriter.h"
#include "batch/PictureProbe.h"
#include "imageio/CodecSupport.h"
#include "imageio/FrameStream.h"
#include "imageio/JpegMetadata.h"
#include "imageio/PictureReader.h"
#include "imageio/PngFile.h"

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

std::string notRead(const std::string& reason) {
    return say("cannot be read: ", "読み込めません: ") + fileReason(reason);
}

files::JpegFacts jpegFacts(const std::string& path) {
    files::InputFile file;
    if (file.open(path)) return {};
    std::vector<std::uint8_t> head(
        static_cast<std::size_t>(std::min<std::uint64_t>(file.size(), kHeadWindow)));
    if (file.readAt(0, head.data(), head.size())) return {};
    files::JpegFacts facts = files::readJpegFacts(head.data(), head.size());
    if (!facts.complete && head.size() < file.size()) {  // a large profile: read it all
        head.resize(static_cast<std::size_t>(file.size()));
        if (file.readAt(0, head.data(), head.size())) return facts;
        facts = files::readJpegFacts(head.data(), head.size());
    }
    return facts;
}

std::optional<files::Density> bmpDensity(const std::string& path) {
    files::InputFile file;
    std::uint8_t field[8];
    if (file.open(path) || file.size() < 46 || file.readAt(38, field, sizeof field))
        return std::nullopt;
    const auto le = [&](int at) {
        return std::uint32_t(field[at]) | std::uint32_t(field[at + 1]) << 8 |
               std::uint32_t(field[at + 2]) << 16 | std::uint32_t(field[at + 3]) << 24;
    };
    const std::uint32_t x = le(0), y = le(4);
    if (x == 0 || y == 0 || x > 1000000 || y > 1000000) return std::nullopt;
    return files::Density{files::Density::Unit::PerInch, x * 0.0254, y * 0.0254};
}

// What a BMP or JPEG input's output should keep besides its pixels: metadata, JPEG settings.
void describeInput(const PictureJob& job, const RunSettings& settings, Encoding& e) {
    if (job.inputFormat == OutputFormat::Jpg) {
        files::JpegFacts facts = jpegFacts(job.input);
        if (!settings.quality && facts.quality) e.quality = *facts.quality;
        if (facts.sampling) e.sampling = *facts.sampling;
        e.extras.grey = facts.sampling == files::ChromaSampling::Grey;
        e.extras.metadata = std::move(facts.metadata);
        // The reader has turned the pixels upright.
        if (facts.orientation != 1) files::resetExifOrientation(e.extras.metadata.exif);
    } else {
        e.extras.metadata.density = bmpDensity(job.input);
    }
    files::dropExifThumbnail(e.extras.metadata.exif);
    if (settings.strip) e.extras.metadata = {};
}

// Reads the picture with what its output should keep: metadata, alpha, JPEG settings.
files::LoadResult readInput(const PictureJob& job, const RunSettings& settings, Encoding& e) {
    e.quality = settings.quality.value_or(kDefaultQuality);
    if (job.inputFormat == OutputFormat::Png) {
        files::LoadResult loaded = files::readPng(job.input, &e.extras);
        files::dropExifThumbnail(e.extras.metadata.exif);
        if (settings.strip) e.extras.metadata = {};
        return loaded;
    }
    files::LoadResult loaded = files::loadPicture(job.input);
    if (!loaded.ok()) return loaded;
    describeInput(job, settings, e);
    return loaded;
}

// A profile describes one colour model; kept on an output of another (the RGB pixels read from
// a CMYK JPEG, a grey picture written in colour) it would make viewers show wrong colours.
void dropMismatchedProfile(Encoding& e, OutputFormat output) {
    std::vector<std::uint8_t>& icc = e.extras.metadata.icc;
    if (icc.size() < 20) return;
    const std::string space(icc.begin() + 16, icc.begin() + 20);
    const bool grey = output == OutputFormat::Png ? e.extras.grey
                                                  : output == OutputFormat::Jpg &&
                                                        e.sampling == files::ChromaSampling::Grey;
    if (space != (grey ? "GRAY" : "RGB ")) icc.clear();
}

}  // namespace

namespace {

// A picture the machine cannot hold is skipped before any of it is allocated.
std::optional<PictureOutcome> beyondMemory(const PictureHeader& header, std::uint64_t cost) {
    const std::uint64_t available = files::availableMemory();
    if (cost <= available) return std::nullopt;
    const std::string size = std::to_string(header.width) + " × " + std::to_string(header.height);
    const std::string need = std::to_string(cost >> 20);
    const std::string have = std::to_string(available >> 20);
    return failed(
        say(size + " needs " + need + " MB, more than the " + have + " MB of memory available",
            size + " には " + need + " MB が要りますが、使えるメモリは " + have + " MB です"));
}

// Standard output takes a finished file anyway.
// RIMVISTA_BATCH_WHOLE=1 in the environment sends every picture through the whole-picture path,
// so tests and benchmarks can compare the two; it is deliberately not in --help.
bool mayStream(const PictureJob& job, const std::optional<PictureHeader>& header) {
    static const bool wholeOnly = [] {
        const char* value = std::getenv("RIMVISTA_BATCH_WHOLE");
        return value && std::string_view(value) == "1";
    }();
    const bool input =
        header && ((header->kind == PictureKind::Bmp && job.inputFormat == OutputFormat::Bmp) ||
                   (header->kind == PictureKind::Jpeg && job.inputFormat == OutputFormat::Jpg) ||
                   job.inputFormat == OutputFormat::Png);
    return !wholeOnly && input && job.output != "-";
}

// The picture read, framed and written a block of rows at a time, in the memory of a few
// blocks. Empty when the whole-picture path must take it: a file that cannot be read by rows
// (turned, progressive, CMYK, compressed BMP, interlaced PNG), or one whose frames do not fit,
// whose rows failed to come or whose output could not be started, so that the failure is reported
// in the words and the order of checks of the whole-picture path. A failure while writing rows (a
// full disk) is reported as such: reading the picture whole would not help.
std::optional<PictureOutcome> streamPicture(const PictureJob& job, const RunSettings& settings,
                                            const PictureHeader& header, MemoryGate& gate) {
    Encoding encoding;
    encoding.quality = settings.quality.value_or(kDefaultQuality);
    files::StreamOptions need;
    need.format = streamFormatOf(job.format);
    // The stream's blocks and codecs, and the metadata read from the file's head.
    const std::uint64_t cost = files::streamMemoryNeed(header.width, need) + kHeadWindow;
    GateHold hold(gate, cost);
    if (auto refusal = beyondMemory(header, cost)) return refusal;

    files::Opened<files::RowReader> reader = files::openRowReader(job.input);
    if (!reader.ok()) return std::nullopt;
    // Frames that do not fit are left to the whole-picture path too: a damaged file is reported
    // as damaged before its frames are checked, and pictures too small for their frames are
    // cheap to read whole.
    if (checkSequence(settings.frames, reader.stream->width(), reader.stream->height()))
        return std::nullopt;
    if (job.inputFormat == OutputFormat::Png) {
        // What readInput keeps of a PNG picture, found without reading its rows.
        std::optional<files::PngFacts> facts = files::readPngFacts(job.input);
        if (!facts) return std::nullopt;
        encoding.extras.grey = facts->grey;
        encoding.extras.metadata = settings.strip ? files::PictureMetadata{} : facts->metadata;
        files::dropExifThumbnail(encoding.extras.metadata.exif);
        encoding.rowAlpha = facts->alpha;
    } else {
        describeInput(job, settings, encoding);
    }
    dropMismatchedProfile(encoding, job.format);
    std::vector<PaintedFrame> frames;
    frames.reserve(settings.frames.size());
    for (const FrameParams& p : settings.frames) frames.push_back({p, frameStrength(p)});

    bool readFailed = false;
    auto error = writeOutputWith(job, settings.overwrite, [&](const std::string& path) {
        return saveStreamed(*reader.stream, frames, path, job.format, encoding, readFailed);
    });
    if (readFailed) return std::nullopt;
    if (error) return failed(*error);
    return PictureOutcome{};
}

PictureOutcome wholePicture(const PictureJob& job, const RunSettings& settings,
                            const std::optional<PictureHeader>& header, MemoryGate& gate) {
    // A picture whose size cannot be told beforehand is read alone.
    const std::uint64_t cost = header ? memoryCost(*header, job.format) : gate.budget();
    GateHold hold(gate, cost);
    // Checked once its turn has come, when what the pictures before it took is given back.
    if (header) {
        if (auto refusal = beyondMemory(*header, cost)) return *refusal;
    }

    Encoding encoding;
    files::LoadResult loaded = readInput(job, settings, encoding);
    if (!loaded.ok()) return failed(notRead(loaded.error));
    dropMismatchedProfile(encoding, job.format);
    PixelSurface& picture = loaded.picture;
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
    // Checked first so a picture whose result could not be placed is not decoded for nothing;
    // writeOutput checks again at the moment the result is put in place.
    if (job.output != "-" && !settings.overwrite && outputTaken(job.output)) {
        if (settings.skipExisting) return PictureOutcome{PictureOutcome::Status::Kept, {}};
        return failed(say(job.output + " already exists (--overwrite replaces it, "
                                       "--skip-existing leaves it)",
                          job.output + " は既にあります (--overwrite で置き換え、"
                                       "--skip-existing でそのままにします)"));
    }

    const std::optional<PictureHeader> header = probePicture(job.input);
    if (mayStream(job, header)) {
        if (auto outcome = streamPicture(job, settings, *header, gate)) return *outcome;
    }
    return wholePicture(job, settings, header, gate);
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
            } catch (const std::exception& e) {
                outcome = failed(say("failed: ", "失敗しました: ") + e.what());
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
    for (std::size_t t = 1; t < threads; ++t) workers.emplace_back(work);
    work();
    for (std::thread& w : workers) w.join();
    progress.finish();
    return RunSummary{progress.succeededCount(), progress.failedCount(), kept.load(),
                      skipped.load()};
}

}  // namespace rimvista::batch
