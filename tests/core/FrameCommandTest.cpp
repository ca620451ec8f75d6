#include <gtest/gtest.h>

#include "EngineTestSupport.h"
#include "core/FrameCommand.h"

namespace rimvista {
namespace {

FrameParams params(std::array<std::int16_t, 4> w, std::int16_t X0, std::int16_t X1, std::int16_t Y0,
                   std::int16_t Y1, std::int16_t kind = 0) {
    return makeFrameParams(w[0], w[1], w[2], w[3], X0, X1, Y0, Y1, kind);
}

TEST(FrameCommand, ReadsTextsAsSixteenBitNumbersAndZeroOtherwise) {
    const FrameTexts texts{{"2.5", "3.5", " 12 ", "-3"}, "abc", "", "40000", "1e2"};
    const FrameParams p = readFrameParams(texts, false);
    EXPECT_EQ(p.W, (std::array<std::int16_t, 4>{2, 4, 12, -3}));
    EXPECT_EQ(p.X0, 0);
    EXPECT_EQ(p.X1, 0);
    EXPECT_EQ(p.Y0, 0);
    EXPECT_EQ(p.Y1, 100);
    EXPECT_EQ(p.Kind, 1);
    EXPECT_EQ(frameStrength(p), -1.0f);
    EXPECT_EQ(readFrameParams(texts, true).Kind, 0);
    EXPECT_EQ(frameStrength(readFrameParams(texts, true)), 1.0f);
}

struct CheckCase {
    const char* what;
    FrameParams p;
    int W, H;
    FrameCheck expected;
};

void PrintTo(const CheckCase& c, std::ostream* os) {
    *os << c.what;
}

class FrameChecks : public testing::TestWithParam<CheckCase> {};

TEST_P(FrameChecks, FirstFailingCheckDecides) {
    const CheckCase& c = GetParam();
    EXPECT_EQ(checkFrame(c.p, c.W, c.H), c.expected) << c.what;
}

constexpr auto Ok = FrameCheck::Ok;
constexpr auto Width = FrameCheck::WidthError;
constexpr auto Position = FrameCheck::PositionError;

INSTANTIATE_TEST_SUITE_P(
    Execute, FrameChecks,
    testing::Values(
        CheckCase{"defaults", params({5, 5, 5, 5}, 0, 0, 0, 0), 640, 480, Ok},
        CheckCase{"zero width", params({5, 0, 5, 5}, 0, 0, 0, 0), 640, 480, Width},
        CheckCase{"negative width", params({5, 5, -3, 5}, 0, 0, 0, 0), 640, 480, Width},
        CheckCase{"widths before positions", params({0, 5, 5, 5}, -1, 0, 0, 0), 640, 480, Width},
        CheckCase{"W0 + W1 = H", params({240, 240, 5, 5}, 0, 0, 0, 0), 640, 480, Ok},
        CheckCase{"W0 + W1 = H + 1", params({240, 241, 5, 5}, 0, 0, 0, 0), 640, 480, Width},
        CheckCase{"W2 + W3 = W + 1", params({5, 5, 320, 321}, 0, 0, 0, 0), 640, 480, Width},
        CheckCase{"16-bit overflow on a tall picture", params({20000, 20000, 5, 5}, 0, 0, 0, 0),
                  640, 60000, Width},
        CheckCase{"16-bit overflow on a wide picture", params({5, 5, 20000, 20000}, 0, 0, 0, 0),
                  60000, 480, Width},
        CheckCase{"X0 = W", params({5, 5, 5, 5}, 640, 0, 0, 0), 640, 480, Position},
        CheckCase{"X0 = W - 1", params({5, 5, 5, 5}, 639, 0, 0, 0), 640, 480, Ok},
        CheckCase{"X0 negative", params({5, 5, 5, 5}, -1, 0, 0, 0), 640, 480, Position},
        CheckCase{"Y0 past H", params({5, 5, 5, 5}, 0, 0, 481, 0), 640, 480, Position},
        CheckCase{"X1 past W", params({5, 5, 5, 5}, 0, 641, 0, 0), 640, 480, Position},
        CheckCase{"Y1 negative", params({5, 5, 5, 5}, 0, 0, 0, -1), 640, 480, Position},
        CheckCase{"right end on the left end", params({5, 5, 5, 5}, 300, 340, 0, 0), 640, 480,
                  Position},
        CheckCase{"bottom end on the top end", params({5, 5, 5, 5}, 0, 0, 200, 280), 640, 480,
                  Position},
        CheckCase{"bottom end just below", params({5, 5, 5, 5}, 0, 0, 200, 279), 640, 480, Ok}));

TEST(FrameCommand, AutoAdjustMovesPastEachBandAndSwitchesTheKind) {
    const auto next = autoAdjusted(params({5, 5, 5, 5}, 0, 0, 0, 0, 0));
    ASSERT_TRUE(next.has_value());
    EXPECT_EQ(*next, params({5, 5, 5, 5}, 6, 6, 6, 6, 1));
    const auto uneven = autoAdjusted(params({1, 2, 3, 4}, 10, 20, 30, 40, 1));
    ASSERT_TRUE(uneven.has_value());
    EXPECT_EQ(*uneven, params({1, 2, 3, 4}, 14, 25, 32, 43, 0));
}

TEST(FrameCommand, AutoAdjustThatWouldOverflowIsRefusedBeforePainting) {
    // X0 + W2 fits, the + 1 does not.
    const FrameParams p = params({5, 5, 5, 5}, 32762, 0, 0, 0);
    EXPECT_FALSE(autoAdjusted(p).has_value());
    EXPECT_TRUE(autoAdjustOverflows(p));
    EXPECT_EQ(checkFrame(p, 40000, 480), Ok);
    EXPECT_EQ(checkExecute(p, 40000, 480, false), Ok);
    EXPECT_EQ(checkExecute(p, 40000, 480, true), Position);
    EXPECT_TRUE(autoAdjustOverflows(params({5, 32767, 5, 5}, 0, 0, 0, 0)));
    EXPECT_FALSE(autoAdjustOverflows(params({5, 5, 5, 5}, 32761, 0, 0, 0)));
    // A width error still comes first.
    EXPECT_EQ(checkExecute(params({0, 5, 5, 5}, 32762, 0, 0, 0), 40000, 480, true), Width);
}

TEST(FrameCommand, MessagesForEachCheck) {
    EXPECT_EQ(checkMessage(Width), "幅の設定が不正です。");
    EXPECT_EQ(checkMessage(Position), "位置の設定が不正です。");
    EXPECT_TRUE(checkMessage(Ok).empty());
    EXPECT_EQ(kSettingErrorTitle, "設定エラー");
}

TEST(FrameCommand, ApplyPaintsAndReturnsWhatUndoesIt) {
    test::TestPicture picture(test::randomPixels(64, 48, 21));
    const PixelSurface before = picture.pixels().clone();
    const FrameParams p = params({5, 5, 5, 5}, 3, 4, 5, 6, 1);
    const auto undo = applyFrame(picture, p);
    ASSERT_TRUE(undo.has_value());
    EXPECT_FALSE(test::samePixels(picture.pixels(), before));
    ASSERT_TRUE(undo->restore(picture));
    EXPECT_TRUE(test::samePixels(picture.pixels(), before));
}

TEST(FrameCommand, ApplyWithoutAPictureChangesNothing) {
    test::TestPicture picture(test::grey(8, 8));
    picture.dropSurface();
    EXPECT_FALSE(applyFrame(picture, params({1, 1, 1, 1}, 0, 0, 0, 0)).has_value());
    EXPECT_TRUE(picture.changes.empty());

    test::TestPicture grey(test::grey(8, 8));
    const PixelSurface before = grey.pixels().clone();
    EXPECT_FALSE(applyFrame(grey, params({0, 1, 1, 1}, 0, 0, 0, 0)).has_value());
    EXPECT_TRUE(test::samePixels(grey.pixels(), before));
}

}  // namespace
}  // namespace rimvista
