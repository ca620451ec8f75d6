#include <gtest/gtest.h>

#include <limits>

#include "EngineTestSupport.h"
#include "ReferenceFrame.h"
#include "core/FrameRenderer.h"

namespace rimvista {
namespace {

using test::TestPicture;

bool draw(TestPicture& picture, std::array<std::int16_t, 4> w, std::int16_t X0, std::int16_t X1,
          std::int16_t Y0, std::int16_t Y1, float strength = 1.0f) {
    return DrawFrame(picture, w[0], w[1], w[2], w[3], X0, X1, Y0, Y1, strength);
}

// One letter per picture pixel: '.' untouched, T top, L left, R right, B bottom; the doubly
// shaded ones a (top, left), c (top, right), d (left, bottom).
int convexGrey(char c) {
    switch (c) {
        case 'T':
            return 228;
        case 'L':
            return 178;
        case 'R':
            return 78;
        case 'B':
            return 28;
        case 'a':
            return 255;  // 228, then 278 clamped
        case 'c':
            return 178;
        case 'd':
            return 78;
        default:
            return 128;
    }
}

TEST(DrawFrame, ConvexWidthOneFrameOnGrey) {
    // 9 x 8 picture, X0 = 1, X1 = 1, Y0 = 2 (picture row 1), Y1 = 1, all widths 1: every band is
    // two pixels thick, the corners mitre, and the bottom-right corner meets without overlap.
    const char* expected[] = {
        ".........", ".aTTTTTTc", ".LaTTTTcR", ".LL....RR",
        ".LL....RR", ".LdBBBBBR", ".dBBBBBBB", ".........",
    };
    TestPicture picture(test::grey(9, 8));
    ASSERT_TRUE(draw(picture, {1, 1, 1, 1}, 1, 1, 2, 1));
    for (int n = 0; n < 8; ++n) {
        for (int m = 0; m < 9; ++m) {
            const Pixel p = picture.at(m, n);
            const int v = convexGrey(expected[n][m]);
            EXPECT_EQ(test::bytes(p), (std::array<int, 4>{v, v, v, 7})) << m << "," << n;
        }
    }
}

TEST(DrawFrame, ClampsAfterEachBand) {
    // Top-right diagonal pixel: top +100, then right -50.
    TestPicture picture(test::uniform(9, 8, {0, 100, 200, 1}));
    ASSERT_TRUE(draw(picture, {1, 1, 1, 1}, 1, 1, 2, 1));
    EXPECT_EQ(test::bytes(picture.at(8, 1)), (std::array<int, 4>{50, 150, 205, 1}));
}

TEST(DrawFrame, ConcaveReversesTheAmounts) {
    TestPicture picture(test::uniform(9, 8, {10, 20, 30, 0}));
    ASSERT_TRUE(draw(picture, {1, 1, 1, 1}, 1, 1, 2, 1, -1.0f));
    EXPECT_EQ(test::bytes(picture.at(4, 6)), (std::array<int, 4>{110, 120, 130, 0}));  // bottom
    EXPECT_EQ(test::bytes(picture.at(8, 3)), (std::array<int, 4>{60, 70, 80, 0}));     // right
}

TEST(DrawFrame, DiagonalEndsRoundHalvesToEven) {
    // X0 = 0, W2 = 2, W0 = 4: the top band's first column for k = 0..4 is 0, 0, 1, 2, 2.
    TestPicture picture(test::grey(30, 20));
    ASSERT_TRUE(draw(picture, {4, 1, 2, 1}, 0, 0, 1, 0));
    const int firstColumn[] = {0, 0, 1, 2, 2};
    for (int k = 0; k <= 4; ++k) {
        int first = -1;
        for (int m = 0; m < 30 && first < 0; ++m) {
            if (picture.at(m, k).red >= 228) first = m;  // top only, or top then left
        }
        EXPECT_EQ(first, firstColumn[k]) << "k = " << k;
    }
}

TEST(DrawFrame, BandsAgainstTheEdgesLoseTheirOuterLineOutside) {
    // All positions 0: the top band's outer row is array row 0 and the right band's outer column
    // is column W, both outside the picture.
    const int W = 30, H = 20, w = 4;
    TestPicture picture(test::grey(W, H));
    ASSERT_TRUE(draw(picture, {w, w, w, w}, 0, 0, 0, 0));
    const int midColumn = W / 2, midRow = H / 2;
    EXPECT_EQ(picture.at(midColumn, 0).red, 228);
    EXPECT_EQ(picture.at(midColumn, w - 1).red, 228);
    EXPECT_EQ(picture.at(midColumn, w).red, 128);
    EXPECT_EQ(picture.at(0, midRow).red, 178);
    EXPECT_EQ(picture.at(w, midRow).red, 178);
    EXPECT_EQ(picture.at(w + 1, midRow).red, 128);
    EXPECT_EQ(picture.at(W - 1, midRow).red, 78);
    EXPECT_EQ(picture.at(W - w, midRow).red, 78);
    EXPECT_EQ(picture.at(W - w - 1, midRow).red, 128);
    EXPECT_EQ(picture.at(midColumn, H - 1).red, 28);
    EXPECT_EQ(picture.at(midColumn, H - w - 1).red, 28);
    EXPECT_EQ(picture.at(midColumn, H - w - 2).red, 128);
}

TEST(DrawFrame, StrengthScalesEachAmountRoundedOnItsOwn) {
    const ShadeAmounts quarter = shadeAmounts(0.25f);  // 12.5 rounds to 12, not 13
    EXPECT_EQ((std::array{quarter.top, quarter.left, quarter.right, quarter.bottom}),
              (std::array{25, 12, -12, -25}));
    const ShadeAmounts threeQuarters = shadeAmounts(0.75f);  // 37.5 rounds to 38
    EXPECT_EQ((std::array{threeQuarters.top, threeQuarters.left, threeQuarters.right,
                          threeQuarters.bottom}),
              (std::array{75, 38, -38, -75}));

    TestPicture picture(test::grey(9, 8));
    ASSERT_TRUE(draw(picture, {1, 1, 1, 1}, 1, 1, 2, 1, 0.25f));
    EXPECT_EQ(picture.at(4, 1).red, 153);
    EXPECT_EQ(picture.at(1, 3).red, 140);
    EXPECT_EQ(picture.at(8, 3).red, 116);
    EXPECT_EQ(picture.at(4, 6).red, 103);
}

TEST(DrawFrame, HugeAmountsSaturateLikeFullOnes) {
    const ShadeAmounts huge = shadeAmounts(1e30f);
    EXPECT_EQ((std::array{huge.top, huge.left, huge.right, huge.bottom}),
              (std::array{255, 255, -255, -255}));
    const ShadeAmounts none = shadeAmounts(std::numeric_limits<float>::quiet_NaN());
    EXPECT_EQ((std::array{none.top, none.left, none.right, none.bottom}), (std::array{0, 0, 0, 0}));
}

TEST(DrawFrame, PaintsNothingWithoutAPictureOrWithAWidthBelowOne) {
    TestPicture noPicture(test::grey(9, 8));
    noPicture.dropSurface();
    EXPECT_FALSE(draw(noPicture, {1, 1, 1, 1}, 1, 1, 2, 1));
    EXPECT_TRUE(noPicture.changes.empty());

    for (std::array<std::int16_t, 4> widths :
         {std::array<std::int16_t, 4>{0, 1, 1, 1}, {1, 1, 1, -3}, {1, 0, 1, 1}, {1, 1, 0, 1}}) {
        TestPicture picture(test::grey(9, 8));
        const PixelSurface before = picture.pixels().clone();
        EXPECT_FALSE(draw(picture, widths, 1, 1, 2, 1));
        EXPECT_TRUE(test::samePixels(picture.pixels(), before));
        EXPECT_TRUE(picture.changes.empty());
    }
}

// Parameters whose bands reach outside the picture: only the part inside is painted, exactly as
// the plain whole-array painter paints it.
struct OutsideCase {
    int width, height;
    test::ReferenceFrame frame;
};
void PrintTo(const OutsideCase& c, std::ostream* os) {
    *os << c.width << "x" << c.height;
}

class DrawFrameOutside : public testing::TestWithParam<OutsideCase> {};

TEST_P(DrawFrameOutside, PaintsOnlyTheInsidePart) {
    const OutsideCase& c = GetParam();
    TestPicture picture(test::randomPixels(c.width, c.height, 42));
    PixelSurface expected = picture.pixels().clone();
    test::referenceDrawFrame(expected, c.frame);
    const auto& f = c.frame;
    ASSERT_TRUE(DrawFrame(picture, f.W0, f.W1, f.W2, f.W3, f.X0, f.X1, f.Y0, f.Y1, f.strength));
    EXPECT_TRUE(test::samePixels(picture.pixels(), expected));
}

INSTANTIATE_TEST_SUITE_P(
    Bands, DrawFrameOutside,
    testing::Values(
        OutsideCase{10, 10, {5, 1, 1, 1, 0, 0, 8, 0, 1.0f}},     // top band past the bottom
        OutsideCase{10, 10, {1, 1, 6, 1, 9, 0, 0, 0, 1.0f}},     // left band past the right
        OutsideCase{10, 10, {1, 1, 1, 6, 0, 8, 0, 0, -1.0f}},    // right band past the left
        OutsideCase{10, 10, {1, 7, 1, 1, 0, 0, 0, 6, -1.0f}},    // bottom band past the top
        OutsideCase{12, 9, {3, 3, 3, 3, -4, -5, -6, -7, 1.0f}},  // margins outside
        OutsideCase{8, 8, {32767, 32767, 32767, 32767, 0, 0, 0, 0, 1.0f}},
        OutsideCase{8, 8, {30000, 2, 3, 30000, -32768, -32768, -32768, -32768, -1.0f}},
        OutsideCase{1, 1, {1, 1, 1, 1, 0, 0, 0, 0, 1.0f}}));

TEST(DrawFrame, PositionPlusWidthPastSixteenBitsOnALargePicture) {
    // X0 + W2 = 32771 and Y0 + W0 = 32772 do not fit 16 bits; the columns and rows past 32767
    // exist in these pictures and are painted.
    TestPicture wide(test::grey(32775, 2));
    PixelSurface expected = wide.pixels().clone();
    test::referenceDrawFrame(expected, {1, 1, 4, 1, 32767, 0, 0, 0, 1.0f});
    ASSERT_TRUE(DrawFrame(wide, 1, 1, 4, 1, 32767, 0, 0, 0, 1.0f));
    EXPECT_TRUE(test::samePixels(wide.pixels(), expected));
    // The left band's last column: top 228, left 255 (clamped), bottom 155.
    EXPECT_EQ(wide.at(32771, 0).red, 155);

    TestPicture tall(test::grey(3, 32775));
    expected = tall.pixels().clone();
    test::referenceDrawFrame(expected, {5, 1, 1, 1, 0, 0, 32767, 0, 1.0f});
    ASSERT_TRUE(DrawFrame(tall, 5, 1, 1, 1, 0, 0, 32767, 0, 1.0f));
    EXPECT_TRUE(test::samePixels(tall.pixels(), expected));
    EXPECT_EQ(tall.at(1, 32771).red, 255);  // the top band's last row, under the left band
}

}  // namespace
}  // namespace rimvista
