// The command line: what is refused before any picture is touched, and where results go.
#include <algorithm>

#include "BatchTestSupport.h"
#include "support/TestPictures.h"

namespace rimvista::test {
namespace {

namespace fs = std::filesystem;

struct UsageCase {
    const char* name;
    std::vector<std::string> args;
};
void PrintTo(const UsageCase& c, std::ostream* os) {
    *os << c.name;
}

class UsageErrorTest : public BatchTest, public ::testing::WithParamInterface<UsageCase> {};

TEST_P(UsageErrorTest, ExitsWithStatusTwoAndAPointerToTheHelpAndTouchesNothing) {
    writeBmp("a.bmp", 20, 20);
    const std::string before = bytes("a.bmp");
    const BatchRun run = batch(GetParam().args);
    EXPECT_EQ(run.status, 2) << run.err;
    // The reason and one line pointing at --help, not the whole help.
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 2) << run.err;
    EXPECT_NE(run.err.find("--help"), std::string::npos) << run.err;
    EXPECT_EQ(listing(), std::vector<std::string>{"a.bmp"});
    EXPECT_EQ(bytes("a.bmp"), before);
}

std::vector<std::string> elevenFrames() {
    std::vector<std::string> args;
    for (int i = 0; i < 11; ++i) args.insert(args.end(), {"-f", kFrame});
    args.push_back("a.bmp");
    return args;
}

std::vector<UsageCase> usageCases() {
    return {
        UsageCase{"NoArguments", {}}, UsageCase{"NoPictures", {"-f", kFrame}},
        UsageCase{"NoFrames", {"a.bmp"}}, UsageCase{"UnknownOption", {"--frames", kFrame, "a.bmp"}},
        UsageCase{"MissingValue", {"a.bmp", "-f"}},
        UsageCase{"EightNumbers", {"-f", "5,5,5,5,0,0,0,0", "a.bmp"}},
        UsageCase{"TenNumbers", {"-f", kFrame + ",0", "a.bmp"}},
        UsageCase{"NotANumber", {"-f", "5,5,5,5,0,x,0,0,0", "a.bmp"}},
        UsageCase{"Beyond16Bits", {"-f", "5,5,5,5,0,40000,0,0,0", "a.bmp"}},
        UsageCase{"KindTwo", {"-f", "5,5,5,5,0,0,0,0,2", "a.bmp"}},
        UsageCase{"ElevenFrames", elevenFrames()},
        UsageCase{"FrameAndRegistration", {"-f", kFrame, "-r", "#1", "a.bmp"}},
        UsageCase{"NestWithoutFrame", {"--nest", "3", "-r", "#1", "a.bmp"}},
        UsageCase{"NestWithTwoFrames", {"--nest", "2", "-f", kFrame, "-f", kFrame, "a.bmp"}},
        UsageCase{"NestEleven", {"--nest", "11", "-f", kFrame, "a.bmp"}},
        UsageCase{"QualityZero", {"--quality", "0", "-f", kFrame, "a.bmp"}},
        UsageCase{"QualityText", {"--quality", "high", "-f", kFrame, "a.bmp"}},
        UsageCase{"JobsZero", {"-j", "0", "-f", kFrame, "a.bmp"}},
        UsageCase{"FormatGif", {"--format", "gif", "-f", kFrame, "a.bmp"}},
        // Frames no picture can take fail before any picture is read.
        UsageCase{"NegativeWidth", {"-f", "-8,5,5,5,0,0,0,0,0", "a.bmp"}},
        UsageCase{"ZeroWidths", {"-f", "0,0,0,0,0,0,0,0,0", "a.bmp"}},
        UsageCase{"WidthSumOverflows", {"-f", "20000,20000,5,5,0,0,0,0,0", "a.bmp"}},
        UsageCase{"NegativePosition", {"-f", "5,5,5,5,0,0,-1,0,0", "a.bmp"}},
        UsageCase{"OverwriteAndSkipExisting",
                  {"--overwrite", "--skip-existing", "-f", kFrame, "a.bmp"}},
        UsageCase{"ShardBeyondItsCount", {"--shard", "3/2", "-f", kFrame, "a.bmp"}},
        UsageCase{"MissingFilesFromList", {"--files-from", "list.txt", "-f", kFrame}},
        UsageCase{"QuietWithValue", {"--quiet=yes", "-f", kFrame, "a.bmp"}},
        UsageCase{"RegistrationTwice", {"-r", "#1", "-r", "#2", "a.bmp"}},
        UsageCase{"FilesFromTwice", {"--files-from", "-", "--files-from", "-", "-f", kFrame}},
        UsageCase{"SuffixWithSlash", {"--suffix", "a/b", "-f", kFrame, "a.bmp"}},
        UsageCase{"EmptyOutput", {"-o", "", "-f", kFrame, "a.bmp"}},
        UsageCase{"MemoryZero", {"--memory", "0", "-f", kFrame, "a.bmp"}},
        UsageCase{"SettingsWithoutRegistration", {"--settings", "s.ini", "-f", kFrame, "a.bmp"}},
        UsageCase{"ListWithPictures", {"--list-registrations", "a.bmp"}},
        UsageCase{"SampleWithPictures", {"--make-sample", "s.jpg", "a.bmp"}},
        UsageCase{"SampleSizeAlone", {"--sample-size", "9x9", "-f", kFrame, "a.bmp"}},
        UsageCase{"SampleSizeText", {"--make-sample", "s.jpg", "--sample-size", "big"}},
        UsageCase{"OutputAgainstFormat", {"-f", kFrame, "a.bmp", "-o", "x.png", "--format", "bmp"}},
        UsageCase{"OutputFileForTwo", {"-f", kFrame, "a.bmp", "a.bmp", "-o", "x.png"}}};
}

std::string caseName(const ::testing::TestParamInfo<UsageCase>& c) {
    return c.param.name;
}

INSTANTIATE_TEST_SUITE_P(Batch, UsageErrorTest, ::testing::ValuesIn(usageCases()), caseName);

// Under a Japanese locale every usage error, and the pointer to --help, is Japanese throughout.
class JapaneseUsageErrorTest : public UsageErrorTest {};

TEST_P(JapaneseUsageErrorTest, SaysItAllInJapanese) {
    writeBmp("a.bmp", 20, 20);
    const BatchRun run = batch(GetParam().args, {"LC_ALL=ja_JP.UTF-8"});
    EXPECT_EQ(run.status, 2) << run.err;
    EXPECT_FALSE(holdsEnglishProse(run.err)) << run.err;
}

INSTANTIATE_TEST_SUITE_P(Batch, JapaneseUsageErrorTest, ::testing::ValuesIn(usageCases()),
                         caseName);

TEST_F(BatchTest, HelpVersionAndANegativeFirstNumber) {
    const BatchRun help = batch({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("halves to the even one"), std::string::npos) << help.out;
    const BatchRun version = batch({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out.rfind("rimvista-batch ", 0), 0u) << version.out;

    writeBmp("a.bmp", 30, 30);
    const BatchRun run = batch({"-f", "-5,5,5,5,0,0,0,0,0", "a.bmp", "-o", "out.bmp"});
    EXPECT_EQ(run.status, 2) << run.err;  // refused by the width check, not as an option
    EXPECT_NE(run.err.find("-5,5,5,5,0,0,0,0,0: every width must be at least 1"), std::string::npos)
        << run.err;
}

// Outputs that would destroy an input, or each other, are refused before any work starts.
TEST_F(BatchTest, AnOutputThatIsAnInputIsRefusedHoweverItIsSpelled) {
    writeBmp("a.bmp", 20, 20);
    fs::create_directory(path("sub"));
    writeBmp("sub/b.bmp", 20, 20);
    fs::create_symlink(path("a.bmp"), path("link.bmp"));
    const std::string a = bytes("a.bmp");
    const std::vector<std::vector<std::string>> attempts = {
        {"-f", kFrame, "a.bmp", "-o", "a.bmp"},
        {"-f", kFrame, "a.bmp", "-o", "./sub/../a.bmp"},
        {"-f", kFrame, "a.bmp", "-o", "link.bmp", "--overwrite"},
        {"-f", kFrame, "a.bmp", "-o", "."},
        {"-f", kFrame, "a.bmp", "sub/b.bmp", "-o", "sub"},
    };
    for (const auto& args : attempts) {
        const BatchRun run = batch(args);
        EXPECT_EQ(run.status, 2) << args[4] << ": " << run.err;
        EXPECT_NE(run.err.find("is the input"), std::string::npos) << run.err;
    }
    EXPECT_EQ(bytes("a.bmp"), a);
    EXPECT_TRUE(fs::is_symlink(path("link.bmp")));
}

TEST_F(BatchTest, TwoPicturesWithOneOutputAreRefused) {
    fs::create_directory(path("x"));
    fs::create_directory(path("y"));
    writeBmp("x/p.bmp", 20, 20);
    writeJpeg("y/p.jpg", 20, 20);
    writeBmp("q.bmp", 20, 20);
    const BatchRun meet =
        batch({"-f", kFrame, "x/p.bmp", "y/p.jpg", "--format", "bmp", "-o", "out/"});
    EXPECT_EQ(meet.status, 2);
    EXPECT_NE(meet.err.find("x/p.bmp and y/p.jpg would both be written to out/p.bmp"),
              std::string::npos)
        << meet.err;
    EXPECT_EQ(batch({"-f", kFrame, "x/p.bmp", "x/p.bmp", "-o", "out/"}).status, 2);
    // A FILE output takes one picture only, whether the file exists or not.
    EXPECT_EQ(batch({"-f", kFrame, "x/p.bmp", "q.bmp", "-o", "q2.bmp"}).status, 2);
    writeText("file.bmp", "x");
    EXPECT_EQ(batch({"-f", kFrame, "x/p.bmp", "q.bmp", "-o", "file.bmp"}).status, 2);
    EXPECT_FALSE(fs::exists(path("out")));
    EXPECT_FALSE(fs::exists(path("q2.bmp")));
    EXPECT_EQ(bytes("file.bmp"), "x");
}

TEST_F(BatchTest, OutputNamesFollowTheFolderTheFileAndTheFormat) {
    writeBmp("a.bmp", 24, 20);
    writeJpeg("b.JPEG", 24, 20);
    writeText("c.dat", "not a picture");
    // No output given: beside each picture.
    ASSERT_EQ(batch({"-f", kFrame, "a.bmp", "b.JPEG"}).status, 0);
    EXPECT_TRUE(fs::exists(path("a-framed.bmp")));
    EXPECT_TRUE(fs::exists(path("b-framed.JPEG")));
    // A folder keeps the names; another format changes the extension.
    ASSERT_EQ(batch({"-f", kFrame, "a.bmp", "b.JPEG", "-o", "out/"}).status, 0);
    EXPECT_EQ(listing("out"), (std::vector<std::string>{"a.bmp", "b.JPEG"}));
    ASSERT_EQ(batch({"-f", kFrame, "a.bmp", "b.JPEG", "-o", "out2/", "--format", "jpg"}).status, 0);
    EXPECT_EQ(listing("out2"), (std::vector<std::string>{"a.jpg", "b.JPEG"}));
    // A file name's extension chooses the format when --format does not.
    ASSERT_EQ(batch({"-f", kFrame, "b.JPEG", "-o", "single.bmp"}).status, 0);
    EXPECT_EQ(bytes("single.bmp").substr(0, 2), "BM");
    EXPECT_EQ(batch({"-f", kFrame, "b.JPEG", "-o", "single.jpg", "--format", "bmp"}).status, 2);
}

TEST_F(BatchTest, FormatAndQualityChooseTheEncoding) {
    const PixelSurface input = writeBmp("a.bmp", 64, 48, 3);
    ASSERT_EQ(
        batch({"-f", kFrame, "a.bmp", "--format", "jpg", "--quality", "100", "-o", "q100/"}).status,
        0);
    ASSERT_EQ(
        batch({"-f", kFrame, "a.bmp", "--format", "jpg", "--quality", "40", "-o", "q40/"}).status,
        0);
    const std::string best = bytes("q100/a.jpg"), low = bytes("q40/a.jpg");
    ASSERT_GE(best.size(), 3u);
    EXPECT_EQ(best.substr(0, 3), "\xFF\xD8\xFF");
    EXPECT_LT(low.size(), best.size() * 3 / 4);
    // The JPEG holds the framed picture: its pixels stay close to the engine's result.
    const PixelSurface expected = framedByEngine(input, {frame(5, 5, 5, 5, 0, 0, 0, 0, 0)});
    const PixelSurface got = load("q100/a.jpg");
    ASSERT_EQ(got.width(), 64);
    ASSERT_EQ(got.height(), 48);
    int worst = 0;
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x)
            worst = std::max(worst, std::abs(got.row(y)[x].green - expected.row(y)[x].green));
    EXPECT_LE(worst, 24);
}

}  // namespace
}  // namespace rimvista::test
