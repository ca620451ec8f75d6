#pragma once
// Pieces the picture readers and writers share: file input, page-backed buffers and the
// allocation of pictures with a clean failure instead of an exception.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "core/Error.h"
#include "core/PixelSurface.h"

namespace rimvista::files {

// Memory this process can still take without pushing the system into swapping or the
// out-of-memory killer: the kernel's MemAvailable (the free physical memory where that cannot
// be read), or less where the process's control groups allow less.
std::uint64_t availableMemory();

// Lets a test pretend the machine has only `bytes` available; nullopt gives the real figure back.
void setAvailableMemoryForTests(std::optional<std::uint64_t> bytes);

// Success when a width x height picture may be allocated, otherwise why not: a size that is
// not positive, or the picture and alsoNeeded bytes beside it more than the available memory.
Result<void> checkPictureSize(int width, int height, std::uint64_t alsoNeeded = 0);

// Success when a file of fileSize bytes can hold a width x height picture of a format that packs
// at most pixelsPerByte pixels into one byte, otherwise the error. Asked before anything is
// allocated for the picture, so a small file claiming a huge size costs nothing.
Result<void> checkFileHoldsPicture(int width, int height, std::uint64_t fileSize,
                                   std::uint64_t pixelsPerByte);

// Megabytes, rounded up, as the memory errors name them.
std::int64_t megabytesOf(std::uint64_t bytes);

// A picture of width x height, pixels uninitialised, or why it cannot be had: a size that is
// not positive, more than the available memory (with alsoNeeded bytes beside it), or an
// allocation that failed.
Result<PixelSurface> allocatePicture(int width, int height, std::uint64_t alsoNeeded = 0);

// Sets the reserved byte of every pixel to 0.
void clearReserved(PixelSurface& surface);

// While a reader fills a freshly allocated large picture, another core takes the page faults
// (the kernel zeroing each page) ahead of it, in the order the reader writes the rows.
// Nothing is written from the other thread, so the pixels are never touched concurrently.
class BackgroundPrefault {
public:
    enum class Order { TopDown, BottomUp };
    BackgroundPrefault(PixelSurface& surface, Order order);
    ~BackgroundPrefault();
    BackgroundPrefault(const BackgroundPrefault&) = delete;
    BackgroundPrefault& operator=(const BackgroundPrefault&) = delete;

private:
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

// Raw bytes for file contents and encoder output. Large buffers ask for huge pages, because
// first-touch page faults otherwise cost more than the copy into them.
class PageBuffer {
public:
    static std::optional<PageBuffer> tryCreate(std::size_t size);
    std::uint8_t* data() { return m_data.get(); }
    const std::uint8_t* data() const { return m_data.get(); }
    std::size_t size() const { return m_size; }

private:
    struct Release {
        std::size_t mapped;  // 0: from malloc
        void operator()(std::uint8_t* p) const;
    };
    std::unique_ptr<std::uint8_t, Release> m_data{nullptr, Release{0}};
    std::size_t m_size = 0;
};

// A file opened for reading; reads are positioned, so one InputFile needs no seek state.
class InputFile {
public:
    InputFile() = default;
    ~InputFile();
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    Result<void> open(const std::string& path);
    std::uint64_t size() const { return m_size; }
    // Reads exactly size bytes at offset; a short file or a read error gives the error.
    Result<void> readAt(std::uint64_t offset, void* buffer, std::size_t size) const;
    // Up to size bytes from the start (fewer when the file is shorter): enough to tell a format.
    Result<std::size_t> readHead(void* buffer, std::size_t size) const;

private:
    int m_fd = -1;
    std::uint64_t m_size = 0;
};

}  // namespace rimvista::files
