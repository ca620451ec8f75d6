#include "imageio/CodecSupport.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <new>
#include <sstream>
#include <system_error>
#include <utility>

#include "imageio/MemoryLimit.h"

namespace rimvista::files {

namespace {

constexpr std::size_t kHugePage = std::size_t{2} << 20;
constexpr std::size_t kPrefaultWorthIt = std::size_t{32} << 20;
constexpr std::size_t kPrefaultStep = std::size_t{8} << 20;

std::atomic<std::uint64_t> g_availableForTests{0};  // 0: the real figure

std::optional<std::uint64_t> memAvailable() {
    std::ifstream meminfo("/proc/meminfo");
    std::string line;
    while (std::getline(meminfo, line)) {
        if (line.rfind("MemAvailable:", 0) != 0) continue;
        std::istringstream fields(line.substr(13));
        std::uint64_t kilobytes = 0;
        if (fields >> kilobytes) return kilobytes * 1024;
    }
    return std::nullopt;
}

}  // namespace

std::int64_t megabytesOf(std::uint64_t bytes) {
    return static_cast<std::int64_t>((bytes >> 20) + ((bytes & ((1u << 20) - 1)) != 0));
}

std::uint64_t availableMemory() {
    if (const std::uint64_t pretended = g_availableForTests.load()) return pretended;
    std::uint64_t available = UINT64_MAX;
    if (const auto machine = memAvailable()) {
        available = *machine;
    } else {
        const long pages = ::sysconf(_SC_AVPHYS_PAGES);
        const long pageSize = ::sysconf(_SC_PAGESIZE);
        if (pages > 0 && pageSize > 0)
            available = static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(pageSize);
    }
    if (const auto group = cgroupHeadroom()) available = std::min(available, *group);
    return available;
}

void setAvailableMemoryForTests(std::optional<std::uint64_t> bytes) {
    g_availableForTests.store(bytes ? std::max<std::uint64_t>(*bytes, 1) : 0);
}

Result<void> checkPictureSize(int width, int height, std::uint64_t alsoNeeded) {
    if (width <= 0 || height <= 0)
        return Error::of(ErrorKind::InvalidPictureSize).with(width, height);
    // A picture larger than the memory left would only be paged to death or killed while being
    // filled, so it is refused before any pixel is touched. Physical memory is not the measure:
    // what other programs hold is not ours to take.
    const std::uint64_t bytes = std::uint64_t(width) * std::uint64_t(height) * 4;
    const std::uint64_t available = availableMemory();
    if (bytes > available || alsoNeeded > available - bytes)
        return Error::of(ErrorKind::PictureBeyondMemory)
            .with(width, height, megabytesOf(bytes + alsoNeeded), megabytesOf(available));
    return {};
}

Result<void> checkFileHoldsPicture(int width, int height, std::uint64_t fileSize,
                                   std::uint64_t pixelsPerByte) {
    if (width <= 0 || height <= 0)
        return Error::of(ErrorKind::InvalidPictureSize).with(width, height);
    const std::uint64_t pixels = std::uint64_t(width) * std::uint64_t(height);
    // Rounded up: a part of a byte cannot hold the pixels left over.
    if (fileSize >= pixels / pixelsPerByte + (pixels % pixelsPerByte != 0)) return {};
    return Error::of(ErrorKind::FileTooSmallForPicture)
        .with(static_cast<std::int64_t>(fileSize), width, height);
}

Result<PixelSurface> allocatePicture(int width, int height, std::uint64_t alsoNeeded) {
    if (auto fits = checkPictureSize(width, height, alsoNeeded); !fits) return fits.error();
    auto surface = PixelSurface::tryCreate(width, height);
    if (!surface) return Error::of(ErrorKind::OutOfMemory);
    return std::move(*surface);
}

void clearReserved(PixelSurface& surface) {
    static_assert(std::endian::native == std::endian::little);
    auto* words = reinterpret_cast<std::uint32_t*>(surface.bits());
    const std::size_t count = surface.byteCount() / 4;
    // Little-endian: the reserved byte is the top byte of each 32-bit pixel. The fixed-length
    // inner loop is what lets the compiler use vector instructions at -O2.
    std::size_t i = 0;
    for (; i + 16 <= count; i += 16)
        for (std::size_t k = 0; k < 16; ++k) words[i + k] &= 0x00FFFFFFu;
    for (; i < count; ++i) words[i] &= 0x00FFFFFFu;
}

BackgroundPrefault::BackgroundPrefault(PixelSurface& surface, Order order) {
#ifdef MADV_POPULATE_WRITE
    if (surface.byteCount() < kPrefaultWorthIt) return;
    std::uint8_t* base = surface.bits();  // large surfaces are whole mappings, page-aligned
    const std::size_t size = surface.byteCount();
    const std::size_t steps = (size + kPrefaultStep - 1) / kPrefaultStep;
    const auto populate = [this, base, size, steps, order] {
        for (std::size_t i = 0; i < steps && !m_stop.load(std::memory_order_relaxed); ++i) {
            const std::size_t at = (order == Order::TopDown ? i : steps - 1 - i) * kPrefaultStep;
            // Fails on kernels without this advice; the reader's writes then fault pages in.
            if (::madvise(base + at, std::min(kPrefaultStep, size - at), MADV_POPULATE_WRITE))
                return;
        }
    };
    try {
        m_thread = std::thread(populate);
    } catch (const std::system_error&) {
        // No thread to be had: the reader simply takes the faults itself.
    }
#else
    (void)surface, (void)order;
#endif
}

BackgroundPrefault::~BackgroundPrefault() {
    m_stop.store(true, std::memory_order_relaxed);
    if (m_thread.joinable()) m_thread.join();
}

void PageBuffer::Release::operator()(std::uint8_t* p) const {
    if (mapped)
        ::munmap(p, mapped);
    else
        std::free(p);
}

std::optional<PageBuffer> PageBuffer::tryCreate(std::size_t size) {
    PageBuffer buffer;
    if (size >= kHugePage) {
        const std::size_t mapped = (size + kHugePage - 1) / kHugePage * kHugePage;
        void* m =
            ::mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (m == MAP_FAILED) return std::nullopt;
#ifdef MADV_HUGEPAGE
        ::madvise(m, mapped, MADV_HUGEPAGE);
#endif
        buffer.m_data = {static_cast<std::uint8_t*>(m), Release{mapped}};
    } else {
        auto* p = static_cast<std::uint8_t*>(std::malloc(size == 0 ? 1 : size));
        if (!p) return std::nullopt;
        buffer.m_data = {p, Release{0}};
    }
    buffer.m_size = size;
    return buffer;
}

InputFile::~InputFile() {
    if (m_fd >= 0) ::close(m_fd);
}

Result<void> InputFile::open(const std::string& path) {
    // Non-blocking so that a dropped pipe or device is refused below instead of hanging here.
    m_fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (m_fd < 0) return Error::of(ErrorKind::CannotOpen, errno);
    struct stat info {};
    if (::fstat(m_fd, &info) != 0) return Error::of(ErrorKind::CannotOpen, errno);
    if (!S_ISREG(info.st_mode)) return Error::of(ErrorKind::NotRegularFile);
    m_size = static_cast<std::uint64_t>(info.st_size);
    return {};
}

Result<void> InputFile::readAt(std::uint64_t offset, void* buffer, std::size_t size) const {
    auto* p = static_cast<char*>(buffer);
    while (size > 0) {
        const ssize_t n = ::pread(m_fd, p, size, static_cast<off_t>(offset));
        if (n < 0) {
            if (errno == EINTR) continue;
            return Error::of(ErrorKind::CannotRead, errno);
        }
        if (n == 0) return Error::of(ErrorKind::FileCutShort);
        p += n;
        size -= static_cast<std::size_t>(n);
        offset += static_cast<std::uint64_t>(n);
    }
    return {};
}

Result<std::size_t> InputFile::readHead(void* buffer, std::size_t size) const {
    const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(m_size, size));
    if (auto read = readAt(0, buffer, n); !read) return read.error();
    return n;
}

}  // namespace rimvista::files
