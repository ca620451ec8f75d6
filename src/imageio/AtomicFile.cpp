#include "imageio/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <string_view>

#include "core/UnnamedTemporaries.h"
#include "imageio/TemporaryFiles.h"

namespace rimvista::files {

namespace {

namespace fs = std::filesystem;

// A symbolic link stays a link: the file it points to is the one replaced.
std::string resolvedTarget(const std::string& target) {
    std::error_code ec;
    if (target == kStandardOutput || !fs::is_symlink(target, ec)) return target;
    fs::path real = fs::weakly_canonical(target, ec);
    return ec ? target : real.string();
}

void syncFolder(const fs::path& folder) {
    // Makes the rename itself durable; some file systems refuse directory fsync, which is
    // harmless because the data is already in place.
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

fs::path folderOf(const std::string& target) {
    fs::path folder = fs::path(target).parent_path();
    return folder.empty() ? fs::path(".") : folder;
}

}  // namespace

AtomicFile::AtomicFile(std::string target) : m_target(resolvedTarget(target)) {}

AtomicFile::~AtomicFile() {
    discard();
}

Error AtomicFile::fail(ErrorKind kind, int error) {
    discard();
    m_failed = true;
    return Error::of(kind, error);
}

std::string AtomicFile::temporaryPath() const {
    if (!m_tempPath.empty() || m_fd < 0) return m_tempPath;
    return "/proc/self/fd/" + std::to_string(m_fd);
}

Result<void> AtomicFile::open() {
    if (m_fd >= 0 || m_failed) return Error::of(ErrorKind::FileNotOpen);
    m_toStandardOutput = m_target == kStandardOutput;
    std::error_code ec;
    const std::string folder =
        m_toStandardOutput ? fs::temp_directory_path(ec).string() : folderOf(m_target).string();
    if (auto opened = openIn(ec ? std::string("/tmp") : folder); !opened) {
        m_failed = true;
        return opened;
    }
    struct stat existing {};
    const bool replaces = ::stat(m_target.c_str(), &existing) == 0 && S_ISREG(existing.st_mode);
    m_mode = replaces ? existing.st_mode & 07777 : newFileMode();
    return {};
}

// Unnamed where the file system can (nothing to leave behind if the process dies); otherwise a
// name that tells a later run whose it is, listed for removal at a fatal signal. Only the owner
// may read it until it is complete: it may hold a picture its target's mode would not show.
Result<void> AtomicFile::openIn(const std::string& folder) {
    if (unnamedTemporariesAllowed()) {
        m_fd = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
        if (m_fd >= 0) return {};
    }
    const std::string name = m_toStandardOutput
                                 ? temporaryNameFor((fs::path(folder) / "rimvista").string())
                                 : temporaryNameFor(m_target);
    const NamingStep step;
    if (!step.allowed()) return Error::of(ErrorKind::CannotCreateTemporary, EINTR);
    if (!m_toStandardOutput) m_slot = listTemporary(name);
    m_fd = ::open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (m_fd < 0) {
        unlistTemporary(m_slot);
        m_slot = -1;
        return Error::of(ErrorKind::CannotCreateTemporary, errno);
    }
    if (m_toStandardOutput) {
        ::unlink(name.c_str());
    } else {
        m_tempPath = name;
    }
    return {};
}

// Writes all of `size` bytes through `put` (write or pwrite), which may take them in parts.
template <typename Put>
Result<void> AtomicFile::writeAll(const void* data, std::size_t size, Put put) {
    if (m_fd < 0) return Error::of(ErrorKind::FileNotOpen);
    const auto* p = static_cast<const char*>(data);
    std::uint64_t done = 0;
    while (size > 0) {
        const ssize_t n = put(p, size, done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return fail(ErrorKind::CannotWrite, errno);
        }
        if (n == 0) return fail(ErrorKind::CannotWrite, EIO);
        p += n;
        size -= static_cast<std::size_t>(n);
        done += static_cast<std::uint64_t>(n);
    }
    return {};
}

Result<void> AtomicFile::write(const void* data, std::size_t size) {
    auto written = writeAll(data, size, [this](const char* p, std::size_t n, std::uint64_t) {
        const ssize_t count = ::write(m_fd, p, n);
        if (count > 0) m_written += static_cast<std::uint64_t>(count);
        return count;
    });
    if (!written) return written;
    startWriteBack();
    return {};
}

Result<void> AtomicFile::writeAt(std::uint64_t offset, const void* data, std::size_t size) {
    return writeAll(data, size, [&](const char* p, std::size_t n, std::uint64_t done) {
        return ::pwrite(m_fd, p, n, static_cast<off_t>(offset + done));
    });
}

void AtomicFile::startWriteBack() {
    // Lets the disk work while the caller prepares the next bytes, so the final fsync has
    // little left to wait for. Only a hint: failures are caught by fsync.
    constexpr std::uint64_t kBatch = std::uint64_t{8} << 20;
    if (m_written - m_flushStart < kBatch) return;
#ifdef SYNC_FILE_RANGE_WRITE
    ::sync_file_range(m_fd, static_cast<off_t>(m_flushStart),
                      static_cast<off_t>(m_written - m_flushStart), SYNC_FILE_RANGE_WRITE);
#endif
    m_flushStart = m_written;
}

// Gives a complete unnamed temporary a name beside its target, so that it can be renamed over
// the target (a link cannot replace a file).
Result<void> AtomicFile::nameTemporary() {
    const std::string name = temporaryNameFor(m_target);
    const NamingStep step;
    if (!step.allowed()) return fail(ErrorKind::CannotReplace, EINTR);
    m_slot = listTemporary(name);
    if (!linkUnnamed(m_fd, name)) return fail(ErrorKind::CannotReplace, errno);
    m_tempPath = name;
    return {};
}

Result<void> AtomicFile::copyToStandardOutput() {
    char buffer[1 << 16];
    for (off_t at = 0;;) {
        const ssize_t n = ::pread(m_fd, buffer, sizeof buffer, at);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return fail(ErrorKind::ResultNotReadBack, errno);
        if (n == 0) break;
        at += n;
        for (ssize_t sent = 0; sent < n;) {
            const ssize_t put =
                ::write(STDOUT_FILENO, buffer + sent, static_cast<std::size_t>(n - sent));
            if (put < 0 && errno == EINTR) continue;
            if (put <= 0) return fail(ErrorKind::StandardOutputFailed, put < 0 ? errno : EIO);
            sent += put;
        }
    }
    discard();
    return {};
}

Result<void> AtomicFile::commit() {
    if (m_fd < 0) return Error::of(ErrorKind::FileNotOpen);
    if (m_toStandardOutput) return copyToStandardOutput();
    if (::fsync(m_fd) != 0) return fail(ErrorKind::CannotSync, errno);
    // The mode the file is to have, now that it is complete. File systems without modes (FAT)
    // refuse it, harmlessly.
    ::fchmod(m_fd, static_cast<mode_t>(m_mode));
    if (m_tempPath.empty()) {
        if (auto named = nameTemporary(); !named) return named;
    }
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0) return fail(ErrorKind::CannotSync, errno);
    {
        // The target may itself be a listed temporary (a caller's own).
        const NamingStep step;
        if (!step.allowed()) return fail(ErrorKind::CannotReplace, EINTR);
        if (::rename(m_tempPath.c_str(), m_target.c_str()) != 0)
            return fail(ErrorKind::CannotReplace, errno);
    }
    m_tempPath.clear();
    unlistTemporary(m_slot);
    m_slot = -1;
    syncFolder(folderOf(m_target));
    return {};
}

void AtomicFile::discard() {
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (!m_tempPath.empty()) {
        ::unlink(m_tempPath.c_str());
        m_tempPath.clear();
    }
    unlistTemporary(m_slot);
    m_slot = -1;
}

Result<void> writeFileAtomically(const std::string& path, const void* data, std::size_t size) {
    AtomicFile file(path);
    if (auto opened = file.open(); !opened) return opened;
    if (auto written = file.write(data, size); !written) return written;
    return file.commit();
}

}  // namespace rimvista::files
