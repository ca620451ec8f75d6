// The engine against the plain whole-array painter on many random pictures and parameters,
// including ones that reach far outside the picture. Each case is named by its seed.

#include <gtest/gtest.h>

#include <random>

#include "EngineTestSupport.h"
#include "ReferenceFrame.h"
#include "core/FrameBands.h"
#include "core/FrameRenderer.h"
#include "core/UndoSnapshot.h"

namespace rimvista {
namespace {

struct RandomCase {
    int width, height;
    FrameParams p;
    float strength;
};

// Half the cases are frames as the Execute checks let them through (widths and margins inside the
// picture); the other half reach outside, up to the 16-bit extremes.
struct CaseMaker {
    std::mt19937 gen;
    bool wild;

    int below(int n) { return static_cast<int>(gen() % static_cast<unsigned>(n)); }

    std::int16_t position(int size) {
        if (!wild) return static_cast<std::int16_t>(below(size / 3 + 1));
        switch (below(6)) {
            case 0:
                return static_cast<std::int16_t>(-32768 + below(3));
            case 1:
                return static_cast<std::int16_t>(32767 - below(3));
            default:
                return static_cast<std::int16_t>(below(size + 9) - 4);
        }
    }
    std::int16_t width(int size) {
        if (!wild) return static_cast<std::int16_t>(1 + below(size / 4 + 1));
        switch (below(6)) {
            case 0:
                return static_cast<std::int16_t>(32767 - below(100));
            case 1:
                return static_cast<std::int16_t>(1 + below(200));
            default:
                return static_cast<std::int16_t>(1 + below(size / 2 + 2));
        }
    }
};

RandomCase randomCase(std::uint32_t seed) {
    CaseMaker make{std::mt19937(seed), seed % 2 == 0};
    RandomCase c;
    c.width = 1 + make.below(40);
    c.height = 1 + make.below(40);
    c.p.W = {make.width(c.height), make.width(c.height), make.width(c.width), make.width(c.width)};
    c.p.X0 = make.position(c.width);
    c.p.X1 = make.position(c.width);
    c.p.Y0 = make.position(c.height);
    c.p.Y1 = make.position(c.height);
    const int s = make.below(4);
    c.strength = s == 0   ? -1.0f
                 : s == 1 ? 1.0f
                          : std::uniform_real_distribution<float>(-3, 3)(make.gen);
    return c;
}

test::ReferenceFrame asReference(const RandomCase& c) {
    const FrameParams& p = c.p;
    return {p.W[0], p.W[1], p.W[2], p.W[3], p.X0, p.X1, p.Y0, p.Y1, c.strength};
}

bool inside(const PixelRect& r, int m, int n) {
    return m >= r.x && m < r.x + r.width && n >= r.y && n < r.y + r.height;
}

constexpr std::uint32_t kCases = 4000;

TEST(RandomisedFrames, EngineMatchesThePlainPainter) {
    for (std::uint32_t seed = 1; seed <= kCases; ++seed) {
        const RandomCase c = randomCase(seed);
        test::TestPicture picture(test::randomPixels(c.width, c.height, seed));
        PixelSurface expected = picture.pixels().clone();
        test::referenceDrawFrame(expected, asReference(c));
        const FrameParams& p = c.p;
        ASSERT_TRUE(
            DrawFrame(picture, p.W[0], p.W[1], p.W[2], p.W[3], p.X0, p.X1, p.Y0, p.Y1, c.strength))
            << "seed " << seed;
        ASSERT_TRUE(test::samePixels(picture.pixels(), expected)) << "seed " << seed;
    }
}

TEST(RandomisedFrames, FootprintHoldsEveryShadedPixelOnce) {
    for (std::uint32_t seed = 1; seed <= kCases; ++seed) {
        const RandomCase c = randomCase(seed);
        PixelSurface picture = test::grey(c.width, c.height);
        std::vector<bool> shaded;
        test::referenceDrawFrame(picture, asReference(c), &shaded);
        const auto rects = frameFootprint(c.width, c.height, c.p);
        for (int n = 0; n < c.height; ++n) {
            for (int m = 0; m < c.width; ++m) {
                int holders = 0;
                for (const PixelRect& r : rects) holders += inside(r, m, n) ? 1 : 0;
                ASSERT_LE(holders, 1) << "seed " << seed << " at " << m << "," << n;
                if (shaded[static_cast<std::size_t>(n * c.width + m)]) {
                    ASSERT_EQ(holders, 1) << "seed " << seed << " at " << m << "," << n;
                }
            }
        }
    }
}

TEST(RandomisedFrames, SnapshotRestoresEveryByte) {
    for (std::uint32_t seed = 1; seed <= kCases; ++seed) {
        const RandomCase c = randomCase(seed);
        test::TestPicture picture(test::randomPixels(c.width, c.height, seed));
        const PixelSurface before = picture.pixels().clone();
        const auto undo = UndoSnapshot::capture(picture, c.p);
        ASSERT_TRUE(undo) << "seed " << seed;
        const FrameParams& p = c.p;
        DrawFrame(picture, p.W[0], p.W[1], p.W[2], p.W[3], p.X0, p.X1, p.Y0, p.Y1, c.strength);
        ASSERT_TRUE(undo->restore(picture)) << "seed " << seed;
        ASSERT_TRUE(test::samePixels(picture.pixels(), before)) << "seed " << seed;
    }
}

}  // namespace
}  // namespace rimvista
