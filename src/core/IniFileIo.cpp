#include "core/IniFileIo.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <utility>

#include "core/IniLock.h"
#include "core/IniReplace.h"
#include "core/IniText.h"

namespace rimvista::ini {

namespace {

constexpr int kMaxLinks = 40;  // as the kernel's own limit on a path's links

// Read-only bits count even for root, as a read-only settings file is meant to stay unchanged.
bool isWritable(const std::string& path, const FileContents& file) {
    return (file.mode & 0222) != 0 && ::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) == 0;
}

bool isPermissionError(const Error& e) {
    return e.kind == ErrorKind::CannotCreateTemporary &&
           (e.osError == EACCES || e.osError == EPERM);
}

}  // namespace

std::string folderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

Result<std::string> settingsTarget(const std::string& path) {
    std::string current = path;
    for (int links = 0; links <= kMaxLinks; ++links) {
        struct stat st {};
        if (::lstat(current.c_str(), &st) != 0) {
            if (errno == ENOENT) return current;  // the file to make, where the link points
            return Error::of(ErrorKind::CannotOpen, errno).saying(path);
        }
        if (!S_ISLNK(st.st_mode)) return current;
        char buf[PATH_MAX];
        const ssize_t n = ::readlink(current.c_str(), buf, sizeof buf);
        if (n <= 0 || n == static_cast<ssize_t>(sizeof buf))
            return Error::of(ErrorKind::CannotOpen, n < 0 ? errno : ENAMETOOLONG).saying(path);
        std::string next(buf, static_cast<std::size_t>(n));
        current = next.front() == '/' ? next : folderOf(current) + "/" + next;
    }
    return Error::of(ErrorKind::CannotOpen, ELOOP).saying(path);
}

Result<FileContents> readRegularFile(const std::string& path) {
    FileContents file;
    // Non-blocking so that a settings path naming a pipe cannot hang the program.
    Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (!fd.ok()) {
        if (errno == ENOENT) return file;
        return Error::of(ErrorKind::CannotOpen, errno).saying(path);
    }
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0) return Error::of(ErrorKind::CannotRead, errno).saying(path);
    if (!S_ISREG(st.st_mode)) return Error::of(ErrorKind::NotRegularFile).saying(path);
    file.exists = true;
    file.mode = st.st_mode;
    file.owner = st.st_uid;
    file.group = st.st_gid;
    // One allocation of the size the file has; one more only if it grows while being read.
    file.bytes.resize(static_cast<std::size_t>(st.st_size) + 1);
    std::size_t used = 0;
    for (;;) {
        if (used == file.bytes.size()) file.bytes.resize(file.bytes.size() * 2);
        const ssize_t r = ::read(fd.get(), file.bytes.data() + used, file.bytes.size() - used);
        if (r < 0 && errno == EINTR) continue;
        if (r < 0) return Error::of(ErrorKind::CannotRead, errno).saying(path);
        if (r == 0) break;
        used += static_cast<std::size_t>(r);
    }
    file.bytes.resize(used);
    return file;
}

Result<void> updateFile(const std::string& path, const TextEdit& edit,
                        std::chrono::milliseconds patience) {
    if (path.empty()) return Error::of(ErrorKind::CannotOpen, ENOENT);
    const Result<std::string> target = settingsTarget(path);
    if (!target) return target.error();
    const auto lock = SettingsLock::acquire(*target, patience);
    if (!lock) return lock.error();
    Result<FileContents> current = readRegularFile(*target);
    if (!current) return current.error();
    if (current->exists && !isWritable(*target, *current))
        return Error::of(ErrorKind::CannotWrite, EACCES).saying(*target);

    const DecodedText text = decodeFileText(std::move(current->bytes));
    const auto edited = edit(text.text);
    // A legacy file is rewritten even when the text is the same, so that it becomes UTF-8.
    if (!edited || (!text.wasLegacy && *edited == text.text)) return {};
    Result<void> replaced = replaceAtomically(*target, *edited, *current);
    if (replaced || !isPermissionError(replaced.error()) || !current->exists) return replaced;
    return rewriteInPlace(*target, *edited);
}

Result<void> syncToDisk(const std::string& path) {
    if (path.empty()) return Error::of(ErrorKind::CannotOpen, ENOENT);
    const Result<std::string> target = settingsTarget(path);
    if (!target) return target.error();
    Fd file(::open(target->c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (file.ok() && ::fsync(file.get()) != 0)
        return Error::of(ErrorKind::CannotWrite, errno).saying(*target);
    if (!file.ok() && errno != ENOENT)
        return Error::of(ErrorKind::CannotOpen, errno).saying(*target);
    Fd dir(::open(folderOf(*target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!dir.ok()) return Error::of(ErrorKind::CannotOpen, errno).saying(folderOf(*target));
    if (::fsync(dir.get()) != 0 && errno != EINVAL)
        return Error::of(ErrorKind::CannotWrite, errno).saying(*target);
    return {};
}

}  // namespace rimvista::ini
