// Nothing lost or clobbered, and what the user sees while it runs.
#include "BatchTestSupport.h"
#include "batch/BatchRunner.h"
#include "batch/MemoryGate.h"
#include "support/HugeClaims.h"
#include "support/TestPictures.h"

namespace rimvista::test {
namespace {

namespace fs = std::filesystem;

TEST_F(BatchTest, ExistingOutputsAreReplacedOnlyWithOverwrite) {
    const PixelSurface a = writeBmp("a.bmp", 40, 30, 1);
    const PixelSurface b = writeBmp("b.bmp", 40, 30, 2);
    fs::create_directory(path("out"));
    writeText("out/a.bmp", "earlier result");
    const std::string inputA = bytes("a.bmp");

    const BatchRun kept = batch({"-f", kFrame, "a.bmp", "b.bmp", "-o", "out"});
    EXPECT_EQ(kept.status, 1);
    EXPECT_NE(kept.err.find("a.bmp: out/a.bmp already exists"), std::string::npos) << kept.err;
    EXPECT_EQ(bytes("out/a.bmp"), "earlier result");
    EXPECT_TRUE(
        samePixels(load("out/b.bmp"), framedByEngine(b, {frame(5, 5, 5, 5, 0, 0, 0, 0, 0)})));

    const BatchRun replaced = batch({"-f", kFrame, "a.bmp", "b.bmp", "-o", "out", "--overwrite"});
    EXPECT_EQ(replaced.status, 0) << replaced.err;
    EXPECT_TRUE(
        samePixels(load("out/a.bmp"), framedByEngine(a, {frame(5, 5, 5, 5, 0, 0, 0, 0, 0)})));
    EXPECT_EQ(bytes("a.bmp"), inputA);
    EXPECT_EQ(listing("out"), (std::vector<std::string>{"a.bmp", "b.bmp"}));
}

TEST_F(BatchTest, AFailedWriteLeavesNoTemporaryFileAndOtherPicturesAreWritten) {
    writeBmp("a.bmp", 30, 30, 1);
    writeBmp("b.bmp", 30, 30, 2);
    fs::create_directories(path("out/a.bmp"));  // a folder where a result would go
    for (const char* mode : {"", "--overwrite"}) {
        std::vector<std::string> args = {"-f", kFrame, "a.bmp", "b.bmp", "-o", "out"};
        if (*mode) args.push_back(mode);
        const BatchRun run = batch(args);
        EXPECT_EQ(run.status, 1) << mode;
        EXPECT_NE(run.err.find("a.bmp: "), std::string::npos) << run.err;
        EXPECT_EQ(listing("out"), (std::vector<std::string>{"a.bmp", "b.bmp"})) << mode;
        EXPECT_TRUE(fs::is_directory(path("out/a.bmp")));
        fs::remove(path("out/b.bmp"));
    }
}

TEST_F(BatchTest, PicturesTooLargeForTheirFileOrTheMemoryAreReportedAndSkipped) {
    writeHugeClaims(m_dir);
    writeBmp("good.bmp", 30, 30, 1);
    const BatchRun run = batch({"-f", kFrame, "claims-65500-in-1kb.jpg", "claims-65535-in-1kb.bmp",
                                "claims-65535-in-1kb.png", "good.bmp", "-o", "out/", "-j", "1"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(summaryOf(run), "1 succeeded, 3 failed\n");
    for (const char* name :
         {"claims-65500-in-1kb.jpg", "claims-65535-in-1kb.bmp", "claims-65535-in-1kb.png"})
        EXPECT_NE(run.err.find(std::string(name) + ": "), std::string::npos) << run.err;
    EXPECT_EQ(listing("out"), std::vector<std::string>{"good.bmp"});

    // Sized by its header and refused before it is decoded, whatever the machine has.
    const PretendedMemory pretended;
    batch::RunSettings settings;
    settings.frames = {frame(5, 5, 5, 5, 0, 0, 0, 0, 0)};
    batch::MemoryGate gate(std::uint64_t{256} << 20);
    for (const char* name : {"more-than-memory.jpg", "rows-of-40gb.bmp", "more-than-memory.png"}) {
        const bool png = std::string_view(name).ends_with(".png");
        const batch::PictureJob job{path(name).string(), path("out/x.bmp").string(),
                                    files::FormatId::Bmp,
                                    png ? files::FormatId::Png : files::FormatId::Jpeg};
        const batch::PictureOutcome outcome = batch::framePicture(job, settings, gate);
        ASSERT_EQ(outcome.status, batch::PictureOutcome::Status::Failed) << name;
        EXPECT_NE(outcome.reason.find(" 1024 MB"),  // the memory available, in any language
                  std::string::npos)
            << outcome.reason;
    }
    EXPECT_EQ(listing("out"), std::vector<std::string>{"good.bmp"});
}

TEST_F(BatchTest, ProgressIsABarOnATerminalAndPlainLinesOtherwise) {
    writeBmp("a.bmp", 30, 30, 1);
    writeBmp("b.bmp", 30, 30, 2);
    writeBmp("tiny.bmp", 5, 5, 3);

    const BatchRun lines = batch({"-f", kFrame, "a.bmp", "b.bmp", "-o", "l/", "-j", "1"});
    EXPECT_EQ(lines.err, "[1/2] a.bmp -> l/a.bmp\n[2/2] b.bmp -> l/b.bmp\n2 succeeded, 0 failed\n");

    const BatchRun quiet = batch({"-q", "-f", kFrame, "a.bmp", "tiny.bmp", "-o", "q/"});
    // Failures are never silenced.
    EXPECT_EQ(quiet.err,
              "tiny.bmp: the frame's widths do not fit this 5 x 5 picture; q/tiny.bmp not written "
              "(smaller widths would fit)\n1 succeeded, 1 failed\n");
    EXPECT_EQ(quiet.out, "");

    const BatchRun bar =
        runOnTerminal(RIMVISTA_BATCH_EXE, {"-f", kFrame, "a.bmp", "b.bmp", "-o", "t/"}, m_dir);
    EXPECT_EQ(bar.status, 0);
    EXPECT_NE(bar.err.find("\r["), std::string::npos);
    EXPECT_NE(bar.err.find("] 2/2"), std::string::npos) << bar.err;
    EXPECT_EQ(bar.err.find("->"), std::string::npos);
}

}  // namespace
}  // namespace rimvista::test
