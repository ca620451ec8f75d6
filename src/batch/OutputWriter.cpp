#include "batch/OutputWriter.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "batch/Messages.h"
#include "imageio/AtomicFile.h"
#include "imageio/FrameStream.h"
#include "imageio/TemporaryFiles.h"

namespace rimvista::batch {

namespace {

namespace fs = std::filesystem;

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

// A link given as the output stays a link: the file it points to is the one replaced.
std::string replacedFile(const std::string& path) {
    std::error_code ec;
    if (!fs::is_symlink(path, ec)) return path;
    const fs::path real = fs::weakly_canonical(path, ec);
    return ec ? path : real.string();
}

std::string cannotWrite(const PictureJob& job, const Error& error) {
    const std::string folder = fs::path(job.output).parent_path().string();
    const std::string reason = describe(error);
    return say("cannot write " + job.output + ": " + reason + " (check that the folder " +
                   (folder.empty() ? "." : folder) + " can be written and has room)",
               job.output + " に保存できません: " + reason + " (フォルダー " +
                   (folder.empty() ? "." : folder) +
                   " に書き込めるか、空きがあるか確かめてください)");
}

}  // namespace

namespace {

class TemporaryListing {
public:
    explicit TemporaryListing(const std::string& path) : m_slot(files::listTemporary(path)) {}
    ~TemporaryListing() { files::unlistTemporary(m_slot); }
    TemporaryListing(const TemporaryListing&) = delete;
    TemporaryListing& operator=(const TemporaryListing&) = delete;

private:
    int m_slot;
};

}  // namespace

std::string cannotWriteText(const PictureJob& job, int error) {
    return cannotWrite(job, Error::of(ErrorKind::CannotCreateTemporary, error));
}

bool outputTaken(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0;
}

std::optional<std::string> writeOutput(const PixelSurface& picture, const PictureJob& job,
                                       const Encoding& encoding, bool overwrite) {
    return writeOutputWith(job, overwrite, [&](const std::string& path) {
        return files::pictureFormat(job.format).write(picture, path, encoding.forWriting());
    });
}

Result<void> saveStreamed(files::RowReader& reader, const std::vector<PaintedFrame>& frames,
                          const std::string& path, files::FormatId format, const Encoding& e,
                          bool& readFailed) {
    files::StreamOptions options;
    options.format = format;
    options.encoding = e.forWriting();
    const files::StreamOutcome outcome = files::streamFramePicture(reader, path, frames, options);
    readFailed = !outcome.written() && !outcome.writing;
    if (!outcome.written()) return outcome.error;
    return {};
}

std::optional<std::string> writeOutputWith(const PictureJob& job, bool overwrite,
                                           const Saver& save) {
    if (job.output == "-") {
        if (auto saved = save(files::kStandardOutput); !saved)
            return say("cannot write the result: ", "結果を書けません: ") + describe(saved.error());
        return std::nullopt;
    }

    std::error_code ec;
    const fs::path parent = fs::path(job.output).parent_path();
    if (!parent.empty()) fs::create_directories(parent, ec);
    // The folder's own reason: the temporary's "no such file" would hide it.
    if (ec)
        return cannotWrite(
            job, Error::of(ErrorKind::OutputFolderNotMade, ec.value()).naming({parent.string()}));

    const std::string temporary = files::temporaryNameFor(job.output);
    // Listed before it exists: a fatal signal may come at any moment of the save.
    const TemporaryListing listing(temporary);
    if (auto saved = save(temporary); !saved) {
        ::unlink(temporary.c_str());
        return cannotWrite(job, saved.error());
    }
    const std::string target = overwrite ? replacedFile(job.output) : job.output;
    // A replaced file keeps its permissions.
    struct stat existing {};
    if (overwrite && ::stat(target.c_str(), &existing) == 0 && S_ISREG(existing.st_mode))
        ::chmod(temporary.c_str(), existing.st_mode & 07777);
    const int error = overwrite ? (::rename(temporary.c_str(), target.c_str()) == 0 ? 0 : errno)
                                : moveWithoutReplacing(temporary, target);
    if (error != 0) {
        ::unlink(temporary.c_str());
        if (error == EEXIST)
            return describe(Error::of(ErrorKind::OutputExists).naming({job.output}));
        return cannotWrite(job, Error::of(ErrorKind::CannotReplace, error));
    }
    syncFolderOf(target);
    return std::nullopt;
}

}  // namespace rimvista::batch
