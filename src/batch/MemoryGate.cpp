#include "batch/MemoryGate.h"

#include <algorithm>

#include "imageio/CodecSupport.h"

namespace rimvista::batch {

void MemoryGate::acquire(std::uint64_t cost) {
    std::unique_lock lock(m_mutex);
    const std::uint64_t ticket = m_nextTicket++;
    m_changed.wait(
        lock, [&] { return ticket == m_serving && (m_held == 0 || m_held + cost <= m_budget); });
    ++m_serving;
    m_held += cost;
    m_peak = std::max(m_peak, m_held);
    lock.unlock();
    // The next in line may fit beside this one.
    m_changed.notify_all();
}

void MemoryGate::release(std::uint64_t cost) {
    {
        std::lock_guard lock(m_mutex);
        m_held -= std::min(cost, m_held);
    }
    m_changed.notify_all();
}

std::uint64_t MemoryGate::peak() const {
    std::lock_guard lock(m_mutex);
    return m_peak;
}

std::uint64_t memoryBudget(std::optional<std::uint64_t> megabytes) {
    if (megabytes) return *megabytes << 20;
    return files::availableMemory() / 4 * 3;
}

}  // namespace rimvista::batch
