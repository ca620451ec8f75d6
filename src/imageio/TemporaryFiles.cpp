#include "imageio/TemporaryFiles.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string_view>

namespace rimvista::files {

namespace {

namespace fs = std::filesystem;

// ".NAME.rvtmp-PID-RANDOM@HOST": the owner's process id is what lets a later run judge the file,
// and only a run on the same machine can judge it: a folder shared between machines (a run split
// with --shard) holds other machines' temporaries, whose owners this machine cannot see.
constexpr std::string_view kMarker = ".rvtmp-";

const std::string& hostName() {
    static const std::string name = [] {
        char text[256] = {};
        if (::gethostname(text, sizeof text - 1) != 0 || text[0] == '\0') return std::string("-");
        std::string host(text);
        for (char& c : host)
            if (c == '/' || c == '@') c = '_';
        return host;
    }();
    return name;
}

std::string randomHex() {
    thread_local std::mt19937_64 rng{std::random_device{}()};
    char text[20];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(rng()));
    return text;
}

// The owner named in a temporary's file name, or 0 when the name is not one of ours.
pid_t ownerOf(std::string_view name) {
    if (name.size() < 2 || name[0] != '.') return 0;
    const std::size_t marker = name.rfind(kMarker);
    if (marker == std::string_view::npos || marker == 0) return 0;
    std::string_view rest = name.substr(marker + kMarker.size());
    const std::size_t at = rest.find('@');
    if (at == std::string_view::npos || rest.substr(at + 1) != hostName()) return 0;
    rest = rest.substr(0, at);
    const std::size_t dash = rest.find('-');
    if (dash == 0 || dash == std::string_view::npos || rest.size() - dash - 1 != 16) return 0;
    pid_t pid = 0;
    for (char c : rest.substr(0, dash)) {
        if (c < '0' || c > '9' || pid > 100000000) return 0;
        pid = pid * 10 + (c - '0');
    }
    for (char c : rest.substr(dash + 1))
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return 0;
    return pid;
}

bool isHex16(std::string_view text) {
    return text.size() == 16 &&
           text.find_first_not_of("0123456789abcdef") == std::string_view::npos;
}

// Earlier versions of rimvista-batch wrote ".NAME.batch-HEX.tmp" through a second temporary
// "..NAME.batch-HEX.tmp.HEX.tmp" and recorded no owner, so only a long silence tells that
// nobody is writing one any more.
bool earlierVersionsTemporary(std::string_view name) {
    constexpr std::string_view kTail = ".tmp";
    if (name.starts_with("..") && name.ends_with(kTail) && name.size() > 22 &&
        name[name.size() - 21] == '.' && isHex16(name.substr(name.size() - 20, 16)))
        name.remove_suffix(21);
    const std::size_t batch = name.rfind(".batch-");
    return name.size() > 1 && name[0] == '.' && batch != std::string_view::npos && batch > 1 &&
           name.ends_with(kTail) && batch + 7 + 16 + kTail.size() == name.size() &&
           isHex16(name.substr(batch + 7, 16));
}

bool untouchedForAnHour(int folder, const char* name) {
    struct stat info {};
    return ::fstatat(folder, name, &info, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(info.st_mode) &&
           ::time(nullptr) - info.st_mtime > 3600;
}

bool processGone(pid_t pid) {
    return pid != ::getpid() && ::kill(pid, 0) != 0 && errno == ESRCH;
}

struct Slot {
    std::atomic<bool> used{false};
    std::atomic<bool> ready{false};
    char path[4096]{};
};
std::array<Slot, 256> g_slots;
std::atomic<int> g_stepsUnderWay{0};
std::atomic<bool> g_closing{false};

}  // namespace

std::string temporaryNameFor(const std::string& target) {
    const fs::path path(target);
    const fs::path folder = path.parent_path().empty() ? fs::path(".") : path.parent_path();
    // The target's name only helps a reader see whose temporary it is; cut, it leaves room for
    // the rest within the 255 bytes a file name may have.
    std::string name = "." + path.filename().string().substr(0, 100);
    name.append(kMarker).append(std::to_string(::getpid())).append("-").append(randomHex());
    name.append("@").append(hostName());
    return (folder / name).string();
}

int removeStaleTemporaries(const std::string& folder) {
    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (!dir) return 0;
    int removed = 0;
    while (const dirent* entry = ::readdir(dir)) {
        const pid_t owner = ownerOf(entry->d_name);
        const bool stale = owner > 0 ? processGone(owner)
                                     : earlierVersionsTemporary(entry->d_name) &&
                                           untouchedForAnHour(::dirfd(dir), entry->d_name);
        if (!stale) continue;
        if (::unlinkat(::dirfd(dir), entry->d_name, 0) == 0) ++removed;
    }
    ::closedir(dir);
    return removed;
}

mode_t newFileMode() {
    // Read rather than set: umask() would change it for every thread for a moment.
    static const mode_t mask = [] {
        std::ifstream status("/proc/self/status");
        for (std::string line; std::getline(status, line);)
            if (line.rfind("Umask:", 0) == 0)
                return static_cast<mode_t>(std::strtol(line.c_str() + 6, nullptr, 8));
        return static_cast<mode_t>(022);
    }();
    return 0666 & ~mask;
}

int listTemporary(const std::string& path) {
    if (path.size() >= sizeof(Slot::path)) return -1;
    for (std::size_t i = 0; i < g_slots.size(); ++i) {
        Slot& slot = g_slots[i];
        bool expected = false;
        if (!slot.used.compare_exchange_strong(expected, true)) continue;
        std::memcpy(slot.path, path.c_str(), path.size() + 1);
        slot.ready.store(true, std::memory_order_release);
        return static_cast<int>(i);
    }
    return -1;
}

void unlistTemporary(int slot) {
    if (slot < 0 || slot >= static_cast<int>(g_slots.size())) return;
    g_slots[static_cast<std::size_t>(slot)].ready.store(false, std::memory_order_release);
    g_slots[static_cast<std::size_t>(slot)].used.store(false, std::memory_order_release);
}

NamingStep::NamingStep() {
    ++g_stepsUnderWay;
    m_allowed = !g_closing.load();
}

NamingStep::~NamingStep() {
    --g_stepsUnderWay;
}

void removeListedTemporaries() {
    g_closing = true;
    // Bounded: the handler may have interrupted a step on its own thread.
    const timespec pause{0, 1000000};
    for (int waited = 0; g_stepsUnderWay.load() > 0 && waited < 200; ++waited)
        ::nanosleep(&pause, nullptr);
    for (Slot& slot : g_slots)
        if (slot.ready.load(std::memory_order_acquire)) ::unlink(slot.path);
}

}  // namespace rimvista::files
