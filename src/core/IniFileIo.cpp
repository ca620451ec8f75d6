#include "core/IniFileIo.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <thread>
#include <utility>

#include "core/IniText.h"

namespace rimvista::ini {

namespace {

constexpr std::size_t kChunk = 64 * 1024;
constexpr auto kLockPatience = std::chrono::seconds(10);

std::atomic<void (*)(std::size_t)> g_chunkHook{nullptr};

class Fd {
public:
    explicit Fd(int fd) : m_fd(fd) {}
    ~Fd() {
        if (m_fd >= 0) ::close(m_fd);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return m_fd; }
    bool ok() const { return m_fd >= 0; }
    bool close() {
        const int fd = m_fd;
        m_fd = -1;
        return ::close(fd) == 0;
    }

private:
    int m_fd;
};

std::string folderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// A symbolic link stays a link: the file it points to is the one replaced.
std::string resolvedTarget(const std::string& path) {
    char buf[PATH_MAX];
    if (::realpath(path.c_str(), buf) != nullptr) return buf;
    return path;
}

bool syncFolder(const std::string& folder) {
    Fd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!dir.ok()) return false;
    // Some file systems cannot sync a folder; the rename is as durable as they allow.
    return ::fsync(dir.get()) == 0 || errno == EINVAL;
}

// The lock lives on a file of its own: the settings file's inode changes with every rename, so a
// lock on it would not exclude a writer that opened the file after the rename. In a folder the
// user cannot write, no lock file can be made and no rename can happen, so there the settings
// file itself carries the lock (see rewriteInPlace).
class LockFile {
public:
    explicit LockFile(const std::string& target) : m_fd(openLock(target)) {
        if (!m_fd.ok()) return;
        const auto deadline = std::chrono::steady_clock::now() + kLockPatience;
        auto pause = std::chrono::microseconds(100);
        while (!m_held) {
            m_held = ::flock(m_fd.get(), LOCK_EX | LOCK_NB) == 0;
            if (m_held || (errno != EWOULDBLOCK && errno != EINTR)) break;
            if (std::chrono::steady_clock::now() > deadline) break;
            std::this_thread::sleep_for(pause);
            pause = std::min(pause * 2, std::chrono::microseconds(5000));
        }
    }
    bool held() const { return m_held; }

private:
    static int openLock(const std::string& target) {
        const std::string name = target + ".lock";
        int fd = ::open(name.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
        if (fd < 0 && (errno == EACCES || errno == EPERM || errno == EROFS))
            fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);  // made by another user
        if (fd < 0 && (errno == EACCES || errno == EPERM || errno == EROFS || errno == ENOENT))
            fd = ::open(target.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
        return fd;
    }

    Fd m_fd;  // closing it releases the lock
    bool m_held = false;
};

bool writeAll(int fd, std::string_view bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const std::size_t n = std::min(kChunk, bytes.size() - done);
        const ssize_t w = ::write(fd, bytes.data() + done, n);
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) return false;
        done += static_cast<std::size_t>(w);
        if (auto hook = g_chunkHook.load()) hook(done);
    }
    return true;
}

int createTemporary(const std::string& target, std::string& name) {
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = target + ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

bool writeTemporary(int fd, std::string_view bytes, const FileContents& original) {
    if (original.exists) {
        if (::fchmod(fd, original.mode & 07777) != 0) return false;
        // Only the owner of the old file or root gets here with a different owner; keep it.
        struct stat st {};
        if (::fstat(fd, &st) == 0 && (st.st_uid != original.owner || st.st_gid != original.group))
            (void)!::fchown(fd, original.owner, original.group);
    }
    return writeAll(fd, bytes) && ::fsync(fd) == 0;
}

enum class Replaced { Done, NoTemporary, Failed };

Replaced replaceAtomically(const std::string& target, std::string_view bytes,
                           const FileContents& original) {
    std::string tmpName;
    Fd tmp(createTemporary(target, tmpName));
    if (!tmp.ok())
        return errno == EACCES || errno == EPERM ? Replaced::NoTemporary : Replaced::Failed;
    const bool written = writeTemporary(tmp.get(), bytes, original) && tmp.close();
    if (!written || ::rename(tmpName.c_str(), target.c_str()) != 0) {
        ::unlink(tmpName.c_str());
        return Replaced::Failed;
    }
    return syncFolder(folderOf(target)) ? Replaced::Done : Replaced::Failed;
}

// For a writable file in a folder that cannot take a temporary file: the file is rewritten where
// it stands. Not atomic, but the only way such a file can be written at all; the lock still
// keeps two copies of the program apart, and the data is on the disk before this returns.
bool rewriteInPlace(const std::string& target, std::string_view bytes) {
    Fd file(::open(target.c_str(), O_WRONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (!file.ok()) return false;
    return writeAll(file.get(), bytes) &&
           ::ftruncate(file.get(), static_cast<off_t>(bytes.size())) == 0 &&
           ::fsync(file.get()) == 0 && file.close();
}

// Read-only bits count even for root, as a read-only settings file is meant to stay unchanged.
bool isWritable(const std::string& path, const FileContents& file) {
    return (file.mode & 0222) != 0 && ::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) == 0;
}

}  // namespace

std::optional<FileContents> readRegularFile(const std::string& path) {
    FileContents file;
    // Non-blocking so that a settings path naming a pipe cannot hang the program.
    Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (!fd.ok()) {
        if (errno == ENOENT) return file;
        return std::nullopt;
    }
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
    file.exists = true;
    file.mode = st.st_mode;
    file.owner = st.st_uid;
    file.group = st.st_gid;
    file.bytes.resize(static_cast<std::size_t>(st.st_size) + 1);
    std::size_t used = 0;
    for (;;) {
        if (used == file.bytes.size()) file.bytes.resize(file.bytes.size() * 2);
        const ssize_t r = ::read(fd.get(), file.bytes.data() + used, file.bytes.size() - used);
        if (r < 0 && errno == EINTR) continue;
        if (r < 0) return std::nullopt;
        if (r == 0) break;
        used += static_cast<std::size_t>(r);
    }
    file.bytes.resize(used);
    return file;
}

bool updateFile(const std::string& path, const TextEdit& edit) {
    if (path.empty()) return false;
    const std::string target = resolvedTarget(path);
    LockFile lock(target);
    if (!lock.held()) return false;
    auto current = readRegularFile(target);
    if (!current || (current->exists && !isWritable(target, *current))) return false;

    const DecodedText text = decodeFileText(std::move(current->bytes));
    const auto edited = edit(text.utf8);
    // A legacy file is rewritten even when the text is the same, so that it becomes UTF-8.
    if (!edited || (!text.wasLegacy && *edited == text.utf8)) return true;
    switch (replaceAtomically(target, *edited, *current)) {
        case Replaced::Done:
            return true;
        case Replaced::NoTemporary:
            return current->exists && rewriteInPlace(target, *edited);
        case Replaced::Failed:
            return false;
    }
    return false;
}

bool syncToDisk(const std::string& path) {
    if (path.empty()) return false;
    const std::string target = resolvedTarget(path);
    Fd file(::open(target.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (file.ok() && ::fsync(file.get()) != 0) return false;
    if (!file.ok() && errno != ENOENT) return false;
    return syncFolder(folderOf(target));
}

void setWriteChunkHookForTests(void (*hook)(std::size_t)) {
    g_chunkHook.store(hook);
}

}  // namespace rimvista::ini
