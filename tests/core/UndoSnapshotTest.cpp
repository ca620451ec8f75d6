#include <gtest/gtest.h>

#include "EngineTestSupport.h"
#include "core/FrameBands.h"
#include "core/FrameCommand.h"
#include "core/UndoSnapshot.h"

namespace rimvista {
namespace {

FrameParams frame(std::int16_t w, std::int16_t margin, std::int16_t kind = 0) {
    FrameParams p;
    p.W = {w, w, w, w};
    p.X0 = p.X1 = p.Y0 = p.Y1 = margin;
    p.Kind = kind;
    return p;
}

std::size_t area(const std::vector<PixelRect>& rects) {
    std::size_t a = 0;
    for (const PixelRect& r : rects) a += static_cast<std::size_t>(r.width) * r.height;
    return a;
}

TEST(UndoSnapshot, KeepsOnlyTheBandsOfAHugePicture) {
    const auto rects = frameFootprint(10000, 10000, frame(5, 0));
    // The top band's outer row and the right band's outer column lie outside the picture: 5 + 6
    // rows across, 6 + 5 columns down between them.
    EXPECT_EQ(area(rects), 11u * 10000 + 11u * (10000 - 11));
    EXPECT_LT(area(rects) * sizeof(Pixel), 1'000'000u);
}

TEST(UndoSnapshot, UndoingTheLastOfThreeFramesGivesThePictureAfterTwo) {
    test::TestPicture picture(test::randomPixels(80, 60, 4));
    FrameParams p = frame(5, 0);
    ASSERT_TRUE(applyFrame(picture, p));
    p = *autoAdjusted(p);
    ASSERT_TRUE(applyFrame(picture, p));
    const PixelSurface afterTwo = picture.pixels().clone();
    p = *autoAdjusted(p);
    const auto undo = applyFrame(picture, p);
    ASSERT_TRUE(undo);
    ASSERT_FALSE(test::samePixels(picture.pixels(), afterTwo));
    picture.changes.clear();
    ASSERT_TRUE(undo->restore(picture));
    EXPECT_TRUE(test::samePixels(picture.pixels(), afterTwo));
    EXPECT_EQ(picture.changes.size(), undo->rects().size());
}

TEST(UndoSnapshot, RestoreRefusesAPictureOfAnotherSize) {
    test::TestPicture picture(test::randomPixels(40, 30, 5));
    const auto undo = UndoSnapshot::capture(picture, frame(3, 2));
    ASSERT_TRUE(undo);
    picture.pixels() = test::grey(30, 40);
    const PixelSurface before = picture.pixels().clone();
    EXPECT_FALSE(undo->restore(picture));
    EXPECT_TRUE(test::samePixels(picture.pixels(), before));
    picture.dropSurface();
    EXPECT_FALSE(undo->restore(picture));
    EXPECT_TRUE(picture.changes.empty());
}

TEST(UndoSnapshot, CaptureRefusesRectanglesOutsideThePicture) {
    const PixelSurface s = test::grey(10, 10);
    EXPECT_FALSE(UndoSnapshot::capture(s, {PixelRect{5, 0, 6, 1}}));
    EXPECT_FALSE(UndoSnapshot::capture(s, {PixelRect{0, -1, 1, 1}}));
    const auto ok = UndoSnapshot::capture(s, {PixelRect{9, 9, 1, 1}, PixelRect{0, 0, 0, 5}});
    ASSERT_TRUE(ok);
    EXPECT_EQ(ok->byteCount(), sizeof(Pixel));
}

}  // namespace
}  // namespace rimvista
