#pragma once
// File access for the settings file. Every change replaces the whole file through a temporary
// file and a rename, so a reader, or a crash at any moment, sees either the old or the new file,
// never a torn one; and each read-modify-write holds a lock (IniLock.h) so two running copies of
// the program lose no update. A writable file in a folder that cannot take a temporary file is
// rewritten in place instead (the only way it can be written there): the space is reserved
// first, so a full disk leaves it as it was, and only the bytes from the first change on are
// written.
//
// A symbolic link stays a link: the file it points to is read and written, and a link to a file
// that does not exist yet is written through (the file is made where the link points).

#include <sys/types.h>

#include <chrono>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "core/Error.h"

namespace rimvista::ini {

struct FileContents {
    bool exists = false;
    std::string bytes;
    mode_t mode = 0;
    uid_t owner = 0;
    gid_t group = 0;
};

// The folder part of a path ("." for a bare name, "/" for the root).
std::string folderOf(const std::string& path);

// The file a settings path stands for: symbolic links followed, to the file they end at whether
// it exists or not. CannotOpen (ELOOP) for a loop.
Result<std::string> settingsTarget(const std::string& path);

// A missing file gives exists == false; an error for anything else that cannot be read as a
// regular file (a folder, a device, a pipe, a read error).
Result<FileContents> readRegularFile(const std::string& path);

// The edit gets the file's text as decodeFileText gives it (empty for a missing file) and gives
// the new text, or nothing when the file is to stay as it is.
using TextEdit = std::function<std::optional<std::string>(std::string_view)>;

// Fails when the file cannot be changed: read-only, missing folder, no lock within `patience`,
// no room on the disk, or any write error. The original file is then untouched.
Result<void> updateFile(const std::string& path, const TextEdit& edit,
                        std::chrono::milliseconds patience);

// Flushes the file (when it exists) and its folder entry to the disk.
Result<void> syncToDisk(const std::string& path);

// Lets a test stop a writer half way through the temporary file; called after each chunk.
void setWriteChunkHookForTests(void (*hook)(std::size_t bytesWritten));

}  // namespace rimvista::ini
