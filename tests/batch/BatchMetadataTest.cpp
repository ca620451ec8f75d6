// What a framed copy keeps of its picture besides the pixels: metadata, JPEG quality and chroma
// sampling, and PNG's alpha channel, colour types and depths.
#include <png.h>

#include "BatchTestSupport.h"
#include "imageio/JpegMetadata.h"
#include "imageio/PngFile.h"
#include "support/TestPictures.h"

namespace rimvista::test {
namespace {

const std::vector<FrameParams> kFrames = {frame(5, 5, 5, 5, 0, 0, 0, 0, 0)};

std::vector<std::uint8_t> operator""_bytes(const char* text, std::size_t n) {
    return std::vector<std::uint8_t>(text, text + n);
}

// A profile header and one tag of noise, about the size of a real profile; a profile of mostly
// zeros compresses so well that the PNG library's reader takes it for a truncated one.
std::vector<std::uint8_t> fakeProfile() {
    constexpr std::size_t kSize = 576, kTag = 144;
    std::vector<std::uint8_t> icc(kSize, 0);
    icc[2] = kSize >> 8, icc[3] = kSize & 0xFF;
    icc[8] = 2, icc[9] = 0x10;
    icc[131] = 1;  // one tag
    icc[139] = kTag, icc[142] = (kSize - kTag) >> 8, icc[143] = (kSize - kTag) & 0xFF;
    std::uint32_t x = 99;
    for (std::size_t i = kTag + 8; i < kSize; ++i)
        icc[i] = static_cast<std::uint8_t>((x = x * 1103515245u + 12345u) >> 24);
    for (auto [at, text] : {std::pair{12, "mntr"},
                            {16, "RGB "},
                            {20, "XYZ "},
                            {36, "acsp"},
                            {132, "cprt"},
                            {144, "text"}})
        std::copy(text, text + 4, icc.begin() + at);
    const std::uint8_t d50[] = {0, 0, 0xF6, 0xD6, 0, 1, 0, 0, 0, 0, 0xD3, 0x2D};
    std::copy(std::begin(d50), std::end(d50), icc.begin() + 68);
    return icc;
}

// Little-endian Exif: orientation 6 (turned a quarter clockwise) in the first directory, and a
// second directory pointing at a 20-byte thumbnail at the end.
std::vector<std::uint8_t> turnedExifWithThumbnail() {
    std::vector<std::uint8_t> e =
        "II\x2A\x00\x08\x00\x00\x00"                                // header, first directory at 8
        "\x01\x00\x12\x01\x03\x00\x01\x00\x00\x00\x06\x00\x00\x00"  // orientation 6
        "\x1A\x00\x00\x00"                                          // second directory at 26
        "\x02\x00\x01\x02\x04\x00\x01\x00\x00\x00\x38\x00\x00\x00"  // thumbnail at 56
        "\x02\x02\x04\x00\x01\x00\x00\x00\x14\x00\x00\x00"          // 20 bytes long
        "\x00\x00\x00\x00"_bytes;
    e.resize(76, 0xAB);
    return e;
}

files::JpegFacts factsOf(const std::string& bytes) {
    return files::readJpegFacts(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

class BatchMetadataTest : public BatchTest {};

TEST_F(BatchMetadataTest, MetadataQualityAndSamplingAreKeptUnlessStripped) {
    files::PictureMetadata m;
    m.icc = fakeProfile();
    m.exif = turnedExifWithThumbnail();
    m.xmp = "<x:xmpmeta xmlns:x='adobe:ns:meta/'/>";
    m.comments = {"shot on a hill"};
    m.density = files::Density{files::Density::Unit::PerInch, 300, 300};
    ASSERT_TRUE(files::saveJpegWith(randomSurface(64, 48, 4), path("in.jpg").string(), 70,
                                    files::ChromaSampling::S420, m)
                    .ok());
    const PixelSurface upright = load("in.jpg");
    ASSERT_EQ(upright.width(), 48);  // turned by the reader
    writeBmp("b.bmp", 30, 20);

    for (const char* out : {"out.jpg", "out.png"})
        ASSERT_EQ(batch({"-f", kFrame, "in.jpg", "-o", out}).status, 0) << out;
    ASSERT_EQ(batch({"-f", kFrame, "in.jpg", "--strip", "-o", "bare.jpg"}).status, 0);
    ASSERT_EQ(batch({"-f", kFrame, "in.jpg", "--quality", "50", "-o", "q50.jpg"}).status, 0);
    ASSERT_EQ(batch({"-f", kFrame, "b.bmp", "-o", "b.jpg"}).status, 0);

    const files::JpegFacts jpeg = factsOf(bytes("out.jpg"));
    EXPECT_EQ(jpeg.quality, 70);
    EXPECT_EQ(jpeg.sampling, files::ChromaSampling::S420);
    EXPECT_EQ(jpeg.metadata.icc, m.icc);
    EXPECT_EQ(jpeg.metadata.xmp, m.xmp);
    EXPECT_EQ(jpeg.metadata.comments, m.comments);
    ASSERT_TRUE(jpeg.metadata.density);
    EXPECT_EQ(jpeg.metadata.density->unit, files::Density::Unit::PerInch);
    EXPECT_EQ(jpeg.metadata.density->x, 300);
    // Upright pixels say so, and the thumbnail of the unframed picture is gone.
    EXPECT_EQ(jpeg.orientation, 1);
    ASSERT_EQ(jpeg.metadata.exif.size(), 56u);
    EXPECT_EQ(jpeg.metadata.exif[22] | jpeg.metadata.exif[23] | jpeg.metadata.exif[24], 0);
    EXPECT_TRUE(samePixels(load("out.png"), framedByEngine(upright, kFrames)));

    files::PngExtras png;
    ASSERT_TRUE(files::readPng(path("out.png").string(), &png).ok());
    EXPECT_EQ(png.metadata.icc, m.icc);
    EXPECT_EQ(png.metadata.exif, jpeg.metadata.exif);
    EXPECT_EQ(png.metadata.xmp, m.xmp);
    EXPECT_EQ(png.metadata.comments, m.comments);
    ASSERT_TRUE(png.metadata.density);
    EXPECT_NEAR(png.metadata.density->x, 300, 0.02);

    const files::JpegFacts bare = factsOf(bytes("bare.jpg"));
    EXPECT_TRUE(bare.metadata.empty());
    EXPECT_EQ(bare.quality, 70);
    EXPECT_EQ(factsOf(bytes("q50.jpg")).quality, 50);
    // Not a JPEG: quality 92 and no chroma subsampling.
    const files::JpegFacts fromBmp = factsOf(bytes("b.jpg"));
    EXPECT_EQ(fromBmp.quality, 92);
    EXPECT_EQ(fromBmp.sampling, files::ChromaSampling::S444);
}

void writeSimplePng(const std::string& path, std::uint32_t format, int width, int height,
                    const void* pixels, const std::vector<std::uint8_t>& colormap = {}) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(width);
    image.height = static_cast<png_uint_32>(height);
    image.format = format;
    image.colormap_entries = static_cast<png_uint_32>(colormap.size() / 4);
    ASSERT_TRUE(png_image_write_to_file(&image, path.c_str(), 0, pixels, 0,
                                        colormap.empty() ? nullptr : colormap.data()));
}

TEST_F(BatchMetadataTest, PngKeepsItsAlphaAndColourTypeAndTheEnginesPixels) {
    constexpr int w = 40, h = 30;
    std::vector<std::uint8_t> noise(std::size_t(w) * h * 6);
    std::uint32_t x = 12345;
    for (auto& b : noise) b = static_cast<std::uint8_t>((x = x * 1103515245u + 12345u) >> 24);
    std::vector<std::uint8_t> indices(std::size_t(w) * h), colormap(16 * 4);
    for (std::size_t i = 0; i < indices.size(); ++i) indices[i] = noise[i] % 16;
    for (std::size_t i = 0; i < colormap.size(); ++i) colormap[i] = noise[i + 7];
    writeSimplePng(path("rgba.png").string(), PNG_FORMAT_RGBA, w, h, noise.data());
    writeSimplePng(path("grey.png").string(), PNG_FORMAT_GRAY, w, h, noise.data());
    writeSimplePng(path("palette.png").string(), PNG_FORMAT_RGBA_COLORMAP, w, h, indices.data(),
                   colormap);
    writeSimplePng(path("deep.png").string(), PNG_FORMAT_LINEAR_RGB, w, h, noise.data());

    const std::vector<std::string> names = {"rgba.png", "grey.png", "palette.png", "deep.png"};
    std::vector<std::string> args = {"-f", kFrame, "-o", "out/"};
    args.insert(args.end(), names.begin(), names.end());
    const BatchRun run = batch(args);
    ASSERT_EQ(run.status, 0) << run.err;
    for (const std::string& name : names) {
        files::PngExtras in, out;
        const files::LoadResult input = files::readPng(path(name).string(), &in);
        const files::LoadResult output = files::readPng(path("out/" + name).string(), &out);
        ASSERT_TRUE(input.ok() && output.ok()) << name;
        EXPECT_TRUE(samePixels(*output, framedByEngine(*input, kFrames))) << name;
        EXPECT_EQ(out.alpha, in.alpha) << name;
        EXPECT_EQ(out.grey, in.grey) << name;
    }
    files::PngExtras rgba, grey, palette;
    files::readPng(path("rgba.png").string(), &rgba);
    files::readPng(path("grey.png").string(), &grey);
    files::readPng(path("palette.png").string(), &palette);
    EXPECT_FALSE(rgba.alpha.empty());
    EXPECT_FALSE(palette.alpha.empty());  // from the palette's transparency
    EXPECT_TRUE(grey.grey);
    EXPECT_EQ(static_cast<int>(bytes("out/deep.png")[24]), 8);  // written with 8-bit channels
}

}  // namespace
}  // namespace rimvista::test
