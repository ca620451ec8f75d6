// Painting a run of frames block by block against DrawFrame on the whole picture, frame after
// frame: nested frames, frames reaching outside the picture, odd sizes, blocks in any order.

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "EngineTestSupport.h"
#include "core/FrameRenderer.h"
#include "core/RowBandPainter.h"

namespace rimvista {
namespace {

std::int16_t pick(std::mt19937& gen, int lo, int hi) {
    return static_cast<std::int16_t>(std::uniform_int_distribution<int>(lo, hi)(gen));
}

// Nested runs as auto-adjust makes them, or frames anywhere up to the 16-bit extremes.
std::vector<PaintedFrame> randomRun(std::mt19937& gen, int w, int h) {
    std::vector<PaintedFrame> run;
    const int count = pick(gen, 1, 5);
    const bool nested = gen() % 2 == 0;
    FrameParams p = makeFrameParams(pick(gen, 1, 4), pick(gen, 1, 4), pick(gen, 1, 4),
                                    pick(gen, 1, 4), 0, 0, 0, 0);
    for (int i = 0; i < count; ++i) {
        if (nested && i > 0) {
            p.X0 = static_cast<std::int16_t>(p.X0 + p.W[2] + 1);
            p.X1 = static_cast<std::int16_t>(p.X1 + p.W[3] + 1);
            p.Y0 = static_cast<std::int16_t>(p.Y0 + p.W[0] + 1);
            p.Y1 = static_cast<std::int16_t>(p.Y1 + p.W[1] + 1);
        } else if (!nested) {
            const bool extreme = gen() % 5 == 0;
            for (auto& width : p.W) width = extreme ? pick(gen, 30000, 32767) : pick(gen, 1, 40);
            for (auto* pos : {&p.X0, &p.X1, &p.Y0, &p.Y1})
                *pos = extreme ? pick(gen, -32768, 32767) : pick(gen, -8, std::max(w, h) + 8);
        }
        const int s = pick(gen, 0, 3);
        run.push_back({p, s == 0   ? 1.0f
                          : s == 1 ? -1.0f
                                   : std::uniform_real_distribution<float>(-3, 3)(gen)});
    }
    return run;
}

TEST(RowBandPainterTest, BlocksInAnyOrderMatchDrawFrameOnTheWholePicture) {
    for (std::uint32_t seed = 0; seed < 3000; ++seed) {
        std::mt19937 gen(seed);
        const int w = pick(gen, 1, 61), h = pick(gen, 1, 61);
        const auto run = randomRun(gen, w, h);
        PixelSurface whole = test::randomPixels(w, h, seed);
        PixelSurface blocks = whole.clone();

        SurfacePicture target(whole);
        for (const PaintedFrame& f : run) {
            const FrameParams& p = f.params;
            DrawFrame(target, p.W[0], p.W[1], p.W[2], p.W[3], p.X0, p.X1, p.Y0, p.Y1, f.strength);
        }

        std::vector<int> cuts{0, h};
        for (int i = pick(gen, 0, 4); i > 0; --i) cuts.push_back(pick(gen, 0, h));
        std::sort(cuts.begin(), cuts.end());
        std::vector<std::size_t> order(cuts.size() - 1);
        for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
        std::shuffle(order.begin(), order.end(), gen);
        // Each block painted in a buffer of its own, as a stream would hold it.
        const RowBandPainter painter(w, h, run);
        for (std::size_t i : order) {
            const int y0 = cuts[i], y1 = cuts[i + 1];
            std::vector<Pixel> buffer(static_cast<std::size_t>((y1 - y0) * w));
            std::copy_n(blocks.row(y0), buffer.size(), buffer.data());
            painter.paintRows(y0, y1, buffer.data(), static_cast<std::size_t>(w));
            std::copy(buffer.begin(), buffer.end(), blocks.row(y0));
        }
        ASSERT_TRUE(test::samePixels(whole, blocks)) << "seed " << seed << ", " << w << " x " << h;
    }
}

}  // namespace
}  // namespace rimvista
