// Bitmap files: our writer against our reader and Qt's, and hand-made files of each layout.

#include <QImage>

#include "imageio/CodecTestFiles.h"
#include "imageio/PictureReader.h"
#include "imageio/PictureWriter.h"

namespace rimvista::files {
namespace {

using test::Bytes;

struct Size {
    int width, height;
};
void PrintTo(const Size& s, std::ostream* os) {
    *os << s.width << "x" << s.height;
}

class BmpRoundTrip : public ::testing::TestWithParam<Size> {};

TEST_P(BmpRoundTrip, ReadsBackExactColoursWithPaddedRows) {
    const auto [width, height] = GetParam();
    test::TempFolder folder;
    const std::string path = folder.file("round.bmp");
    const PixelSurface original = test::noiseSurface(width, height, 7u + width * 31u + height);
    ASSERT_TRUE(saveBmp(original, path).ok());

    const std::size_t stride = (std::size_t(width) * 3 + 3) / 4 * 4;
    EXPECT_EQ(test::readBytes(path).size(), 54 + stride * std::size_t(height));

    const LoadResult loaded = loadPicture(path);
    ASSERT_TRUE(loaded.ok()) << debugText(loaded.error());
    EXPECT_TRUE(test::sameColours(*loaded, original));
    EXPECT_TRUE(test::reservedAllZero(*loaded));

    // An independent reader sees the same picture, so the file is a standard bitmap rather
    // than one only our reader understands.
    const QImage other(QString::fromStdString(path));
    ASSERT_EQ(other.width(), width);
    ASSERT_EQ(other.height(), height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const Pixel p = original.row(y)[x];
            ASSERT_EQ(other.pixel(x, y) & 0xFFFFFFu, (p.red << 16u) | (p.green << 8u) | p.blue)
                << x << ", " << y;
        }
}

INSTANTIATE_TEST_SUITE_P(Sizes, BmpRoundTrip,
                         ::testing::Values(Size{1, 1}, Size{3, 2}, Size{2, 3}, Size{5, 3},
                                           Size{4, 1}, Size{7, 6}, Size{130, 9}),
                         [](const auto& tested) {
                             return std::to_string(tested.param.width) + "x" +
                                    std::to_string(tested.param.height);
                         });

// A bitmap with a plain 40-byte info header (or a V5 header) around the given parts.
Bytes bitmap(int width, int height, int bpp, std::uint32_t compression, const Bytes& tables,
             const Bytes& pixels, std::uint32_t colorsUsed = 0, std::uint32_t headerSize = 40) {
    Bytes info;
    test::put32(info, headerSize);
    test::put32(info, std::uint32_t(width));
    test::put32(info, std::uint32_t(height));
    test::put16(info, 1);
    test::put16(info, std::uint32_t(bpp));
    test::put32(info, compression);
    test::put32(info, std::uint32_t(pixels.size()));
    test::put32(info, 2835);
    test::put32(info, 2835);
    test::put32(info, colorsUsed);
    test::put32(info, 0);
    const bool masksInside = headerSize >= 56;
    if (masksInside) info.insert(info.end(), tables.begin(), tables.end());
    info.resize(headerSize, 0);
    Bytes file{'B', 'M'};
    const std::size_t offset = 14 + info.size() + (masksInside ? 0 : tables.size());
    test::put32(file, std::uint32_t(offset + pixels.size()));
    test::put32(file, 0);
    test::put32(file, std::uint32_t(offset));
    file.insert(file.end(), info.begin(), info.end());
    if (!masksInside) file.insert(file.end(), tables.begin(), tables.end());
    file.insert(file.end(), pixels.begin(), pixels.end());
    return file;
}

Bytes palette(std::initializer_list<Pixel> colours, bool withReserved = true) {
    Bytes b;
    for (Pixel c : colours) {
        b.insert(b.end(), {c.blue, c.green, c.red});
        if (withReserved) b.push_back(0x55);
    }
    return b;
}

Bytes masks(std::initializer_list<std::uint32_t> values) {
    Bytes b;
    for (std::uint32_t m : values) test::put32(b, m);
    return b;
}

// Expected pictures are written top row first as {blue, green, red} triples.
void expectPicture(const Bytes& file, int width, std::vector<Pixel> expected) {
    test::TempFolder folder;
    const std::string path = folder.file("variant.bmp");
    test::writeBytes(path, file);
    const LoadResult loaded = loadPicture(path);
    ASSERT_TRUE(loaded.ok()) << debugText(loaded.error());
    ASSERT_EQ(loaded->width(), width);
    ASSERT_EQ(loaded->height(), int(expected.size()) / width);
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const Pixel got = loaded->row(int(i) / width)[int(i) % width];
        const Pixel want = expected[i];
        EXPECT_TRUE(got.blue == want.blue && got.green == want.green && got.red == want.red &&
                    got.reserved == 0)
            << "pixel " << i << ": " << int(got.blue) << "," << int(got.green) << ","
            << int(got.red) << "," << int(got.reserved);
    }
}

const Pixel P0{10, 20, 30, 0}, P1{40, 50, 60, 0}, P2{70, 80, 90, 0};

TEST(BmpLayouts, PaletteDepthsReadBottomUpRows) {
    // 8 bits, 3 wide: one padding byte per row; the bottom row comes first in the file.
    expectPicture(bitmap(3, 2, 8, 0, palette({P0, P1, P2}), {2, 2, 1, 0, 0, 1, 2, 0}, 3), 3,
                  {P0, P1, P2, P2, P2, P1});
    // 4 bits, 5 wide: high nibble first, 3 bytes plus one of padding.
    expectPicture(bitmap(5, 1, 4, 0, palette({P0, P1, P2, P0, P1, P2}), {0x12, 0x34, 0x50, 0}, 6),
                  5, {P1, P2, P0, P1, P2});
    // 1 bit, 10 wide: most significant bit first, 2 bytes plus two of padding.
    expectPicture(bitmap(10, 1, 1, 0, palette({P0, P2}), {0b10100000, 0b11000000, 0, 0}), 10,
                  {P2, P0, P2, P0, P0, P0, P0, P0, P2, P2});
}

TEST(BmpLayouts, SixteenBitFieldsScaleToFullRange) {
    // 565 masks after the info header: (31, 63, 0) is yellow, (16, 32, 8) scales to nearest.
    Bytes px;
    test::put16(px, 0xFFE0);
    test::put16(px, (16u << 11) | (32u << 5) | 8u);
    expectPicture(bitmap(2, 1, 16, 3, masks({0xF800, 0x07E0, 0x1F}), px), 2,
                  {{0, 255, 255, 0}, {66, 130, 132, 0}});
    // No masks: 555.
    Bytes px555;
    test::put16(px555, 0x7C00);
    test::put16(px555, (10u << 10) | (31u << 5) | 1u);
    expectPicture(bitmap(2, 1, 16, 0, {}, px555), 2, {{0, 0, 255, 0}, {8, 255, 82, 0}});
}

TEST(BmpLayouts, ThirtyTwoBitFieldsFollowTheMasks) {
    // V5 header, red in the lowest byte and an alpha mask: alpha does not reach the picture.
    Bytes px{0x11, 0x22, 0x33, 0x80, 0xFF, 0x00, 0x7F, 0xFF};
    expectPicture(bitmap(2, 1, 32, 3, masks({0xFF, 0xFF00, 0xFF0000, 0xFF000000u}), px, 0, 124), 2,
                  {{0x33, 0x22, 0x11, 0}, {0x7F, 0x00, 0xFF, 0}});
    // Plain 32 bits: blue, green, red, ignored.
    expectPicture(bitmap(1, 2, 32, 0, {}, {1, 2, 3, 99, 4, 5, 6, 99}), 1,
                  {{4, 5, 6, 0}, {1, 2, 3, 0}});
}

TEST(BmpLayouts, TopDownAndOs2CoreHeader) {
    expectPicture(bitmap(1, -2, 24, 0, {}, {1, 2, 3, 0, 4, 5, 6, 0}), 1,
                  {{1, 2, 3, 0}, {4, 5, 6, 0}});

    Bytes core{'B', 'M'};
    const Bytes table = palette({P0, P1}, false);
    test::put32(core, 14 + 12 + 6 + 4);
    test::put32(core, 0);
    test::put32(core, 14 + 12 + 6);
    test::put32(core, 12);
    test::put16(core, 2);
    test::put16(core, 1);
    test::put16(core, 1);
    test::put16(core, 8);
    core.insert(core.end(), table.begin(), table.end());
    core.insert(core.end(), {1, 0, 0, 0});
    expectPicture(core, 2, {P1, P0});
}

TEST(BmpLayouts, RunLengthFilesReadThroughTheGeneralReader) {
    // Run of four pixels of colour 1, end of line, end of bitmap.
    expectPicture(bitmap(4, 1, 8, 1, palette({P0, P2}), {4, 1, 0, 0, 0, 1}, 2), 4,
                  {P2, P2, P2, P2});
}

}  // namespace
}  // namespace rimvista::files
