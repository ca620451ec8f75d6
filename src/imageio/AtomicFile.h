#pragma once
// Replaces a file only once its new contents are complete and on disk: the bytes go to a
// temporary file in the target's folder (same file system, so the final rename is atomic),
// which is flushed and then renamed over the target. Until commit() succeeds the target is
// untouched; a failed or abandoned write removes the temporary file. The temporary has no name
// until it is complete where the file system allows, so even a killed process leaves nothing
// behind (see TemporaryFiles.h for the fallback).
//
// kStandardOutput as the target sends the finished file to standard output instead, from an
// unnamed temporary in the temporary folder: writers may fill a file out of order, which a pipe
// cannot take.
//
// One AtomicFile belongs to one thread at a time; separate objects are independent.

#include <cstddef>
#include <cstdint>
#include <string>

#include "core/Error.h"

namespace rimvista::files {

inline constexpr const char* kStandardOutput = "/dev/stdout";

class AtomicFile {
public:
    explicit AtomicFile(std::string target);
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Each call returns success or the error; after a failure the temporary file is already
    // gone and further calls fail.
    Result<void> open();
    Result<void> write(const void* data, std::size_t size);
    // At a given offset, for files whose parts are produced out of order; a gap left before
    // the offset reads as zeros until it is written.
    Result<void> writeAt(std::uint64_t offset, const void* data, std::size_t size);
    Result<void> commit();
    void discard();

    // Where the temporary can be reached while it is open: its name, or for one without a name
    // its entry under /proc/self/fd.
    std::string temporaryPath() const;

private:
    Error fail(ErrorKind kind, int error);
    Result<void> openIn(const std::string& folder);
    Result<void> nameTemporary();
    Result<void> copyToStandardOutput();
    void startWriteBack();
    template <typename Put>
    Result<void> writeAll(const void* data, std::size_t size, Put put);

    std::string m_target;
    std::string m_tempPath;  // empty while the temporary has no name
    int m_fd = -1;
    int m_slot = -1;  // where m_tempPath is listed for removal at a fatal signal
    unsigned m_mode = 0;
    bool m_toStandardOutput = false;
    bool m_failed = false;
    std::uint64_t m_written = 0;
    std::uint64_t m_flushStart = 0;
};

// Writes a whole buffer through an AtomicFile.
Result<void> writeFileAtomically(const std::string& path, const void* data, std::size_t size);

}  // namespace rimvista::files
