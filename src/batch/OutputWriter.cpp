#include "batch/OutputWriter.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <random>
#include <system_error>

#include "batch/Messages.h"
#include "imageio/FrameStream.h"
#include "imageio/PictureWriter.h"

namespace rimvista::batch {

namespace {

namespace fs = std::filesystem;

std::string errorText(int error) {
    return std::error_code(error, std::generic_category()).message();
}

// The BMP writer always states 96 dpi; a picture's own density replaces that.
std::optional<std::string> setBmpDensity(const std::string& path, const files::Density& d) {
    if (d.unit == files::Density::Unit::AspectOnly) return std::nullopt;
    const double perMetre = d.unit == files::Density::Unit::PerInch ? 1 / 0.0254 : 100.0;
    unsigned char field[8];
    const auto put = [&](int at, double v) {
        const auto n = static_cast<std::uint32_t>(std::lround(v * perMetre));
        for (int i = 0; i < 4; ++i) field[at + i] = static_cast<unsigned char>(n >> (8 * i));
    };
    put(0, d.x);
    put(4, d.y);
    const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) return "書き込めません: " + errorText(errno);
    const bool ok = ::pwrite(fd, field, sizeof field, 38) == sizeof field && ::fsync(fd) == 0;
    const int error = errno;
    ::close(fd);
    return ok ? std::nullopt : std::optional<std::string>("書き込めません: " + errorText(error));
}

std::optional<std::string> save(const PixelSurface& picture, const std::string& path,
                                OutputFormat format, const Encoding& e) {
    switch (format) {
        case OutputFormat::Bmp:
            if (auto error = files::saveBmp(picture, path)) return error;
            if (e.extras.metadata.density) return setBmpDensity(path, *e.extras.metadata.density);
            return std::nullopt;
        case OutputFormat::Png:
            return files::savePng(picture, path, e.extras);
        case OutputFormat::Jpg:
            break;
    }
    return files::saveJpegWith(picture, path, e.quality, e.sampling, e.extras.metadata);
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

// A link given as the output stays a link: the file it points to is the one replaced.
std::string replacedFile(const std::string& path) {
    std::error_code ec;
    if (!fs::is_symlink(path, ec)) return path;
    const fs::path real = fs::weakly_canonical(path, ec);
    return ec ? path : real.string();
}

std::optional<std::string> copyToStandardOutput(const std::string& path) {
    std::FILE* in = std::fopen(path.c_str(), "rb");
    if (!in)
        return say("cannot read back the result: ", "結果を読み戻せません: ") + errorText(errno);
    char buffer[1 << 16];
    bool ok = true;
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, in)) > 0;)
        ok = ok && std::fwrite(buffer, 1, n, stdout) == n;
    std::fclose(in);
    ok = std::fflush(stdout) == 0 && ok;
    if (!ok)
        return say("cannot write to standard output: ", "標準出力に書けません: ") +
               errorText(errno);
    return std::nullopt;
}

std::string cannotWrite(const PictureJob& job, const std::string& reason) {
    const std::string folder = fs::path(job.output).parent_path().string();
    return say(
        "cannot write " + job.output + ": " + fileReason(reason) + " (check that the folder " +
            (folder.empty() ? "." : folder) + " can be written and has room)",
        job.output + " に保存できません: " + reason + " (フォルダー " +
            (folder.empty() ? "." : folder) + " に書き込めるか、空きがあるか確かめてください)");
}

}  // namespace

bool outputTaken(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0;
}

std::optional<std::string> writeOutput(const PixelSurface& picture, const PictureJob& job,
                                       const Encoding& encoding, bool overwrite) {
    return writeOutputWith(job, overwrite, [&](const std::string& path) {
        return save(picture, path, job.format, encoding);
    });
}

files::StreamFormat streamFormatOf(OutputFormat format) {
    switch (format) {
        case OutputFormat::Bmp:
            return files::StreamFormat::Bmp;
        case OutputFormat::Png:
            return files::StreamFormat::Png;
        case OutputFormat::Jpg:
            break;
    }
    return files::StreamFormat::Jpeg;
}

std::optional<std::string> saveStreamed(files::RowReader& reader,
                                        const std::vector<PaintedFrame>& frames,
                                        const std::string& path, OutputFormat format,
                                        const Encoding& e, bool& readFailed) {
    files::StreamOptions options;
    options.format = streamFormatOf(format);
    options.quality = e.quality;
    options.sampling = e.sampling;
    options.metadata = &e.extras.metadata;
    options.grey = e.extras.grey;
    options.alpha = e.rowAlpha;
    const files::StreamOutcome outcome = files::streamFramePicture(reader, path, frames, options);
    readFailed = !outcome.written() && !outcome.writing;
    if (!outcome.written()) return outcome.error;
    if (format == OutputFormat::Bmp && e.extras.metadata.density)
        return setBmpDensity(path, *e.extras.metadata.density);
    return std::nullopt;
}

std::optional<std::string> writeOutputWith(const PictureJob& job, bool overwrite,
                                           const Saver& save) {
    if (job.output == "-") {
        std::error_code ec;
        const fs::path folder = fs::temp_directory_path(ec);
        const std::string temporary = temporaryName((ec ? fs::path(".") : folder) /
                                                    ("rimvista-batch" + extensionFor(job.format)));
        if (auto error = save(temporary)) {
            ::unlink(temporary.c_str());
            return say("cannot write the result: ", "結果を書けません: ") + fileReason(*error);
        }
        auto error = copyToStandardOutput(temporary);
        ::unlink(temporary.c_str());
        return error;
    }

    std::error_code ec;
    const fs::path parent = fs::path(job.output).parent_path();
    if (!parent.empty()) fs::create_directories(parent, ec);

    const std::string temporary = temporaryName(job.output);
    if (auto error = save(temporary)) {
        ::unlink(temporary.c_str());
        return cannotWrite(job, *error);
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
            return say(job.output +
                           " already exists (--overwrite replaces it, --skip-existing "
                           "leaves it)",
                       job.output +
                           " は既にあります (--overwrite で置き換え、--skip-existing で"
                           "そのままにします)");
        return cannotWrite(job, "ファイルを置き換えられません: " + errorText(error));
    }
    syncFolderOf(target);
    return std::nullopt;
}

}  // namespace rimvista::batch
