#pragma once
// One zlib stream deflated on every core. The data comes in blocks; each block is prepared and
// deflated on a worker, primed with the 32 KB that precede it in the stream as its dictionary,
// and ends on a sync flush, so the blocks' outputs simply follow each other. Given several
// settings, each block's start is deflated with each, and the block with the one that made it
// shortest. The checksums of the blocks are combined into the stream's Adler-32. The bytes
// depend only on the blocks and the settings, never on the number of workers or on timing.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "core/Error.h"

namespace rimvista::files {

class ParallelDeflate {
public:
    // What a worker makes of one block: the bytes to deflate, and the last (up to) 32 KB of the
    // stream before them; empty for the first block.
    struct Block {
        std::vector<std::uint8_t> dictionary;
        std::vector<std::uint8_t> data;
    };
    using Prepare = std::function<Block()>;
    // Receives the compressed stream in order, on the thread that calls add and finish.
    using Sink = std::function<Result<void>(const std::uint8_t*, std::size_t)>;

    // zlib's level and strategy.
    struct Setting {
        int level = 6;
        int strategy = 0;
    };

    // settings: one to four; the first is the stream's nominal level.
    ParallelDeflate(std::vector<Setting> settings, Sink sink);
    // Without finish, blocks still in work are abandoned.
    ~ParallelDeflate();
    ParallelDeflate(const ParallelDeflate&) = delete;
    ParallelDeflate& operator=(const ParallelDeflate&) = delete;

    // Queues the next block. While too many are in work, waits for the oldest and hands the
    // finished ones to the sink. Success, or the first failure (of a block or of the sink): the
    // sink's own error, OutOfMemory, or EncodeFailed naming no format, with zlib's words.
    Result<void> add(Prepare prepare);
    // Waits for every block and ends the stream.
    Result<void> finish();

    // Blocks in work at once: raw, prepared and compressed copies of each are held.
    static int blocksInWork();
    // Threads that deflate, shared by every stream of the process.
    static int workerCount();

private:
    struct Job;
    Result<void> begin();
    Result<void> emit(Job& job);
    Result<void> drain(std::size_t keep);

    std::shared_ptr<const std::vector<Setting>> m_settings;
    Sink m_sink;
    std::deque<std::shared_ptr<Job>> m_jobs;
    std::uint32_t m_adler = 1;
    bool m_started = false;
    std::optional<Error> m_error;
};

}  // namespace rimvista::files
