#include "core/PixelSurface.h"

#include <sys/mman.h>

#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>
#include <stdexcept>

namespace rimvista {

namespace {

constexpr std::size_t kHugePage = std::size_t{2} << 20;

std::size_t checkedByteCount(int width, int height) {
    if (width < 0 || height < 0) throw std::length_error("negative picture size");
    const auto w = static_cast<std::size_t>(width);
    const auto h = static_cast<std::size_t>(height);
    if (w != 0 && h > std::numeric_limits<std::size_t>::max() / 4 / w)
        throw std::length_error("picture too large");
    return w * h * 4;
}

}  // namespace

void PixelSurface::Release::operator()(std::uint8_t* p) const {
    if (size >= kHugePage)
        ::munmap(p, size);
    else
        std::free(p);
}

PixelSurface::PixelSurface(int width, int height) {
    const std::size_t bytes = checkedByteCount(width, height);
    std::uint8_t* p = nullptr;
    std::size_t allocated = bytes;
    if (bytes >= kHugePage) {
        // Large pictures: anonymous mapping rounded to huge pages, so first-touch page faults
        // are 512 times fewer where the kernel grants huge pages.
        allocated = (bytes + kHugePage - 1) / kHugePage * kHugePage;
        void* m =
            ::mmap(nullptr, allocated, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (m == MAP_FAILED) throw std::bad_alloc();
#ifdef MADV_HUGEPAGE
        ::madvise(m, allocated, MADV_HUGEPAGE);
#endif
        p = static_cast<std::uint8_t*>(m);
    } else {
        p = static_cast<std::uint8_t*>(std::malloc(bytes == 0 ? 1 : bytes));
        if (!p) throw std::bad_alloc();
        allocated = bytes;
    }
    m_data = std::unique_ptr<std::uint8_t, Release>(p, Release{allocated});
    m_width = width;
    m_height = height;
}

std::optional<PixelSurface> PixelSurface::tryCreate(int width, int height) {
    try {
        return PixelSurface(width, height);
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

PixelSurface PixelSurface::clone() const {
    if (isNull()) return {};
    PixelSurface copy(m_width, m_height);
    std::memcpy(copy.bits(), bits(), byteCount());
    return copy;
}

void PixelSurface::fill(Pixel p) {
    for (int y = 0; y < m_height; ++y) {
        Pixel* r = row(y);
        for (int x = 0; x < m_width; ++x) r[x] = p;
    }
}

}  // namespace rimvista
