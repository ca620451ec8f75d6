#pragma once
// The two ways IniFileIo writes a new settings text: replacing the file by a rename, and, where
// the folder cannot take a temporary file, rewriting it where it stands.

#include <cstddef>
#include <string>
#include <string_view>

#include "core/Error.h"
#include "core/IniFileIo.h"

namespace rimvista::ini {

// A descriptor closed when it goes out of scope.
class Fd {
public:
    explicit Fd(int fd) : m_fd(fd) {}
    ~Fd();
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return m_fd; }
    bool ok() const { return m_fd >= 0; }
    bool close();  // false when the close reported an error

private:
    int m_fd;
};

// Writes a temporary file beside the target and renames it over the target, keeping the old
// file's permissions and owner. The temporary has no name until it is complete where the file
// system allows, so a writer killed while writing leaves nothing behind. CannotCreateTemporary with
// EACCES or EPERM when the folder takes no new file; any failure leaves the target as it was.
Result<void> replaceAtomically(const std::string& target, std::string_view bytes,
                               const FileContents& original);

// Rewrites the existing target in place: reserves the new size on the disk first (a file that
// cannot grow is left exactly as it was), then writes only from the first byte that differs
// from what the file holds, trims and syncs. The caller holds the lock.
Result<void> rewriteInPlace(const std::string& target, std::string_view bytes);

// Writes all bytes from the descriptor's offset, calling the test hook after each chunk.
bool writeAll(int fd, std::string_view bytes);

}  // namespace rimvista::ini
