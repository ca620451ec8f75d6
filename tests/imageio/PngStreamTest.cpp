// PNG pictures streamed a block of rows at a time against the whole-picture path, byte for
// byte, and the files of the parallel deflate as other PNG readers see them.

#include <gtest/gtest.h>
#include <png.h>

#include <QImage>
#include <QString>
#include <random>

#include "CodecTestFiles.h"
#include "core/FrameRenderer.h"
#include "imageio/FrameStream.h"
#include "imageio/PngFile.h"

namespace rimvista {
namespace {

using test::Bytes;

int pick(std::mt19937& gen, int lo, int hi) {
    return std::uniform_int_distribution<int>(lo, hi)(gen);
}

struct PngShape {
    int width, height, colourType, depth;
    bool transparency;  // a tRNS chunk
};

// Random samples of the shape's depth, with text before the image data and after it, an
// international XMP text, a density and an Exif block, each there or not by the seed.
void writeRandomPng(const std::string& path, const PngShape& p, std::mt19937& gen) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_TRUE(file);
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_init_io(png, file);
    png_set_IHDR(png, info, p.width, p.height, p.depth, p.colourType, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_BASE, PNG_FILTER_TYPE_BASE);
    const int levels = 1 << p.depth;
    std::vector<png_color> palette(std::size_t(std::min(levels, 256)));
    for (auto& c : palette) c = {png_byte(gen()), png_byte(gen()), png_byte(gen())};
    if (p.colourType == PNG_COLOR_TYPE_PALETTE)
        png_set_PLTE(png, info, palette.data(), int(palette.size()));
    std::vector<png_byte> alphas(palette.size());
    for (auto& a : alphas) a = png_byte(gen());
    png_color_16 key{0, 1, 1, 1, 1};
    if (p.transparency) png_set_tRNS(png, info, alphas.data(), int(alphas.size()), &key);
    std::string comment = "before", xmp = "<x:xmpmeta>" + std::to_string(gen()) + "</x:xmpmeta>";
    png_text before[] = {{PNG_TEXT_COMPRESSION_NONE, const_cast<char*>("Comment"), comment.data(),
                          comment.size(), 0, nullptr, nullptr}};
    if (gen() % 2) png_set_text(png, info, before, 1);
    if (gen() % 2) png_set_pHYs(png, info, 11811, 11811, PNG_RESOLUTION_METER);
    Bytes exif{'M', 'M', 0, 42, 0, 0, 0, 8, 0, 0, 0, 0, 0, 0};
    if (gen() % 2) png_set_eXIf_1(png, info, png_uint_32(exif.size()), exif.data());
    png_write_info(png, info);
    const int channels = p.colourType == PNG_COLOR_TYPE_RGB_ALPHA ? 4
                         : p.colourType == PNG_COLOR_TYPE_RGB     ? 3
                         : p.colourType == PNG_COLOR_TYPE_GA      ? 2
                                                                  : 1;
    std::vector<png_byte> row(std::size_t(p.width * channels * p.depth + 7) / 8);
    for (int y = 0; y < p.height; ++y) {
        for (auto& b : row) b = png_byte(gen() % 4 ? gen() : 0x55);
        png_write_row(png, row.data());
    }
    std::string after = "after, compressed";
    png_text late[] = {{PNG_TEXT_COMPRESSION_zTXt, const_cast<char*>("Comment"), after.data(),
                        after.size(), 0, nullptr, nullptr},
                       {PNG_ITXT_COMPRESSION_NONE, const_cast<char*>("XML:com.adobe.xmp"),
                        xmp.data(), 0, xmp.size(), nullptr, nullptr}};
    if (gen() % 2) png_set_text(png, info, late, 2);
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    std::fclose(file);
}

PngShape randomShape(std::mt19937& gen, std::uint32_t seed) {
    static const struct {
        int colourType;
        std::vector<int> depths;
        bool mayBeTransparent;
    } kinds[] = {{PNG_COLOR_TYPE_GRAY, {1, 2, 4, 8, 16}, true},
                 {PNG_COLOR_TYPE_GA, {8, 16}, false},
                 {PNG_COLOR_TYPE_RGB, {8, 16}, true},
                 {PNG_COLOR_TYPE_RGB_ALPHA, {8, 16}, false},
                 {PNG_COLOR_TYPE_PALETTE, {1, 2, 4, 8}, true}};
    const auto& kind = kinds[seed % 5];
    PngShape p{pick(gen, 1, 60) | 1, pick(gen, 1, 40), kind.colourType,
               kind.depths[std::size_t(pick(gen, 0, int(kind.depths.size()) - 1))],
               kind.mayBeTransparent && gen() % 2 == 0};
    // Now and then a picture large enough for several deflate blocks.
    if (seed % 16 == 7) p.width = 701, p.height = 260;
    return p;
}

std::vector<PaintedFrame> randomFrames(std::mt19937& gen, int w, int h) {
    std::vector<PaintedFrame> run;
    for (int i = pick(gen, 1, 3); i > 0; --i) {
        FrameParams p = makeFrameParams(0, 0, 0, 0, 0, 0, 0, 0);
        for (auto& width : p.W) width = std::int16_t(pick(gen, 1, 12));
        for (auto* pos : {&p.X0, &p.X1, &p.Y0, &p.Y1})
            *pos = std::int16_t(pick(gen, 0, std::max(w, h) / 3));
        run.push_back({p, run.size() % 2 == 0 ? 1.0f : -1.0f});
    }
    return run;
}

TEST(PngStreamTest, StreamedPngEqualsTheWholePicturePath) {
    test::TempFolder folder;
    const std::string in = folder.file("in.png"), whole = folder.file("whole.png"),
                      streamed = folder.file("streamed.png");
    for (std::uint32_t seed = 0; seed < 80; ++seed) {
        std::mt19937 gen(seed);
        const PngShape shape = randomShape(gen, seed);
        writeRandomPng(in, shape, gen);
        const auto run = randomFrames(gen, shape.width, shape.height);
        SCOPED_TRACE(testing::Message()
                     << "seed " << seed << ", " << shape.width << " x " << shape.height
                     << ", colour type " << shape.colourType << ", depth " << shape.depth);

        files::PngExtras extras;
        files::LoadResult loaded = files::readPng(in, &extras);
        ASSERT_TRUE(loaded.ok()) << debugText(loaded.error());
        SurfacePicture target(*loaded);
        for (const PaintedFrame& f : run) {
            const FrameParams& p = f.params;
            DrawFrame(target, p.W[0], p.W[1], p.W[2], p.W[3], p.X0, p.X1, p.Y0, p.Y1, f.strength);
        }
        ASSERT_TRUE(files::savePng(*loaded, whole, extras).ok());

        files::InputFile file;
        ASSERT_TRUE(file.open(in).ok());
        const Result<files::PictureFacts> facts = files::readPngFacts(file);
        ASSERT_TRUE(facts) << debugText(facts.error());
        const files::PictureExtras kept{{}, facts->grey, facts->metadata};
        files::StreamOptions options;
        options.format = files::FormatId::Png;
        options.encoding.extras = &kept;
        options.encoding.alphaInRows = facts->alpha;
        options.blockRows = pick(gen, 1, 9);
        const files::StreamOutcome outcome = files::streamFramePicture(in, streamed, run, options);
        ASSERT_TRUE(outcome.written()) << debugText(outcome.error);
        ASSERT_EQ(test::readBytes(streamed), test::readBytes(whole));
    }
}

// Smooth, flat and grainy stretches, so that blocks take either kind of deflate.
PixelSurface mixedPicture(int w, int h, std::vector<std::uint8_t>& alpha) {
    PixelSurface s(w, h);
    std::mt19937 gen(5);
    alpha.resize(std::size_t(w) * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int grain = y > h / 2 ? int(gen() % 64) : 0;
            s.row(y)[x] = {std::uint8_t(x + grain), std::uint8_t(y),
                           std::uint8_t(x < w / 3 ? 9 : x ^ y), 0};
            alpha[std::size_t(y) * w + x] = std::uint8_t(x * 255 / w);
        }
    return s;
}

TEST(PngStreamTest, ParallelDeflateIsReadBackByLibpngAndQt) {
    test::TempFolder folder;
    const int w = 1201, h = 900;  // several deflate blocks
    std::vector<std::uint8_t> alpha;
    const PixelSurface picture = mixedPicture(w, h, alpha);
    const struct { bool grey, alpha; } cases[] = {{false, false}, {false, true}, {true, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "grey " << c.grey << ", alpha " << c.alpha);
        const std::string path = folder.file("out.png");
        files::PngExtras extras;
        extras.grey = c.grey;
        if (c.alpha) extras.alpha = alpha;
        ASSERT_TRUE(files::savePng(picture, path, extras).ok());

        png_image image{};
        image.version = PNG_IMAGE_VERSION;
        ASSERT_TRUE(png_image_begin_read_from_file(&image, path.c_str())) << image.message;
        image.format = PNG_FORMAT_BGRA;
        std::vector<std::uint8_t> read(PNG_IMAGE_SIZE(image));
        ASSERT_TRUE(png_image_finish_read(&image, nullptr, read.data(), 0, nullptr))
            << image.message;
        const QImage qt =
            QImage(QString::fromStdString(path)).convertToFormat(QImage::Format_ARGB32);
        ASSERT_EQ(qt.width(), w);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const Pixel p = picture.row(y)[x];
                const std::uint8_t* l = &read[(std::size_t(y) * w + x) * 4];
                const int a = c.alpha ? alpha[std::size_t(y) * w + x] : 255;
                const QRgb q = qt.pixel(x, y);
                const int r = c.grey ? p.green : p.red, b = c.grey ? p.green : p.blue;
                ASSERT_TRUE(l[0] == b && l[1] == p.green && l[2] == r && l[3] == a &&
                            qBlue(q) == b && qGreen(q) == p.green && qRed(q) == r && qAlpha(q) == a)
                    << "at " << x << ", " << y;
            }
    }
}

}  // namespace
}  // namespace rimvista
