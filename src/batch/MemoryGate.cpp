#include "batch/MemoryGate.h"

#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>

namespace rimvista::batch {

namespace {

constexpr std::uint64_t kFallbackBudget = std::uint64_t{1} << 30;

}  // namespace

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

std::optional<std::uint64_t> availableMemory() {
    std::ifstream meminfo("/proc/meminfo");
    std::string line;
    while (std::getline(meminfo, line)) {
        if (line.rfind("MemAvailable:", 0) != 0) continue;
        std::istringstream fields(line.substr(13));
        std::uint64_t kilobytes = 0;
        if (fields >> kilobytes) return kilobytes * 1024;
    }
    const long pages = ::sysconf(_SC_AVPHYS_PAGES);
    const long pageSize = ::sysconf(_SC_PAGESIZE);
    if (pages > 0 && pageSize > 0) return std::uint64_t(pages) * std::uint64_t(pageSize);
    return std::nullopt;
}

std::uint64_t memoryBudget(std::optional<std::uint64_t> megabytes) {
    if (megabytes) return *megabytes << 20;
    const auto available = availableMemory();
    return available ? *available / 4 * 3 : kFallbackBudget;
}

}  // namespace rimvista::batch
