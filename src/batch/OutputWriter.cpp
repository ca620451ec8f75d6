#include "batch/OutputWriter.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <random>
#include <system_error>

#include "files/PictureWriter.h"

namespace rimvista::batch {

namespace {

namespace fs = std::filesystem;

std::string errorText(int error) {
    return std::error_code(error, std::generic_category()).message();
}

std::optional<std::string> save(const PixelSurface& picture, const std::string& path,
                                OutputFormat format, int quality) {
    return format == OutputFormat::Bmp ? files::saveBmp(picture, path)
                                       : files::saveJpeg(picture, path, quality);
}

std::string temporaryName(const fs::path& target) {
    thread_local std::mt19937_64 rng{std::random_device{}()};
    char suffix[20];
    std::snprintf(suffix, sizeof suffix, "%016llx", static_cast<unsigned long long>(rng()));
    const fs::path folder = target.parent_path().empty() ? fs::path(".") : target.parent_path();
    return (folder / ("." + target.filename().string() + ".batch-" + suffix + ".tmp")).string();
}

void syncFolderOf(const std::string& path) {
    fs::path folder = fs::path(path).parent_path();
    if (folder.empty()) folder = ".";
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

// Moves from into to unless to exists: atomically where the file system supports it,
// otherwise by a hard link, which fails just the same on an existing name.
int moveWithoutReplacing(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
    if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) return errno;
    if (::link(from.c_str(), to.c_str()) != 0) return errno;
    ::unlink(from.c_str());
    return 0;
}

}  // namespace

bool outputTaken(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0;
}

std::optional<std::string> writeOutput(const PixelSurface& picture, const PictureJob& job,
                                       int quality, bool overwrite) {
    // The writers replace their target only once the new file is complete.
    if (overwrite) return save(picture, job.output, job.format, quality);

    const std::string temporary = temporaryName(job.output);
    if (auto error = save(picture, temporary, job.format, quality)) return error;
    if (const int error = moveWithoutReplacing(temporary, job.output); error != 0) {
        ::unlink(temporary.c_str());
        if (error == EEXIST) return job.output + " already exists (--overwrite replaces it)";
        return "cannot put the output in place: " + errorText(error);
    }
    syncFolderOf(job.output);
    return std::nullopt;
}

}  // namespace rimvista::batch
