#include "support/TestPictures.h"

#include <cstring>
#include <random>

namespace rimvista::test {

PixelSurface uniformSurface(int width, int height, Pixel p) {
    PixelSurface s(width, height);
    s.fill(p);
    return s;
}

PixelSurface randomSurface(int width, int height, std::uint32_t seed) {
    PixelSurface s(width, height);
    std::mt19937 rng(seed);
    for (int y = 0; y < height; ++y) {
        auto* bytes = reinterpret_cast<std::uint8_t*>(s.row(y));
        for (std::size_t i = 0; i < s.bytesPerLine(); ++i)
            bytes[i] = static_cast<std::uint8_t>(rng());
    }
    return s;
}

bool samePixels(const PixelSurface& a, const PixelSurface& b) {
    if (a.width() != b.width() || a.height() != b.height()) return false;
    if (a.isNull() || b.isNull()) return a.isNull() == b.isNull();
    return std::memcmp(a.bits(), b.bits(), a.byteCount()) == 0;
}

}  // namespace rimvista::test
