#pragma once
// File access for the settings file. Every change replaces the whole file through a temporary
// file and a rename, so a reader, or a crash at any moment, sees either the old or the new file,
// never a torn one; and each read-modify-write holds a lock so two running copies of the program
// lose no update. A writable file in a folder that cannot take a temporary file is rewritten in
// place instead (the only way it can be written there).

#include <sys/types.h>

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace rimvista::ini {

struct FileContents {
    bool exists = false;
    std::string bytes;
    mode_t mode = 0;
    uid_t owner = 0;
    gid_t group = 0;
};

// A missing file gives exists == false; nothing for anything else that cannot be read as a
// regular file (a folder, a device, a pipe, a read error).
std::optional<FileContents> readRegularFile(const std::string& path);

// The edit gets the file's text as UTF-8 (empty for a missing file) and gives the new text, or
// nothing when the file is to stay as it is. The new text is written as UTF-8.
using TextEdit = std::function<std::optional<std::string>(std::string_view)>;

// False when the file cannot be changed: read-only, missing folder, no lock within a few seconds,
// or any write error. The original file is then untouched.
bool updateFile(const std::string& path, const TextEdit& edit);

// Flushes the file (when it exists) and its folder entry to the disk.
bool syncToDisk(const std::string& path);

// Lets a test stop a writer half way through the temporary file; called after each chunk.
void setWriteChunkHookForTests(void (*hook)(std::size_t bytesWritten));

}  // namespace rimvista::ini
