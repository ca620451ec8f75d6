#include "core/IniReplace.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <optional>

#include "core/UnnamedTemporaries.h"

namespace rimvista::ini {

namespace {

constexpr std::size_t kChunk = 64 * 1024;

std::atomic<void (*)(std::size_t)> g_chunkHook{nullptr};

Error failure(ErrorKind kind, int osError, const std::string& name) {
    return Error::of(kind, osError).saying(name);
}

Result<void> syncFolder(const std::string& folder) {
    Fd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!dir.ok()) return failure(ErrorKind::CannotOpen, errno, folder);
    // Some file systems cannot sync a folder; the rename is as durable as they allow.
    if (::fsync(dir.get()) != 0 && errno != EINVAL)
        return failure(ErrorKind::CannotWrite, errno, folder);
    return {};
}

std::string temporaryName(const std::string& target) {
    static std::atomic<unsigned> counter{0};
    return target + ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
}

int createTemporary(const std::string& target, std::string& name) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = temporaryName(target);
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

// A complete unnamed temporary gets a name only for the moment before the rename, so a writer
// killed while writing leaves nothing beside the settings file.
bool nameTemporary(int fd, const std::string& target, std::string& name) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = temporaryName(target);
        if (linkUnnamed(fd, name)) return true;
        if (errno != EEXIST) return false;
    }
    return false;
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

// Reserves the blocks for `size` bytes, holes included; on failure the file keeps its old size,
// since the C library's fallback for file systems without the call writes zeros past the end.
int reserve(int fd, off_t size, off_t oldSize) {
    if (size == 0) return 0;
    int r;
    do r = ::posix_fallocate(fd, 0, size);
    while (r == EINTR);
    if (r != 0) (void)!::ftruncate(fd, oldSize);
    return r;
}

// The new text complete in a temporary called `name`, written the old way: a writer killed
// while writing leaves the named temporary behind.
Result<void> prepareNamed(const std::string& target, std::string_view bytes,
                          const FileContents& original, std::string& name) {
    Fd tmp(createTemporary(target, name));
    if (!tmp.ok()) return failure(ErrorKind::CannotCreateTemporary, errno, target);
    const bool written = writeTemporary(tmp.get(), bytes, original);
    const int writeError = errno;
    if (!written || !tmp.close()) {
        const int error = written ? errno : writeError;
        ::unlink(name.c_str());
        return failure(ErrorKind::CannotWrite, error, target);
    }
    return {};
}

// The same through a temporary that is named only once complete, so that a writer killed while
// writing leaves nothing beside the settings file. Empty where this cannot be done here (no
// unnamed files on this file system, no way to link one).
std::optional<Result<void>> prepareUnnamed(const std::string& target, std::string_view bytes,
                                           const FileContents& original, std::string& name) {
    if (!unnamedTemporariesAllowed()) return std::nullopt;
    Fd tmp(::open(folderOf(target).c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666));
    if (!tmp.ok()) {
        // A folder that takes no new file is told as it would be for a named temporary.
        if (errno == EACCES || errno == EPERM || errno == EROFS)
            return failure(ErrorKind::CannotCreateTemporary, errno, target);
        return std::nullopt;
    }
    if (!writeTemporary(tmp.get(), bytes, original))
        return failure(ErrorKind::CannotWrite, errno, target);
    if (!nameTemporary(tmp.get(), target, name)) return std::nullopt;
    if (!tmp.close()) {
        const int error = errno;
        ::unlink(name.c_str());
        return failure(ErrorKind::CannotWrite, error, target);
    }
    return Result<void>{};
}

}  // namespace

Fd::~Fd() {
    if (m_fd >= 0) ::close(m_fd);
}

bool Fd::close() {
    const int fd = m_fd;
    m_fd = -1;
    return ::close(fd) == 0;
}

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

Result<void> replaceAtomically(const std::string& target, std::string_view bytes,
                               const FileContents& original) {
    std::string tmpName;
    std::optional<Result<void>> prepared = prepareUnnamed(target, bytes, original, tmpName);
    if (!prepared) prepared = prepareNamed(target, bytes, original, tmpName);
    if (!*prepared) return prepared->error();
    if (::rename(tmpName.c_str(), target.c_str()) != 0) {
        const int error = errno;
        ::unlink(tmpName.c_str());
        return failure(ErrorKind::CannotReplace, error, target);
    }
    return syncFolder(folderOf(target));
}

Result<void> rewriteInPlace(const std::string& target, std::string_view bytes) {
    // Read again rather than kept from before the edit: this way is rare, and the common one
    // then holds one copy of a large file less.
    const Result<FileContents> old = readRegularFile(target);
    if (!old) return old.error();
    const std::string_view original = old->bytes;
    Fd file(::open(target.c_str(), O_WRONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (!file.ok()) return failure(ErrorKind::CannotOpen, errno, target);
    const auto oldSize = static_cast<off_t>(original.size());
    const auto newSize = static_cast<off_t>(bytes.size());
    if (const int r = reserve(file.get(), newSize, oldSize); r != 0)
        return failure(ErrorKind::CannotWrite, r, target);
    // Not atomic, so as little as possible is written: the bytes before the first change stay.
    const auto from = static_cast<std::size_t>(
        std::mismatch(original.begin(), original.end(), bytes.begin(), bytes.end()).second -
        bytes.begin());
    const bool ok = ::lseek(file.get(), static_cast<off_t>(from), SEEK_SET) >= 0 &&
                    writeAll(file.get(), bytes.substr(from)) &&
                    ::ftruncate(file.get(), newSize) == 0 && ::fsync(file.get()) == 0;
    if (!ok) return failure(ErrorKind::CannotWrite, errno, target);
    if (!file.close()) return failure(ErrorKind::CannotWrite, errno, target);
    return {};
}

void setWriteChunkHookForTests(void (*hook)(std::size_t)) {
    g_chunkHook.store(hook);
}

}  // namespace rimvista::ini
