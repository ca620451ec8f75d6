#include "imageio/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <random>
#include <system_error>

namespace rimvista::files {

namespace {

namespace fs = std::filesystem;

std::string errorText(int error) {
    return std::error_code(error, std::generic_category()).message();
}

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

std::optional<std::string> AtomicFile::fail(const std::string& what, int error) {
    discard();
    m_failed = true;
    return what + ": " + errorText(error);
}

std::optional<std::string> AtomicFile::open() {
    if (m_fd >= 0 || m_failed) return "一時ファイルを作成できません: 二度目の open";
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
        return "一時ファイルを作成できません: " + errorText(error);
    }
    struct stat existing {};
    if (::stat(m_target.c_str(), &existing) == 0 && S_ISREG(existing.st_mode))
        ::fchmod(m_fd, existing.st_mode & 07777);
    return std::nullopt;
}

// Writes all of `size` bytes through `put` (write or pwrite), which may take them in parts.
template <typename Put>
std::optional<std::string> AtomicFile::writeAll(const void* data, std::size_t size, Put put) {
    if (m_fd < 0) return "書き込めません: ファイルが開いていません";
    const auto* p = static_cast<const char*>(data);
    std::uint64_t done = 0;
    while (size > 0) {
        const ssize_t n = put(p, size, done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return fail("書き込めません", errno);
        }
        if (n == 0) return fail("書き込めません", EIO);
        p += n;
        size -= static_cast<std::size_t>(n);
        done += static_cast<std::uint64_t>(n);
    }
    return std::nullopt;
}

std::optional<std::string> AtomicFile::write(const void* data, std::size_t size) {
    auto error = writeAll(data, size, [this](const char* p, std::size_t n, std::uint64_t) {
        const ssize_t written = ::write(m_fd, p, n);
        if (written > 0) m_written += static_cast<std::uint64_t>(written);
        return written;
    });
    if (error) return error;
    startWriteBack();
    return std::nullopt;
}

std::optional<std::string> AtomicFile::writeAt(std::uint64_t offset, const void* data,
                                               std::size_t size) {
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

std::optional<std::string> AtomicFile::commit() {
    if (m_fd < 0) return "書き込めません: ファイルが開いていません";
    if (::fsync(m_fd) != 0) return fail("ディスクに書き込めません", errno);
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0) return fail("ディスクに書き込めません", errno);
    if (::rename(m_tempPath.c_str(), m_target.c_str()) != 0)
        return fail("ファイルを置き換えられません", errno);
    m_tempPath.clear();
    syncFolder(folderOf(m_target));
    return std::nullopt;
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

std::optional<std::string> writeFileAtomically(const std::string& path, const void* data,
                                               std::size_t size) {
    AtomicFile file(path);
    if (auto error = file.open()) return error;
    if (auto error = file.write(data, size)) return error;
    return file.commit();
}

}  // namespace rimvista::files
