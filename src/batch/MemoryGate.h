#pragma once
// Limits the memory held by pictures in work: a worker asks for what its picture will take
// before decoding and gives it back when the picture is written.

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>

namespace rimvista::batch {

class MemoryGate {
public:
    explicit MemoryGate(std::uint64_t budget) : m_budget(budget) {}

    // Waits until cost fits beside what is already held. Requests are served in the order they
    // come, so a large picture is not starved by a stream of small ones. A request larger than
    // the whole budget is served once nothing else is held: that picture is still processed,
    // alone, and only the machine itself can refuse its memory.
    void acquire(std::uint64_t cost);
    void release(std::uint64_t cost);

    std::uint64_t budget() const { return m_budget; }
    // The most held at one time so far.
    std::uint64_t peak() const;

private:
    const std::uint64_t m_budget;
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::uint64_t m_held = 0;
    std::uint64_t m_peak = 0;
    std::uint64_t m_nextTicket = 0;
    std::uint64_t m_serving = 0;
};

// The budget for a run: megabytes when given, otherwise three quarters of the available memory
// (the rest is left to the system and the other programs running).
std::uint64_t memoryBudget(std::optional<std::uint64_t> megabytes);

}  // namespace rimvista::batch
