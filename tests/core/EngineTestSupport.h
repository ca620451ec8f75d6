#pragma once
// Pictures and a picture holder for the engine tests.

#include <array>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "core/PixelSurface.h"

namespace rimvista::test {

// Holds a surface the way a picture box does, and records what it was told to repaint.
class TestPicture : public PictureTarget {
public:
    TestPicture() = default;
    explicit TestPicture(PixelSurface s) : m_surface(std::move(s)) {}

    PixelSurface* surface() override { return m_hasSurface ? &m_surface : nullptr; }
    void surfaceChanged(const PixelRect& r) override { changes.push_back(r); }

    PixelSurface& pixels() { return m_surface; }
    // Pixel at picture column m, row n.
    Pixel& at(int m, int n) { return m_surface.row(n)[m]; }
    void dropSurface() { m_hasSurface = false; }

    std::vector<PixelRect> changes;

private:
    PixelSurface m_surface;
    bool m_hasSurface = true;
};

inline PixelSurface uniform(int width, int height, Pixel p) {
    PixelSurface s(width, height);
    s.fill(p);
    return s;
}

inline PixelSurface grey(int width, int height) {
    return uniform(width, height, {128, 128, 128, 7});
}

// Every byte random, the reserved one included.
inline PixelSurface randomPixels(int width, int height, std::uint32_t seed) {
    PixelSurface s(width, height);
    std::mt19937 gen(seed);
    for (std::size_t i = 0; i < s.byteCount(); ++i) s.bits()[i] = static_cast<std::uint8_t>(gen());
    return s;
}

// Blue, green, red, reserved, printable by the test framework.
inline std::array<int, 4> bytes(const Pixel& p) {
    return {p.blue, p.green, p.red, p.reserved};
}

inline bool samePixels(const PixelSurface& a, const PixelSurface& b) {
    return a.width() == b.width() && a.height() == b.height() &&
           std::memcmp(a.bits(), b.bits(), a.byteCount()) == 0;
}

}  // namespace rimvista::test
