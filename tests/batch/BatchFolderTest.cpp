// Real photo folders: stray names, what -o means, re-runs, folder trees, shared runs and the
// language of the messages.
#include "BatchTestSupport.h"
#include "imageio/PngFile.h"
#include "support/TestPictures.h"

namespace rimvista::test {
namespace {

namespace fs = std::filesystem;

std::string head(const std::string& bytes, std::size_t n) {
    return bytes.substr(0, std::min(n, bytes.size()));
}
const std::string kJpegMagic = "\xFF\xD8\xFF";
const std::string kPngMagic = "\x89PNG";

class BatchFolderTest : public BatchTest {
protected:
    void writePng(const std::string& name, int width, int height, std::uint32_t seed = 7) {
        EXPECT_TRUE(
            files::savePng(randomSurface(width, height, seed), path(name).string(), {}).ok());
    }
};

TEST_F(BatchFolderTest, StrayNamesAreReportedAndSkippedWhileThePicturesAreWritten) {
    fs::create_directories(path("photos/sub"));
    writeJpeg("photos/a.jpg", 30, 20);
    writePng("photos/b.png", 30, 20);
    writePng("photos/misnamed.jpg", 30, 20);  // the contents decide, not the name
    writeText("photos/Thumbs.db", std::string("\xD0\xCF\x11\xE0", 4) + "not a picture");
    writeText("photos/a.xmp", "<x:xmpmeta/>");
    writeText("photos/cut.png", head(bytes("photos/b.png"), 100));  // a picture, damaged
    const BatchRun run =
        batch({"-f", kFrame, "photos/a.jpg", "photos/Thumbs.db", "photos/b.png", "photos/a.xmp",
               "photos/sub", "photos/misnamed.jpg", "photos/cut.png", "-o", "out/"});
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_NE(run.err.find("photos/Thumbs.db: not a JPEG, PNG or BMP picture"), std::string::npos)
        << run.err;
    EXPECT_NE(run.err.find("photos/a.xmp: not a JPEG"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("photos/sub: is a folder"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("photos/cut.png: cannot be read: damaged PNG file"), std::string::npos)
        << run.err;
    EXPECT_EQ(summaryOf(run), "3 succeeded, 1 failed, 3 skipped (not pictures)\n");
    EXPECT_EQ(listing("out"), (std::vector<std::string>{"a.jpg", "b.png", "misnamed.png"}));
    EXPECT_EQ(head(bytes("out/misnamed.png"), 4), kPngMagic);

    // Nothing to frame at all: no output folder is made.
    EXPECT_EQ(batch({"-f", kFrame, "photos/Thumbs.db", "-o", "none/"}).status, 1);
    EXPECT_FALSE(fs::exists(path("none")));
}

TEST_F(BatchFolderTest, OutputIsAFolderOneFileOrStandardOutputByOneRule) {
    writeJpeg("a.jpg", 30, 20);
    writeBmp("b.bmp", 30, 20);
    fs::create_directory(path("existing"));
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string file;   // written, empty when none should be
        std::string magic;  // its first bytes
    };
    const std::vector<Case> cases = {
        {{"a.jpg", "-o", "x.png"}, 0, "x.png", kPngMagic},  // the extension decides
        {{"a.jpg", "-o", "y.BMP"}, 0, "y.BMP", "BM"},
        {{"a.jpg", "-o", "res/"}, 0, "res/a.jpg", kJpegMagic},
        {{"b.bmp", "-o", "existing"}, 0, "existing/b.bmp", "BM"},
        {{"a.jpg", "-o", "results"}, 2, "", ""},  // no extension, no slash, no folder
        {{"a.jpg", "-o", "x.txt"}, 2, "", ""},
        {{"a.jpg", "b.bmp", "-o", "one.jpg"}, 2, "", ""},
        {{"a.jpg", "b.bmp", "-o", "-"}, 2, "", ""},
        {{"a.jpg", "-o", "x.jpg", "--format", "png"}, 2, "", ""},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = {"-f", kFrame};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const BatchRun run = batch(args);
        EXPECT_EQ(run.status, c.status) << c.args.back() << ": " << run.err;
        if (!c.file.empty()) {
            EXPECT_EQ(head(bytes(c.file), c.magic.size()), c.magic) << c.file;
        }
    }
    EXPECT_FALSE(fs::exists(path("results")));
    EXPECT_FALSE(fs::exists(path("-")));

    // "-": the one result to standard output, the summary to the error output.
    const BatchRun jpeg = batch({"-f", kFrame, "a.jpg", "-o", "-"});
    EXPECT_EQ(jpeg.status, 0) << jpeg.err;
    EXPECT_EQ(head(jpeg.out, 3), kJpegMagic);
    EXPECT_NE(jpeg.err.find("1 succeeded"), std::string::npos);
    const BatchRun png = batch({"-q", "-f", kFrame, "a.jpg", "-o", "-", "--format", "png"});
    EXPECT_EQ(head(png.out, 4), kPngMagic);
    writeText("piped.png", png.out);
    EXPECT_EQ(load("piped.png").width(), 30);
}

TEST_F(BatchFolderTest, ReRunsFinishTheRestAndDryRunsTouchNothing) {
    const PixelSurface a = writeBmp("a.bmp", 30, 30, 1);
    writeBmp("b.bmp", 30, 30, 2);
    writeBmp("tiny.bmp", 5, 5, 3);

    const BatchRun preview = batch({"-n", "-f", kFrame, "a.bmp", "b.bmp", "-o", "out/"});
    EXPECT_EQ(preview.status, 0);
    EXPECT_EQ(preview.out, "a.bmp -> out/a.bmp\nb.bmp -> out/b.bmp\n");
    EXPECT_FALSE(fs::exists(path("out")));

    // A folder made for a run in which every picture failed is taken away again.
    EXPECT_EQ(batch({"-f", kFrame, "tiny.bmp", "-o", "out/"}).status, 1);
    EXPECT_FALSE(fs::exists(path("out")));

    ASSERT_EQ(batch({"-f", kFrame, "a.bmp", "-o", "out/"}).status, 0);
    const std::string first = bytes("out/a.bmp");
    EXPECT_EQ(batch({"-n", "-f", kFrame, "a.bmp", "b.bmp", "-o", "out/", "--skip-existing"}).out,
              "a.bmp -> out/a.bmp (already there, kept)\nb.bmp -> out/b.bmp\n");
    const BatchRun rerun = batch({"-f", kFrame, "a.bmp", "b.bmp", "-o", "out/", "--skip-existing"});
    EXPECT_EQ(rerun.status, 0) << rerun.err;
    EXPECT_EQ(summaryOf(rerun), "1 succeeded, 0 failed, 1 already there (kept)\n");
    EXPECT_EQ(bytes("out/a.bmp"), first);
    EXPECT_EQ(listing("out"), (std::vector<std::string>{"a.bmp", "b.bmp"}));
}

TEST_F(BatchFolderTest, FolderTreesListsSuffixesAndShards) {
    fs::create_directories(path("photos/trip"));
    writeBmp("photos/x.bmp", 30, 30, 1);
    writeJpeg("photos/trip/y.jpg", 30, 30);
    writeJpeg("photos/trip/.hidden.jpg", 30, 30);
    writeText("photos/notes.txt", "found in a folder, not named: ignored");
    const BatchRun tree = batch({"-R", "-f", kFrame, "photos", "-o", "out/"});
    EXPECT_EQ(tree.status, 0) << tree.err;
    EXPECT_EQ(listing("out"), (std::vector<std::string>{"trip", "x.bmp"}));
    EXPECT_EQ(listing("out/trip"), (std::vector<std::string>{"y.jpg"}));

    const BatchRun listed = batch({"--files-from", "-", "--suffix", "_f", "-f", kFrame}, {},
                                  "photos/x.bmp\r\n\nphotos/trip/y.jpg\n");
    EXPECT_EQ(listed.status, 0) << listed.err;
    EXPECT_TRUE(fs::exists(path("photos/x_f.bmp")));
    EXPECT_TRUE(fs::exists(path("photos/trip/y_f.jpg")));

    // Every picture falls in exactly one shard; together the shards frame them all.
    std::vector<std::string> names;
    for (int i = 0; i < 9; ++i) {
        names.push_back("p" + std::to_string(i) + ".bmp");
        writeBmp(names.back(), 20, 20, 10 + i);
    }
    for (const char* shard : {"1/3", "2/3", "3/3"}) {
        std::vector<std::string> args = {"-f", kFrame, "--shard", shard, "-o", "s/"};
        args.insert(args.end(), names.begin(), names.end());
        const BatchRun run = batch(args);
        // A picture framed by two shards would fail the second time: its output exists.
        EXPECT_EQ(run.status, 0) << shard << run.err;
    }
    EXPECT_EQ(listing("s"), names);
}

TEST_F(BatchFolderTest, MessagesAreEnglishOrTheWindowsJapaneseAndNameWhatFailed) {
    writeBmp("tiny.bmp", 5, 5);
    writeBmp("a.bmp", 30, 30);
    const BatchRun ja = batch({"-f", kFrame, "tiny.bmp", "-o", "x.bmp"}, {"LC_ALL=ja_JP.UTF-8"});
    EXPECT_NE(ja.err.find("tiny.bmp: 幅の設定が不正です。"), std::string::npos) << ja.err;

    // A failed write names the picture, the output and where to look, in English only.
    fs::create_directories(path("out/a.bmp"));
    const BatchRun en = batch({"-f", kFrame, "a.bmp", "-o", "out/", "--overwrite"}, {"LANG=C"});
    EXPECT_EQ(en.status, 1);
    EXPECT_NE(en.err.find("a.bmp: cannot write out/a.bmp: "), std::string::npos) << en.err;
    EXPECT_NE(en.err.find("check that the folder out can be written"), std::string::npos);
    EXPECT_TRUE(std::all_of(en.err.begin(), en.err.end(), [](char c) {
        return static_cast<unsigned char>(c) < 0x80;
    })) << en.err;
}

}  // namespace
}  // namespace rimvista::test
