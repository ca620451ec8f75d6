// The reduced copy shown below 100 %: block means, the smaller blocks at the far edges, and a
// refresh of the changed blocks only.
#include <gtest/gtest.h>

#include <vector>

#include "core/ReducedCopy.h"

namespace rimvista::test {
namespace {

TEST(ReducedCopyTest, EachPixelIsTheMeanOfItsBlockAndOnlyChangedBlocksAreRewritten) {
    // 5 x 3 pixels by 2: blocks of 2 x 2, 1 x 2 at the right, 2 x 1 at the bottom, 1 x 1 corner.
    PixelSurface picture(5, 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            picture.row(y)[x] = Pixel{std::uint8_t(10 * x + y), std::uint8_t(x), 200, 0};
    ASSERT_EQ(reducedExtent(5, 2), 3);
    ASSERT_EQ(reducedExtent(3, 2), 2);
    std::vector<Pixel> copy(3 * 2, Pixel{1, 1, 1, 1});
    const auto bytes = reinterpret_cast<std::uint8_t*>(copy.data());
    const PixelRect all = reducedBlocks(picture, 2, {0, 0, 5, 3});
    EXPECT_EQ((std::array{all.x, all.y, all.width, all.height}), (std::array{0, 0, 3, 2}));
    reduceBlocks(picture, 2, all, bytes, 3 * sizeof(Pixel));
    // Blue means, rounded to nearest: (0+1+10+11)/4 = 5.5 -> 6; (40+41)/2 = 40.5 -> 41;
    // (2+12)/2 = 7; 42 alone.
    const int blue[2][3] = {{6, 26, 41}, {7, 27, 42}};
    for (int by = 0; by < 2; ++by)
        for (int bx = 0; bx < 3; ++bx) {
            const Pixel p = copy[by * 3 + bx];
            EXPECT_EQ(p.blue, blue[by][bx]) << bx << "," << by;
            EXPECT_EQ(p.red, 200);
            EXPECT_EQ(p.reserved, 0xff);  // shown opaque
        }

    // A change in pixel (4, 0) concerns block (2, 0) alone.
    picture.row(0)[4].blue = 140;
    const PixelRect changed = reducedBlocks(picture, 2, {4, 0, 1, 1});
    EXPECT_EQ((std::array{changed.x, changed.y, changed.width, changed.height}),
              (std::array{2, 0, 1, 1}));
    copy[0].blue = 99;  // a block outside the change keeps what it had
    reduceBlocks(picture, 2, changed, bytes, 3 * sizeof(Pixel));
    EXPECT_EQ(copy[2].blue, 91);  // (140 + 41) / 2 = 90.5 -> 91
    EXPECT_EQ(copy[0].blue, 99);
}

}  // namespace
}  // namespace rimvista::test
