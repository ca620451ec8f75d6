#include "imageio/ParallelDeflate.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>

namespace rimvista::files {

namespace {

// One worker a core, shared by every stream of the process, so that several pictures in work
// at once do not start more threads than there are cores.
class Workers {
public:
    // Never destroyed: a worker may still be finishing an abandoned block when the program ends.
    static Workers& instance() {
        static Workers* workers = new Workers;
        return *workers;
    }
    int count() const { return static_cast<int>(m_threads.size()); }

    // False when there is no worker: the caller then does the work itself.
    bool post(std::function<void()> task) {
        if (m_threads.empty()) return false;
        {
            std::lock_guard lock(m_mutex);
            m_tasks.push_back(std::move(task));
        }
        m_changed.notify_one();
        return true;
    }

private:
    Workers() {
        const unsigned n = std::max(1u, std::thread::hardware_concurrency());
        try {
            for (unsigned i = 0; i < n; ++i) m_threads.emplace_back([this] { serve(); });
        } catch (const std::system_error&) {
            // Fewer workers, or none: the work is still done, on fewer cores.
        }
        for (std::thread& t : m_threads) t.detach();
    }
    void serve() {
        for (;;) {
            std::function<void()> task;
            {
                std::unique_lock lock(m_mutex);
                m_changed.wait(lock, [&] { return !m_tasks.empty(); });
                task = std::move(m_tasks.front());
                m_tasks.pop_front();
            }
            task();
        }
    }

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<std::function<void()>> m_tasks;
    std::vector<std::thread> m_threads;
};

// A raw deflate stream kept by each thread from block to block, reset instead of rebuilt.
class Deflater {
public:
    ~Deflater() {
        if (m_ready) deflateEnd(&m_stream);
    }
    z_stream* reset(int level, int strategy) {
        if (m_ready && (level != m_level || strategy != m_strategy)) {
            deflateEnd(&m_stream);
            m_ready = false;
        }
        if (m_ready) return deflateReset(&m_stream) == Z_OK ? &m_stream : nullptr;
        m_stream = z_stream{};
        if (deflateInit2(&m_stream, level, Z_DEFLATED, -15, 8, strategy) != Z_OK) return nullptr;
        m_ready = true;
        m_level = level, m_strategy = strategy;
        return &m_stream;
    }

private:
    z_stream m_stream{};
    bool m_ready = false;
    int m_level = 0, m_strategy = 0;
};

// The two bytes that open a zlib stream with a 32 KB window, telling the level used.
std::array<std::uint8_t, 2> zlibHeader(int level, int strategy) {
    const int speed = strategy >= Z_HUFFMAN_ONLY || (level >= 0 && level < 2) ? 0
                      : level >= 0 && level < 6                               ? 1
                      : level == 6 || level < 0                               ? 2
                                                                              : 3;
    const int cmf = 0x78;
    int flg = speed << 6;
    flg += 31 - (cmf * 256 + flg) % 31;
    return {static_cast<std::uint8_t>(cmf), static_cast<std::uint8_t>(flg)};
}

// The stream of each setting, kept by each thread from block to block.
constexpr std::size_t kMostSettings = 4;
// Where there is a choice of settings, they are weighed on this much of each block.
constexpr std::size_t kSampleBytes = std::size_t{64} << 10;

}  // namespace

struct ParallelDeflate::Job {
    Prepare prepare;
    std::shared_ptr<const std::vector<Setting>> settings;
    std::atomic<bool> abandoned{false};

    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;
    std::vector<std::uint8_t> out;
    std::uint32_t adler = 1;
    std::size_t length = 0;
    std::optional<Error> error;

    void run() {
        std::optional<Error> failure;
        try {
            if (!abandoned) failure = compress();
        } catch (const std::bad_alloc&) {
            failure = Error::of(ErrorKind::OutOfMemory);
        } catch (const std::exception& e) {
            // Nothing may escape a worker: the program would end.
            failure = Error::of(ErrorKind::EncodeFailed).saying(e.what());
        }
        prepare = nullptr;  // lets go of the rows it holds
        std::lock_guard lock(mutex);
        error = std::move(failure);
        done = true;
        finished.notify_all();
    }

    std::optional<Error> compress() {
        const Block block = prepare();
        thread_local Deflater deflaters[kMostSettings];
        const std::size_t tries = std::min(settings->size(), kMostSettings);
        // Each setting deflates the start of the block; the one that does best there deflates
        // the whole block, unless the start was the whole block.
        const std::size_t sample = tries > 1 ? std::min(kSampleBytes, block.data.size()) : 0;
        std::size_t chosen = 0;
        std::vector<std::uint8_t> trial;
        for (std::size_t i = 0; i < tries && sample > 0; ++i) {
            if (auto failed = deflateSpan(deflaters[i], (*settings)[i], block, sample, trial))
                return failed;
            if (i == 0 || trial.size() < out.size()) std::swap(out, trial), chosen = i;
        }
        if (sample < block.data.size()) {
            if (auto failed = deflateSpan(deflaters[chosen], (*settings)[chosen], block,
                                          block.data.size(), out))
                return failed;
        }
        adler = static_cast<std::uint32_t>(
            adler32(1, block.data.data(), static_cast<uInt>(block.data.size())));
        length = block.data.size();
        return std::nullopt;
    }

    // zlib's own words: the stream's message, or those of the code it returned.
    static Error deflateFailed(const z_stream* s, int code) {
        return Error::of(ErrorKind::EncodeFailed).saying(s->msg ? s->msg : zError(code));
    }

    // The first size bytes of the block, after its dictionary, into out.
    static std::optional<Error> deflateSpan(Deflater& deflater, const Setting& setting,
                                            const Block& block, std::size_t size,
                                            std::vector<std::uint8_t>& out) {
        z_stream* s = deflater.reset(setting.level, setting.strategy);
        if (!s) return Error::of(ErrorKind::OutOfMemory);
        if (!block.dictionary.empty()) {
            const int primed = deflateSetDictionary(s, block.dictionary.data(),
                                                    static_cast<uInt>(block.dictionary.size()));
            if (primed != Z_OK) return deflateFailed(s, primed);
        }
        out.resize(deflateBound(s, static_cast<uLong>(size)) + 16);
        s->next_in = const_cast<Bytef*>(block.data.data());
        s->avail_in = static_cast<uInt>(size);
        s->next_out = out.data();
        s->avail_out = static_cast<uInt>(out.size());
        for (;;) {
            if (deflate(s, Z_SYNC_FLUSH) == Z_STREAM_ERROR) return deflateFailed(s, Z_STREAM_ERROR);
            if (s->avail_out != 0) break;
            const std::size_t used = out.size();
            out.resize(used * 2);
            s->next_out = out.data() + used;
            s->avail_out = static_cast<uInt>(out.size() - used);
        }
        out.resize(out.size() - s->avail_out);
        return std::nullopt;
    }

    void wait() {
        std::unique_lock lock(mutex);
        finished.wait(lock, [&] { return done; });
    }
    bool isDone() {
        std::lock_guard lock(mutex);
        return done;
    }
};

ParallelDeflate::ParallelDeflate(std::vector<Setting> settings, Sink sink)
    : m_settings(std::make_shared<const std::vector<Setting>>(std::move(settings))),
      m_sink(std::move(sink)) {}

ParallelDeflate::~ParallelDeflate() {
    for (const auto& job : m_jobs) job->abandoned = true;
}

int ParallelDeflate::blocksInWork() {
    return 2 * workerCount() + 1;
}

int ParallelDeflate::workerCount() {
    return std::max(Workers::instance().count(), 1);
}

Result<void> ParallelDeflate::add(Prepare prepare) {
    if (m_error) return *m_error;
    auto job = std::make_shared<Job>();
    job->prepare = std::move(prepare);
    job->settings = m_settings;
    m_jobs.push_back(job);
    if (!Workers::instance().post([job] { job->run(); })) job->run();
    // Finished blocks go out at once, so their memory is given back early.
    while (m_jobs.size() > 1 && m_jobs.front()->isDone())
        if (auto drained = drain(m_jobs.size() - 1); !drained) return drained;
    return drain(static_cast<std::size_t>(blocksInWork()));
}

Result<void> ParallelDeflate::finish() {
    if (auto drained = drain(0); !drained) return drained;
    if (auto begun = begin(); !begun) return *(m_error = begun.error());
    // An empty last block of fixed codes, then the checksum, most significant byte first.
    const std::uint8_t end[] = {0x03,
                                0x00,
                                static_cast<std::uint8_t>(m_adler >> 24),
                                static_cast<std::uint8_t>(m_adler >> 16),
                                static_cast<std::uint8_t>(m_adler >> 8),
                                static_cast<std::uint8_t>(m_adler)};
    if (auto sunk = m_sink(end, sizeof end); !sunk) return *(m_error = sunk.error());
    return {};
}

Result<void> ParallelDeflate::begin() {
    if (m_started) return {};
    m_started = true;
    const Setting nominal = m_settings->empty() ? Setting{} : m_settings->front();
    const auto header = zlibHeader(nominal.level, nominal.strategy);
    return m_sink(header.data(), header.size());
}

Result<void> ParallelDeflate::drain(std::size_t keep) {
    while (m_jobs.size() > keep && !m_error) {
        const std::shared_ptr<Job> job = m_jobs.front();
        m_jobs.pop_front();
        job->wait();
        if (auto emitted = emit(*job); !emitted) m_error = emitted.error();
    }
    if (m_error) return *m_error;
    return {};
}

Result<void> ParallelDeflate::emit(Job& job) {
    if (job.error) return *job.error;
    if (auto begun = begin(); !begun) return begun;
    if (auto sunk = m_sink(job.out.data(), job.out.size()); !sunk) return sunk;
    m_adler = static_cast<std::uint32_t>(
        adler32_combine(m_adler, job.adler, static_cast<z_off_t>(job.length)));
    job.out = {};
    return {};
}

}  // namespace rimvista::files
