#include "core/IniLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <utility>

#include "core/IniFileIo.h"

namespace rimvista::ini {

namespace {

// A folder only this user can write: anything else could be made to hold someone else's lock
// file, or a link in its place.
bool isPrivateFolder(const std::string& path) {
    struct stat st {};
    return !path.empty() && path.front() == '/' && ::lstat(path.c_str(), &st) == 0 &&
           S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() && (st.st_mode & 022) == 0;
}

std::string runtimeFolder() {
    const char* xdg = std::getenv("XDG_RUNTIME_DIR");
    if (xdg && isPrivateFolder(xdg)) return xdg;
    // Started without a session's environment (cron, su): where the session keeps it.
    const std::string usual = "/run/user/" + std::to_string(::geteuid());
    return isPrivateFolder(usual) ? usual : std::string();
}

std::uint64_t nameHash(std::string_view name) {
    std::uint64_t h = 14695981039346656037ull;  // FNV-1a
    for (char c : name) {
        h ^= static_cast<unsigned char>(c);
        h *= 1099511628211ull;
    }
    return h;
}

std::string baseNameOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

int openFolder(const std::string& target) {
    return ::open(folderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
}

int openLock(const std::string& target) {
    const std::string name = lockFileFor(target);
    if (!name.empty()) {
        const int fd = ::open(name.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd >= 0) return fd;
    }
    return openFolder(target);
}

// Earlier versions locked an empty "<settings>.lock" beside the file, which stayed there for
// good. Once nobody holds it any more it has no use and goes.
void removeEarlierLockFile(const std::string& target) {
    const std::string name = target + ".lock";
    const int fd = ::open(name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return;
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size == 0 &&
        st.st_uid == ::geteuid() && ::flock(fd, LOCK_EX | LOCK_NB) == 0)
        ::unlink(name.c_str());
    ::close(fd);
}

}  // namespace

std::string lockFileFor(const std::string& target) {
    const std::string runtime = runtimeFolder();
    struct stat folder {};
    if (runtime.empty() || ::stat(folderOf(target).c_str(), &folder) != 0) return {};
    char name[96];
    std::snprintf(name, sizeof name, "/rimvista-settings-%jx-%jx-%016jx.lock",
                  static_cast<std::uintmax_t>(folder.st_dev),
                  static_cast<std::uintmax_t>(folder.st_ino),
                  static_cast<std::uintmax_t>(nameHash(baseNameOf(target))));
    return runtime + name;
}

Result<SettingsLock> SettingsLock::acquire(const std::string& target,
                                           std::chrono::milliseconds patience) {
    SettingsLock lock(openLock(target));
    if (lock.m_fd < 0) return Error::of(ErrorKind::CannotOpen, errno).saying(target);
    const auto deadline = std::chrono::steady_clock::now() + patience;
    auto pause = std::chrono::microseconds(100);
    for (;;) {
        if (::flock(lock.m_fd, LOCK_EX | LOCK_NB) == 0) {
            removeEarlierLockFile(target);
            return lock;
        }
        if (errno != EWOULDBLOCK && errno != EINTR)
            return Error::of(ErrorKind::CannotOpen, errno).saying(target);
        if (std::chrono::steady_clock::now() >= deadline)
            return Error::of(ErrorKind::SettingsBusy).saying(target);
        std::this_thread::sleep_for(pause);
        pause = std::min(pause * 2, std::chrono::microseconds(5000));
    }
}

SettingsLock::SettingsLock(SettingsLock&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}

SettingsLock& SettingsLock::operator=(SettingsLock&& other) noexcept {
    if (this != &other) {
        if (m_fd >= 0) ::close(m_fd);
        m_fd = std::exchange(other.m_fd, -1);
    }
    return *this;
}

SettingsLock::~SettingsLock() {
    if (m_fd >= 0) ::close(m_fd);  // closing the last descriptor releases the lock
}

}  // namespace rimvista::ini
