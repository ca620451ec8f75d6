// Framing many pictures: the engine's pixels, nested frames, failures that spare the others,
// parallel workers and a tight memory budget.
#include "BatchTestSupport.h"
#include "support/TestPictures.h"

namespace rimvista::test {
namespace {

std::vector<std::string> frameArgs(const std::vector<FrameParams>& frames) {
    std::vector<std::string> args;
    for (const FrameParams& p : frames) args.insert(args.end(), {"-f", frameText(p)});
    return args;
}

std::vector<std::string> operator+(std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

const std::vector<FrameParams> kSequence = {
    frame(4, 6, 3, 5, 2, 3, 1, 4, 0),
    frame(2, 2, 2, 2, 12, 13, 12, 14, 1),
    frame(1, 3, 1, 3, 20, 20, 20, 20, 0),
};

TEST_F(BatchTest, ASequenceGivesTheEnginesPixelsForBmpAndJpegInput) {
    const PixelSurface bmp = writeBmp("a.bmp", 90, 70, 11);
    const PixelSurface jpg = writeJpeg("b.jpg", 77, 61, 90, 12);
    const BatchRun run =
        batch(frameArgs(kSequence) +
              std::vector<std::string>{"a.bmp", "b.jpg", "--format", "bmp", "-o", "out/"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(samePixels(load("out/a.bmp"), framedByEngine(bmp, kSequence)));
    EXPECT_TRUE(samePixels(load("out/b.bmp"), framedByEngine(jpg, kSequence)));
    EXPECT_EQ(summaryOf(run), "2 succeeded, 0 failed\n");
}

TEST_F(BatchTest, NestAdvancesThePositionsAndAlternatesTheKind) {
    const PixelSurface input = writeBmp("a.bmp", 64, 50, 5);
    ASSERT_EQ(batch({"-f", "3,2,1,4,0,1,2,3,0", "--nest", "4", "a.bmp", "-o", "n.bmp"}).status, 0);
    // Each frame's bands are width + 1 thick, the next frame starts right inside them.
    const std::vector<FrameParams> expected = {
        frame(3, 2, 1, 4, 0, 1, 2, 3, 0),
        frame(3, 2, 1, 4, 2, 6, 6, 6, 1),
        frame(3, 2, 1, 4, 4, 11, 10, 9, 0),
        frame(3, 2, 1, 4, 6, 16, 14, 12, 1),
    };
    EXPECT_TRUE(samePixels(load("n.bmp"), framedByEngine(input, expected)));
}

TEST_F(BatchTest, NestStopsThePictureWhereTheWindowWouldRefuseAFrame) {
    writeBmp("a.bmp", 40, 40);
    // Positions advance by 4: the sixth frame would start at 20 from both sides of 40 pixels.
    const BatchRun run = batch({"-f", "3,3,3,3,0,0,0,0,0", "--nest", "10", "a.bmp", "-o", "n.bmp"});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find(
                  "a.bmp: the frame's positions do not fit this 40 x 40 picture (frame 6 of 10)"),
              std::string::npos)
        << run.err;
    EXPECT_FALSE(std::filesystem::exists(path("n.bmp")));
}

TEST_F(BatchTest, FailingPicturesAreReportedAndSkippedWhileTheOthersAreFramed) {
    const PixelSurface good1 = writeBmp("good1.bmp", 60, 60, 1);
    const PixelSurface good2 = writeJpeg("good2.jpg", 50, 44, 95, 2);
    writeBmp("small.bmp", 8, 8);  // widths 5 + 5 do not fit 8 rows
    writeBmp("pos.bmp", 30, 30);  // 30 - 15 is not right of 15
    writeText("damaged.jpg", std::string("\xFF\xD8\xFF\xE0\x00\x10JFIF", 10) + "broken");
    writeText("empty.bmp", "");
    const std::vector<FrameParams> f = {frame(5, 5, 5, 5, 15, 15, 15, 15, 0)};
    const BatchRun run =
        batch(frameArgs(f) + std::vector<std::string>{"-j", "2", "good1.bmp", "small.bmp",
                                                      "damaged.jpg", "pos.bmp", "missing.jpg",
                                                      "empty.bmp", "good2.jpg", "-o", "out/"});
    EXPECT_EQ(run.status, 1);
    // A missing or empty file is not a picture: reported and skipped, not tried.
    EXPECT_EQ(summaryOf(run), "2 succeeded, 3 failed, 2 skipped (not pictures)\n");
    EXPECT_NE(run.err.find("small.bmp: the frame's widths do not fit"), std::string::npos)
        << run.err;
    EXPECT_NE(run.err.find("pos.bmp: the frame's positions do not fit"), std::string::npos)
        << run.err;
    for (const char* name : {"damaged.jpg: ", "missing.jpg: ", "empty.bmp: "})
        EXPECT_NE(run.err.find(name), std::string::npos) << name << run.err;
    EXPECT_EQ(listing("out"), (std::vector<std::string>{"good1.bmp", "good2.jpg"}));
    EXPECT_TRUE(samePixels(load("out/good1.bmp"), framedByEngine(good1, f)));
    EXPECT_EQ(load("out/good2.jpg").width(), good2.width());
}

TEST_F(BatchTest, ParallelWorkersAndATinyMemoryBudgetFrameEveryPictureCorrectly) {
    std::vector<PixelSurface> inputs;
    std::vector<std::string> names;
    for (int i = 0; i < 8; ++i) {
        names.push_back("p" + std::to_string(i) + ".bmp");
        inputs.push_back(writeBmp(names.back(), 50 + 7 * i, 64 - 2 * i, 100 + i));
    }
    const std::vector<std::vector<std::string>> variants = {
        {"-j", "3", "-o", "j3/"},
        {"-j", "2", "--memory", "1", "-o", "tight/"},
        {"-j", "1", "-o", "j1/"}};
    for (const auto& variant : variants) {
        const BatchRun run = batch(frameArgs(kSequence) + names + variant);
        ASSERT_EQ(run.status, 0) << run.err;
        for (std::size_t i = 0; i < names.size(); ++i) {
            EXPECT_TRUE(
                samePixels(load(variant.back() + names[i]), framedByEngine(inputs[i], kSequence)))
                << variant.back() << "/" << names[i];
        }
    }
}

}  // namespace
}  // namespace rimvista::test
