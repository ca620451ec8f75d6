#include "imageio/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <random>

namespace rimvista::files {

namespace {

namespace fs = std::filesystem;

// A symbolic link stays a link: the file it points to is the one replaced.
std::string resolvedTarget(const std::string& target) {
    std::error_code ec;
    if (!fs::is_symlink(target, ec)) return target;
    fs::path real = fs::weakly_canonical(target, ec);
    return ec ? target : real.string();
}

std::string randomSuffix() {
    thread_local std::mt19937_64 rng{std::random_device{}()};
    char text[20];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(rng()));
    return text;
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

Result<void> AtomicFile::open() {
    if (m_fd >= 0 || m_failed) return Error::of(ErrorKind::FileNotOpen);
    const fs::path folder = folderOf(m_target);
    const std::string name = fs::path(m_target).filename().string();
    int error = 0;
    for (int attempt = 0; attempt < 16; ++attempt) {
        const std::string candidate =
            (folder / ("." + name + "." + randomSuffix() + ".tmp")).string();
        m_fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (m_fd >= 0) {
            m_tempPath = candidate;
            break;
        }
        error = errno;
        if (error != EEXIST) break;
    }
    if (m_fd < 0) {
        m_failed = true;
        return Error::of(ErrorKind::CannotCreateTemporary, error);
    }
    struct stat existing {};
    if (::stat(m_target.c_str(), &existing) == 0 && S_ISREG(existing.st_mode))
        ::fchmod(m_fd, existing.st_mode & 07777);
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

Result<void> AtomicFile::commit() {
    if (m_fd < 0) return Error::of(ErrorKind::FileNotOpen);
    if (::fsync(m_fd) != 0) return fail(ErrorKind::CannotSync, errno);
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0) return fail(ErrorKind::CannotSync, errno);
    if (::rename(m_tempPath.c_str(), m_target.c_str()) != 0)
        return fail(ErrorKind::CannotReplace, errno);
    m_tempPath.clear();
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
}

Result<void> writeFileAtomically(const std::string& path, const void* data, std::size_t size) {
    AtomicFile file(path);
    if (auto opened = file.open(); !opened) return opened;
    if (auto written = file.write(data, size); !written) return written;
    return file.commit();
}

}  // namespace rimvista::files
