// Pictures that can be framed a block of rows at a time must come out exactly as the
// whole-picture path writes them: the same bytes, metadata and messages, whichever path a
// picture takes. RIMVISTA_BATCH_WHOLE=1 makes the tool take the whole-picture path throughout.
#include <filesystem>

#include "BatchTestSupport.h"
#include "batch/BatchRunner.h"
#include "batch/MemoryGate.h"
#include "imageio/JpegMetadata.h"
#include "imageio/PngFile.h"
#include "support/TestPictures.h"

namespace rimvista::test {
namespace {

namespace fs = std::filesystem;

// The same rows stored top-down (a negative height), which a reader takes in the other order.
std::string topDown(const std::string& bmp, int width, int height) {
    const std::size_t offset = 54, row = (std::size_t(width) * 3 + 3) / 4 * 4;
    std::string flipped = bmp;
    for (int y = 0; y < height; ++y)
        flipped.replace(offset + row * std::size_t(y), row, bmp,
                        offset + row * std::size_t(height - 1 - y), row);
    const std::uint32_t h = static_cast<std::uint32_t>(-height);
    for (int i = 0; i < 4; ++i) flipped[22 + i] = static_cast<char>(h >> (8 * i));
    return flipped;
}

// Little-endian Exif: orientation 1 and a second directory pointing at a 20-byte thumbnail.
std::vector<std::uint8_t> uprightExifWithThumbnail() {
    const char text[] =
        "II\x2A\x00\x08\x00\x00\x00"
        "\x01\x00\x12\x01\x03\x00\x01\x00\x00\x00\x01\x00\x00\x00"
        "\x1A\x00\x00\x00"
        "\x02\x00\x01\x02\x04\x00\x01\x00\x00\x00\x38\x00\x00\x00"
        "\x02\x02\x04\x00\x01\x00\x00\x00\x14\x00\x00\x00"
        "\x00\x00\x00\x00";
    std::vector<std::uint8_t> exif(text, text + sizeof text - 1);
    exif.resize(76, 0xAB);
    return exif;
}

class BatchStreamTest : public BatchTest {
protected:
    // The output of one run, taken by the streaming path or (whole) the whole-picture one;
    // the run's messages go to err.
    std::string framed(const std::vector<std::string>& args, const std::string& output, bool whole,
                       std::string& err) {
        fs::remove_all(path("out"));
        std::vector<std::string> all = args;
        all.insert(all.end(), {"-q", "-o", "out/" + output});
        const BatchRun run =
            batch(all, {whole ? "RIMVISTA_BATCH_WHOLE=1" : "RIMVISTA_BATCH_WHOLE=0"});
        err = run.err + "status " + std::to_string(run.status);
        // Nothing else is left in the folder: no temporary file.
        if (fs::exists(path("out"))) {
            const std::vector<std::string> left = listing("out");
            EXPECT_TRUE(left.empty() || left == std::vector<std::string>{output}) << left.size();
        }
        return fs::exists(path("out/" + output)) ? bytes("out/" + output) : std::string();
    }
};

TEST_F(BatchStreamTest, StreamedOutputsAndMessagesEqualTheWholePicturePath) {
    fs::copy_file(fs::path(RIMVISTA_FIXTURES_DIR) / "legacy-sjis.ini", path("legacy.ini"));
    writeBmp("up.bmp", 101, 67, 3);  // odd width: padded rows
    writeText("down.bmp", topDown(bytes("up.bmp"), 101, 67));

    files::PictureMetadata m;
    m.icc.assign(600, 7);
    std::copy_n("RGB ", 4, m.icc.begin() + 16);  // kept only on colour outputs
    m.exif = uprightExifWithThumbnail();
    m.xmp = "<x:xmpmeta xmlns:x='adobe:ns:meta/'/>";
    m.comments = {"on a hill", "at dusk"};
    m.density = files::Density{files::Density::Unit::PerCentimetre, 118, 118};
    ASSERT_TRUE(files::saveJpegWith(randomSurface(91, 75, 5), path("meta.jpg").string(), 83,
                                    files::ChromaSampling::S420, m)
                    .ok());
    for (auto [name, sampling] : {std::pair{"s422.jpg", files::ChromaSampling::S422},
                                  {"grey.jpg", files::ChromaSampling::Grey}})
        ASSERT_TRUE(
            files::saveJpegWith(randomSurface(64, 50, 6), path(name).string(), 90, sampling, {})
                .ok());
    // Cannot stream: turned by its Exif orientation.
    m.exif[18] = 6;
    ASSERT_TRUE(files::saveJpegWith(randomSurface(70, 52, 7), path("turned.jpg").string(), 88,
                                    files::ChromaSampling::S444, m)
                    .ok());
    // Damaged half way: the stream fails, and the whole-picture path words the failure.
    const std::string whole = bytes("s422.jpg");
    writeText("cut.jpg", whole.substr(0, whole.size() * 2 / 3));
    // PNG with alpha and metadata, grey PNG, and one cut short in its image data.
    files::PngExtras extras;
    extras.metadata = m;
    extras.alpha.assign(93 * 61, 0);
    for (std::size_t i = 0; i < extras.alpha.size(); ++i) extras.alpha[i] = std::uint8_t(i * 7);
    ASSERT_TRUE(files::savePng(randomSurface(93, 61, 8), path("meta.png").string(), extras).ok());
    ASSERT_TRUE(files::savePng(randomSurface(64, 50, 9), path("grey.png").string(),
                               files::PngExtras{{}, true, {}})
                    .ok());
    const std::string png = bytes("grey.png");
    writeText("cut.png", png.substr(0, png.size() * 2 / 3));

    const std::vector<std::vector<std::string>> frameSets = {
        {"-f", "6,6,6,6,0,0,0,0,0", "--nest", "3"},
        {"-f", "3,9,2,7,1,4,0,5,1", "-f", "12,2,9,1,0,0,3,0,0"},
        {"-r", "額縁・二重", "--settings", "legacy.ini"},
        {"-f", "40,40,40,40,0,0,0,0,0"},  // too wide for these pictures: refused
    };
    struct Case {
        const char* input;
        const char* output;
        std::vector<std::string> extra;
    };
    const Case cases[] = {
        {"up.bmp", "a.bmp", {}},
        {"down.bmp", "a.bmp", {}},
        {"down.bmp", "a.jpg", {}},
        {"meta.jpg", "a.jpg", {}},
        {"meta.jpg", "a.bmp", {}},
        {"meta.jpg", "a.jpg", {"--strip"}},
        {"s422.jpg", "a.jpg", {"--quality", "61"}},
        {"grey.jpg", "a.jpg", {}},
        {"turned.jpg", "a.jpg", {}},
        {"cut.jpg", "a.jpg", {}},
        {"up.bmp", "a.png", {}},
        {"meta.jpg", "a.png", {}},
        {"meta.png", "a.png", {}},
        {"meta.png", "a.jpg", {}},
        {"meta.png", "a.bmp", {"--strip"}},
        {"grey.png", "a.png", {}},
        {"cut.png", "a.png", {}},
    };
    for (const Case& c : cases) {
        for (const auto& frames : frameSets) {
            std::vector<std::string> args = frames;
            args.insert(args.end(), c.extra.begin(), c.extra.end());
            args.push_back(c.input);
            std::string streamedErr, wholeErr;
            const std::string streamed = framed(args, c.output, false, streamedErr);
            const std::string reference = framed(args, c.output, true, wholeErr);
            const std::string what = std::string(c.input) + " -> " + c.output + " " + frames[1];
            EXPECT_EQ(streamedErr, wholeErr) << what;
            EXPECT_TRUE(streamed == reference) << what;
            if (frames[1] != "40,40,40,40,0,0,0,0,0" && !std::string(c.input).starts_with("cut")) {
                EXPECT_FALSE(streamed.empty()) << what << streamedErr;
            }
        }
    }
    EXPECT_EQ(bytes("cut.jpg"), whole.substr(0, whole.size() * 2 / 3));
    EXPECT_EQ(bytes("cut.png"), png.substr(0, png.size() * 2 / 3));

    // A PNG picture's Exif thumbnail no longer shows it once framed, as for JPEG pictures.
    std::string err;
    framed({"-f", "6,6,6,6,0,0,0,0,0", "meta.png"}, "a.png", false, err);
    files::dropExifThumbnail(m.exif);
    files::InputFile out;
    ASSERT_TRUE(out.open(path("out/a.png").string()).ok());
    ASSERT_TRUE(files::readPngFacts(out));
    EXPECT_EQ(files::readPngFacts(out)->metadata.exif, m.exif);
}

// So that -j keeps many streaming pictures in work, the gate is asked for a few blocks of rows,
// not for the picture; what is read whole still asks for the whole picture.
TEST_F(BatchStreamTest, TheMemoryGateCountsWhatEachPathHolds) {
    const PixelSurface big = writeBmp("big.bmp", 3000, 2000, 9);
    const std::uint64_t pixels = std::uint64_t{3000} * 2000 * 4;
    files::PictureMetadata turned;
    turned.exif = uprightExifWithThumbnail();
    turned.exif[18] = 6;  // cannot stream: read whole
    ASSERT_TRUE(files::saveJpegWith(big, path("turned.jpg").string(), 90,
                                    files::ChromaSampling::S444, turned)
                    .ok());
    batch::RunSettings settings;
    settings.frames = {frame(5, 5, 5, 5, 0, 0, 0, 0, 0)};
    // The share of the picture's memory a stream may ask for; 0: read whole. PNG's deflate
    // keeps blocks in work on every core besides the ring.
    using files::FormatId;
    for (const auto& [input, inputFormat, output, format, share] :
         {std::tuple{"big.bmp", FormatId::Bmp, "o.jpg", FormatId::Jpeg, 0.5},
          {"big.bmp", FormatId::Bmp, "o.bmp", FormatId::Bmp, 0.5},
          {"big.bmp", FormatId::Bmp, "o.png", FormatId::Png, 0.85},
          {"o.png", FormatId::Png, "p.png", FormatId::Png, 0.85},
          {"turned.jpg", FormatId::Jpeg, "t.jpg", FormatId::Jpeg, 0.0}}) {
        batch::MemoryGate gate(std::uint64_t{1} << 30);
        const batch::PictureJob job{path(input).string(), path(output).string(), format,
                                    inputFormat};
        EXPECT_EQ(batch::framePicture(job, settings, gate).status,
                  batch::PictureOutcome::Status::Written)
            << output;
        if (share > 0)
            EXPECT_LT(gate.peak(), pixels * share) << output;
        else
            EXPECT_GE(gate.peak(), pixels) << output;
    }
}

}  // namespace
}  // namespace rimvista::test
