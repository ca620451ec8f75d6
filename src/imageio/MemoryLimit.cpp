#include "imageio/MemoryLimit.h"

#include <algorithm>
#include <charconv>
#include <fstream>
#include <sstream>
#include <string>

namespace rimvista::files {

namespace {

namespace fs = std::filesystem;

// A limit this large is the kernel's way of saying "none" (version 1 writes a page-rounded
// LLONG_MAX).
constexpr std::uint64_t kNoLimit = std::uint64_t{1} << 62;

struct Layout {
    const char* limit;
    const char* usage;
    const char* reclaimable;  // the memory.stat key of the group's inactive file cache
};

constexpr Layout kVersion2{"memory.max", "memory.current", "inactive_file"};
constexpr Layout kVersion1{"memory.limit_in_bytes", "memory.usage_in_bytes", "total_inactive_file"};

std::optional<std::uint64_t> readNumber(const fs::path& file) {
    std::ifstream in(file);
    std::string text;
    if (!(in >> text)) return std::nullopt;
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;  // "max"
    return value;
}

std::uint64_t readStat(const fs::path& file, std::string_view key) {
    std::ifstream in(file);
    std::string name;
    std::uint64_t value = 0;
    while (in >> name >> value)
        if (name == key) return value;
    return 0;
}

// The tightest headroom of the groups from `base` down to base/`path`.
std::optional<std::uint64_t> headroomAlong(const fs::path& base, const fs::path& path,
                                           const Layout& layout) {
    std::optional<std::uint64_t> tightest;
    const auto visit = [&](const fs::path& dir) {
        const auto limit = readNumber(dir / layout.limit);
        if (!limit || *limit >= kNoLimit) return;
        std::uint64_t used = readNumber(dir / layout.usage).value_or(0);
        used -= std::min(used, readStat(dir / "memory.stat", layout.reclaimable));
        const std::uint64_t left = *limit > used ? *limit - used : 0;
        tightest = std::min(tightest.value_or(left), left);
    };
    fs::path dir = base;
    visit(dir);
    for (const fs::path& part : path) {
        if (part.empty() || part == ".") continue;
        if (part == "..") return std::nullopt;
        dir /= part;
        visit(dir);
    }
    return tightest;
}

}  // namespace

std::optional<std::uint64_t> cgroupHeadroom(const fs::path& cgroupRoot,
                                            std::string_view selfCgroup) {
    std::optional<std::uint64_t> tightest;
    const auto take = [&](const std::optional<std::uint64_t>& left) {
        if (left) tightest = std::min(tightest.value_or(*left), *left);
    };
    std::istringstream lines{std::string(selfCgroup)};
    std::string line;
    while (std::getline(lines, line)) {
        // id:controllers:path; version 2 is "0::path".
        const auto first = line.find(':');
        const auto second = first == std::string::npos ? first : line.find(':', first + 1);
        if (second == std::string::npos) continue;
        const std::string controllers = line.substr(first + 1, second - first - 1);
        const fs::path path = fs::path(line.substr(second + 1)).relative_path();
        if (controllers.empty()) {
            // Unified alone, or beside version 1 hierarchies in the hybrid layout.
            for (const fs::path& base : {cgroupRoot, cgroupRoot / "unified"})
                take(headroomAlong(base, path, kVersion2));
        } else {
            std::istringstream names(controllers);
            std::string name;
            while (std::getline(names, name, ','))
                if (name == "memory") take(headroomAlong(cgroupRoot / "memory", path, kVersion1));
        }
    }
    return tightest;
}

std::optional<std::uint64_t> cgroupHeadroom() {
    std::ifstream in("/proc/self/cgroup");
    std::stringstream text;
    text << in.rdbuf();
    return cgroupHeadroom("/sys/fs/cgroup", text.str());
}

}  // namespace rimvista::files
