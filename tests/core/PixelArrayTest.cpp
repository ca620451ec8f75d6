#include <gtest/gtest.h>

#include <stdexcept>

#include "EngineTestSupport.h"
#include "core/PixelArray.h"

namespace rimvista {
namespace {

using test::bytes;
using test::TestPicture;

TEST(PixelArray, OnePixelPictureHasTwoByTwoElements) {
    TestPicture picture(test::uniform(1, 1, {1, 2, 3, 4}));
    PixelArray pixels;
    ASSERT_FALSE(ReadPixels(picture, pixels));
    EXPECT_EQ(pixels.width(), 1);
    EXPECT_EQ(pixels.height(), 1);
    EXPECT_EQ(bytes(pixels.at(0, 1)), (std::array<int, 4>{1, 2, 3, 4}));
    for (auto [x, y] : {std::pair{0, 0}, {1, 0}, {1, 1}}) pixels.at(x, y) = Pixel{9, 9, 9, 9};
    EXPECT_THROW(pixels.at(2, 1), std::out_of_range);
    EXPECT_THROW(pixels.at(0, 2), std::out_of_range);
    EXPECT_THROW(pixels.at(-1, 1), std::out_of_range);
    EXPECT_THROW(pixels.at(0, -1), std::out_of_range);
    ASSERT_FALSE(WritePixels(picture, pixels));
    EXPECT_EQ(bytes(picture.at(0, 0)), (std::array<int, 4>{1, 2, 3, 4}));
}

TEST(PixelArray, ElementYIsThePictureRowPlusOne) {
    PixelSurface s = test::randomPixels(3, 2, 11);
    s.row(0)[0] = Pixel{10, 20, 30, 77};
    TestPicture picture(std::move(s));
    PixelArray pixels;
    ASSERT_FALSE(ReadPixels(picture, pixels));
    EXPECT_EQ(bytes(pixels.at(0, 1)), (std::array<int, 4>{10, 20, 30, 77}));
    for (int n = 0; n < 2; ++n) {
        for (int m = 0; m < 3; ++m) {
            EXPECT_EQ(bytes(pixels.at(m, n + 1)), bytes(picture.at(m, n))) << m << "," << n;
            EXPECT_EQ(&pixels.row(n + 1)[m], &pixels.at(m, n + 1));
        }
    }
}

TEST(PixelArray, ElementsOutsideThePictureNeverReachIt) {
    TestPicture picture(test::randomPixels(5, 4, 3));
    const PixelSurface before = picture.pixels().clone();
    PixelArray pixels;
    ASSERT_FALSE(ReadPixels(picture, pixels));
    for (int x = 0; x <= 5; ++x) pixels.at(x, 0) = Pixel{1, 2, 3, 4};
    for (int y = 0; y <= 4; ++y) pixels.at(5, y) = Pixel{5, 6, 7, 8};
    EXPECT_TRUE(test::samePixels(picture.pixels(), before));
    ASSERT_FALSE(WritePixels(picture, pixels));
    EXPECT_TRUE(test::samePixels(picture.pixels(), before));
}

TEST(PixelArray, ReadThenWriteLeavesEveryByteAndReportsTheWholePicture) {
    TestPicture picture(test::randomPixels(7, 3, 5));
    const PixelSurface before = picture.pixels().clone();
    PixelArray pixels;
    ASSERT_FALSE(ReadPixels(picture, pixels));
    ASSERT_FALSE(WritePixels(picture, pixels));
    EXPECT_TRUE(test::samePixels(picture.pixels(), before));
    ASSERT_EQ(picture.changes.size(), 1u);
    EXPECT_EQ(picture.changes[0].width, 7);
    EXPECT_EQ(picture.changes[0].height, 3);
    EXPECT_FALSE(pixels.isBound());
}

TEST(PixelArray, TransfersFailWithoutThePictureTheyWereBoundTo) {
    TestPicture none(test::uniform(2, 2, {}));
    none.dropSurface();
    TestPicture picture(test::uniform(3, 3, {}));
    PixelArray pixels;
    EXPECT_TRUE(WritePixels(picture, pixels));  // never read
    EXPECT_TRUE(ReadPixels(none, pixels));
    EXPECT_FALSE(pixels.isBound());
    EXPECT_THROW(pixels.at(0, 0), std::out_of_range);

    ASSERT_FALSE(ReadPixels(picture, pixels));
    EXPECT_TRUE(ReadPixels(none, pixels));  // a failed read leaves the array as it was
    EXPECT_EQ(pixels.width(), 3);
    picture.pixels() = test::uniform(3, 3, {});  // replaced since the read
    EXPECT_TRUE(WritePixels(picture, pixels));
    EXPECT_TRUE(picture.changes.empty());
    EXPECT_TRUE(none.changes.empty());
}

}  // namespace
}  // namespace rimvista
