#include "imageio/FrameStream.h"

#include <algorithm>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>

#include "imageio/FormatEntries.h"

namespace rimvista::files {

namespace {

// Blocks numbered in the order both ends handle them; top-down unless both ends can take any
// order, in which case bottom-up, the order BMP files keep their rows in.
struct BlockPlan {
    int height, rows;
    bool topDown;

    int count() const { return (height + rows - 1) / rows; }
    std::pair<int, int> block(int i) const {
        if (topDown) return {i * rows, std::min(height, (i + 1) * rows)};
        return {std::max(0, height - (i + 1) * rows), height - i * rows};
    }
};

// The ring between the two threads: block i lives in slot i % size from the moment the
// producer starts it until the consumer is done with it.
class BlockRing {
public:
    BlockRing(int slots, std::size_t pixelsPerSlot)
        : m_slots(static_cast<std::size_t>(slots), std::vector<Pixel>(pixelsPerSlot)) {}

    Pixel* slot(int i) { return m_slots[static_cast<std::size_t>(i) % m_slots.size()].data(); }

    // Producer: waits for block i's slot to be free; false when the consumer gave up.
    bool awaitFree(int i) {
        std::unique_lock lock(m_mutex);
        m_changed.wait(
            lock, [&] { return m_cancelled || i - m_consumed < static_cast<int>(m_slots.size()); });
        return !m_cancelled;
    }
    void produced(std::optional<Error> error) {
        std::lock_guard lock(m_mutex);
        if (error)
            m_error = std::move(error);
        else
            ++m_produced;
        m_changed.notify_all();
    }
    // Consumer: waits for block i; the producer's error when it stopped before it.
    std::optional<Error> awaitFilled(int i) {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [&] { return m_error || m_produced > i; });
        return m_produced > i ? std::nullopt : m_error;
    }
    void consumed() {
        std::lock_guard lock(m_mutex);
        ++m_consumed;
        m_changed.notify_all();
    }
    void cancel() {
        std::lock_guard lock(m_mutex);
        m_cancelled = true;
        m_changed.notify_all();
    }

private:
    std::vector<std::vector<Pixel>> m_slots;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    int m_produced = 0, m_consumed = 0;
    bool m_cancelled = false;
    std::optional<Error> m_error;
};

StreamOutcome failed(Error why, bool writing = false) {
    return {StreamOutcome::Status::Failed, std::move(why), writing};
}

Opened<RowWriter> openWriter(const std::string& out, int width, int height,
                             const StreamOptions& options) {
    const PictureFormat& format = pictureFormat(options.format);
    if (!format.streamsOut()) return Error::of(ErrorKind::NotStreamable);
    return format.openRowWriter(out, width, height, options.encoding);
}

// The error of an operation, or nothing when it succeeded.
std::optional<Error> failure(const Result<void>& result) {
    if (result) return std::nullopt;
    return result.error();
}

StreamOutcome run(RowReader& reader, RowWriter& writer, const RowBandPainter& painter,
                  const BlockPlan& plan, int ringBlocks) {
    const auto stride = static_cast<std::size_t>(reader.width());
    BlockRing ring(ringBlocks, stride * static_cast<std::size_t>(plan.rows));
    // Neither end may throw past here: the other thread would be left waiting.
    const auto produce = [&](int i) -> std::optional<Error> {
        try {
            const auto [y0, y1] = plan.block(i);
            Pixel* rows = ring.slot(i);
            auto read = reader.read(y0, y1, rows, stride);
            if (read) painter.paintRows(y0, y1, rows, stride);
            return failure(read);
        } catch (const std::exception&) {
            return Error::of(ErrorKind::OutOfMemory);
        }
    };
    const auto consume = [&](int i) -> std::optional<Error> {
        try {
            const auto [y0, y1] = plan.block(i);
            return failure(writer.write(y0, y1, ring.slot(i), stride));
        } catch (const std::exception&) {
            return Error::of(ErrorKind::OutOfMemory);
        }
    };

    std::thread producer;
    try {
        producer = std::thread([&] {
            for (int i = 0; i < plan.count(); ++i) {
                if (!ring.awaitFree(i)) return;
                auto error = produce(i);
                ring.produced(error);
                if (error) return;
            }
        });
    } catch (const std::system_error&) {
        // No second thread to be had: the same work, one block after the other.
        for (int i = 0; i < plan.count(); ++i) {
            if (auto error = produce(i)) return failed(*error);
            if (auto error = consume(i)) return failed(*error, true);
        }
        if (auto error = failure(writer.commit())) return failed(*error, true);
        return {StreamOutcome::Status::Written, {}};
    }

    std::optional<Error> error;
    bool writing = false;
    for (int i = 0; i < plan.count() && !error; ++i) {
        error = ring.awaitFilled(i);
        if (!error) writing = (error = consume(i)).has_value();
        ring.consumed();
    }
    ring.cancel();
    producer.join();
    if (!error) writing = (error = failure(writer.commit())).has_value();
    if (error) return failed(*error, writing);
    return {StreamOutcome::Status::Written, {}};
}

}  // namespace

int streamBlockRows(int width, const StreamOptions& options) {
    if (options.blockRows > 0) return options.blockRows;
    const std::size_t rowBytes = std::max<std::size_t>(std::size_t(std::max(width, 1)) * 4, 1);
    return static_cast<int>(std::clamp<std::size_t>(StreamOptions::kBlockBytes / rowBytes, 8, 256));
}

std::size_t streamMemoryNeed(int width, const StreamOptions& options) {
    const std::size_t block =
        std::size_t(std::max(width, 1)) * 4 * std::size_t(streamBlockRows(width, options));
    // Each codec holds a few rows of its own plus its file buffer (PNG's writer, the blocks its
    // deflate has in work on every core); the output's segments are held once more as the
    // encoder's output. The input is taken to cost what reading the output's format would.
    const PictureFormat& format = pictureFormat(options.format);
    const PictureMetadata* metadata = metadataOf(options.encoding);
    const std::size_t codecs =
        (format.rowReadCost ? format.rowReadCost(width) : 0) +
        (format.rowWriteCost ? format.rowWriteCost(width) : 0) +
        (metadata ? metadata->icc.size() + metadata->exif.size() + metadata->xmp.size() : 0);
    return block * std::size_t(std::max(options.ringBlocks, 1) + 2) + codecs;
}

StreamOutcome streamFramePicture(RowReader& reader, const std::string& out,
                                 const std::vector<PaintedFrame>& frames,
                                 const StreamOptions& options) {
    try {
        Opened<RowWriter> writer = openWriter(out, reader.width(), reader.height(), options);
        if (!writer) return failed(writer.error());
        const RowBandPainter painter(reader.width(), reader.height(), frames);
        const BlockPlan plan{reader.height(), streamBlockRows(reader.width(), options),
                             reader.topDownOnly() || (*writer)->topDownOnly()};
        return run(reader, **writer, painter, plan, std::max(options.ringBlocks, 1));
    } catch (const std::bad_alloc&) {
        return failed(Error::of(ErrorKind::OutOfMemory));
    }
}

StreamOutcome streamFramePicture(const std::string& in, const std::string& out,
                                 const std::vector<PaintedFrame>& frames,
                                 const StreamOptions& options) {
    try {
        Opened<RowReader> reader = openRowReader(in);
        if (!reader)
            return {reader.error().kind == ErrorKind::NotStreamable
                        ? StreamOutcome::Status::CannotStream
                        : StreamOutcome::Status::Failed,
                    reader.error()};
        return streamFramePicture(**reader, out, frames, options);
    } catch (const std::bad_alloc&) {
        return failed(Error::of(ErrorKind::OutOfMemory));
    }
}

}  // namespace rimvista::files
