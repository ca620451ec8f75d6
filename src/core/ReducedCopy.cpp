#include "core/ReducedCopy.h"

#include <algorithm>
#include <vector>

namespace rimvista {

int reducedExtent(int extent, int factor) {
    return factor < 1 ? 0 : (extent + factor - 1) / factor;
}

PixelRect reducedBlocks(const PixelSurface& picture, int factor, const PixelRect& changed) {
    if (changed.isEmpty() || factor < 1) return {};
    const int x0 = std::max(0, changed.x) / factor;
    const int y0 = std::max(0, changed.y) / factor;
    const int x1 = std::min(reducedExtent(picture.width(), factor),
                            (changed.x + changed.width - 1) / factor + 1);
    const int y1 = std::min(reducedExtent(picture.height(), factor),
                            (changed.y + changed.height - 1) / factor + 1);
    if (x1 <= x0 || y1 <= y0) return {};
    return {x0, y0, x1 - x0, y1 - y0};
}

void reduceBlocks(const PixelSurface& picture, int factor, const PixelRect& blocks,
                  std::uint8_t* copy, std::size_t copyStride) {
    if (blocks.isEmpty() || factor < 1 || picture.isNull()) return;
    // Sums per channel for one row of blocks; 32 bits hold 255 * factor^2 for factors far beyond
    // any screen's need (factor < 4096).
    std::vector<std::uint32_t> sums(static_cast<std::size_t>(blocks.width) * 3);
    for (int by = blocks.y; by < blocks.y + blocks.height; ++by) {
        std::fill(sums.begin(), sums.end(), 0u);
        const int py0 = by * factor;
        const int py1 = std::min(picture.height(), py0 + factor);
        for (int y = py0; y < py1; ++y) {
            const Pixel* row = picture.row(y);
            for (int i = 0; i < blocks.width; ++i) {
                const int x0 = (blocks.x + i) * factor;
                const int x1 = std::min(picture.width(), x0 + factor);
                std::uint32_t b = 0, g = 0, r = 0;
                for (int x = x0; x < x1; ++x) {
                    b += row[x].blue;
                    g += row[x].green;
                    r += row[x].red;
                }
                std::uint32_t* s = &sums[static_cast<std::size_t>(i) * 3];
                s[0] += b;
                s[1] += g;
                s[2] += r;
            }
        }
        auto* out = reinterpret_cast<Pixel*>(copy + static_cast<std::size_t>(by) * copyStride);
        for (int i = 0; i < blocks.width; ++i) {
            const int bx = blocks.x + i;
            const int w = std::min(picture.width(), (bx + 1) * factor) - bx * factor;
            const auto n = static_cast<std::uint32_t>(w * (py1 - py0));
            const std::uint32_t* s = &sums[static_cast<std::size_t>(i) * 3];
            // Rounded to the nearest value.
            out[bx] = Pixel{static_cast<std::uint8_t>((s[0] + n / 2) / n),
                            static_cast<std::uint8_t>((s[1] + n / 2) / n),
                            static_cast<std::uint8_t>((s[2] + n / 2) / n), 0xff};
        }
    }
}

}  // namespace rimvista
