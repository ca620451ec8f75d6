#pragma once
// What the user sees while pictures are framed: a bar redrawn in place on a terminal, one plain
// line per picture otherwise (a log file stays readable), nothing but failures when quiet.
// Failures are always reported, each on its own line with the picture's name. Thread-safe.

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>

namespace rimvista::batch {

class Progress {
public:
    enum class Mode { Bar, Lines, Quiet };

    Progress(std::size_t total, Mode mode, std::FILE* out = stderr);
    ~Progress();
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;

    void started(const std::string& name);
    void succeeded(const std::string& name, const std::string& output);
    void failed(const std::string& name, const std::string& reason);
    // The output was there already and is left as it was (--skip-existing).
    void kept(const std::string& name, const std::string& output);
    // Leaves the last state of the bar on its own line; call before printing anything else.
    void finish();

    std::size_t succeededCount() const;
    std::size_t failedCount() const;

private:
    void redrawLocked();
    std::size_t done() const { return m_succeeded + m_failed + m_kept; }
    void tick();

    const std::size_t m_total;
    const Mode m_mode;
    std::FILE* const m_out;
    const std::chrono::steady_clock::time_point m_start = std::chrono::steady_clock::now();
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::size_t m_succeeded = 0;
    std::size_t m_failed = 0;
    std::size_t m_kept = 0;
    std::string m_current;
    bool m_finished = false;
    std::thread m_ticker;  // bar mode: keeps the elapsed time moving during long pictures
};

}  // namespace rimvista::batch
