// What decides the reader, and the formats read by our own readers.

#include <turbojpeg.h>

#include <QImage>

#include "imageio/CodecTestFiles.h"
#include "imageio/PictureReader.h"
#include "imageio/PictureWriter.h"

namespace rimvista::files {
namespace {

TEST(PictureReader, ContentsNotTheNameChooseTheReader) {
    test::TempFolder folder;
    const PixelSurface picture = test::noiseSurface(6, 4, 11);
    ASSERT_TRUE(saveBmp(picture, folder.file("really-a-bitmap.jpg")).ok());
    const LoadResult loaded = loadPicture(folder.file("really-a-bitmap.jpg"));
    ASSERT_TRUE(loaded.ok()) << debugText(loaded.error());
    EXPECT_TRUE(test::sameColours(*loaded, picture));
}

TEST(PictureReader, PngWrittenByQtReadsWithReservedZero) {
    test::TempFolder folder;
    QImage png(5, 3, QImage::Format_ARGB32);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x) png.setPixel(x, y, qRgba(10 * x, 20 * y, 7 * x + y, 255));
    ASSERT_TRUE(png.save(QString::fromStdString(folder.file("p.png")), "PNG"));
    const LoadResult loaded = loadPicture(folder.file("p.png"));
    ASSERT_TRUE(loaded.ok()) << debugText(loaded.error());
    ASSERT_EQ(loaded->width(), 5);
    ASSERT_EQ(loaded->height(), 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x) {
            const Pixel p = loaded->row(y)[x];
            EXPECT_EQ(p.red, 10 * x);
            EXPECT_EQ(p.green, 20 * y);
            EXPECT_EQ(p.blue, 7 * x + y);
            EXPECT_EQ(p.reserved, 0);
        }
}

// A bitmap of 4 x 2 pixels whose rows come as runs (RLE8, or RLE4 when fourBits).
test::Bytes runLengthBitmap(bool fourBits, const test::Bytes& runs) {
    const int colours = fourBits ? 16 : 256;
    test::Bytes b(14 + 40 + std::size_t(colours) * 4, 0);
    const auto put = [&](std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) b[at + i] = std::uint8_t(v >> (8 * i));
    };
    b[0] = 'B', b[1] = 'M';
    put(10, std::uint32_t(b.size()));
    put(14, 40), put(18, 4), put(22, 2);
    b[26] = 1, b[28] = fourBits ? 4 : 8;
    put(30, fourBits ? 2 : 1);
    const std::uint8_t palette[4][4] = {
        {0, 0, 0, 0}, {0, 0, 255, 0}, {0, 255, 0, 0}, {255, 0, 0, 0}};
    for (int i = 0; i < 4; ++i) std::copy(palette[i], palette[i] + 4, b.begin() + 54 + 4 * i);
    b.insert(b.end(), runs.begin(), runs.end());
    return b;
}

// A JPEG of inks, as made for print: YCCK with an Adobe segment, whose inks are stored inverted.
test::Bytes inkJpeg(const std::vector<std::uint8_t>& cmyk, int width, int height) {
    tjhandle handle = tjInitCompress();
    unsigned char* out = nullptr;
    unsigned long size = 0;
    tjCompress2(handle, cmyk.data(), width, width * 4, height, TJPF_CMYK, &out, &size, TJSAMP_444,
                100, 0);
    test::Bytes bytes(out, out + size);
    tjFree(out);
    tjDestroy(handle);
    return bytes;
}

TEST(PictureReader, RunLengthBitmapsAndInkJpegsReadAsViewersShowThem) {
    const Pixel k{0, 0, 0, 0}, r{0, 0, 255, 0}, g{0, 255, 0, 0}, b{255, 0, 0, 0};
    // Bottom row: a run of three reds, end of line. Top row: a jump of one, three given one by
    // one, end of picture. What no run reaches is the palette's first colour.
    const std::vector<Pixel> runPicture = {k, g, b, g, r, r, r, k};
    std::vector<std::uint8_t> cmyk;
    for (int i = 0; i < 64; ++i) cmyk.insert(cmyk.end(), {200, 100, 50, 128});
    const struct {
        const char* name;
        test::Bytes file;
        std::vector<Pixel> expected;
        int tolerance;
    } cases[] = {
        {"rle8", runLengthBitmap(false, {3, 1, 0, 0, 0, 2, 1, 0, 0, 3, 2, 3, 2, 0, 0, 1}),
         runPicture, 0},
        {"rle4", runLengthBitmap(true, {3, 0x11, 0, 0, 0, 2, 1, 0, 0, 3, 0x23, 0x20, 0, 1}),
         runPicture, 0},
        {"ycck", inkJpeg(cmyk, 8, 8), std::vector<Pixel>(64, Pixel{25, 50, 100, 0}), 4},
    };
    test::TempFolder folder;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        test::writeBytes(folder.file(c.name), c.file);
        const LoadResult loaded = loadPicture(folder.file(c.name));
        ASSERT_TRUE(loaded.ok()) << debugText(loaded.error());
        const int width = loaded->width();
        ASSERT_EQ(std::size_t(width) * std::size_t(loaded->height()), c.expected.size());
        for (std::size_t i = 0; i < c.expected.size(); ++i) {
            const Pixel got = loaded->row(int(i) / width)[int(i) % width];
            EXPECT_LE(test::channelDistance(got, c.expected[i]), c.tolerance) << i;
            EXPECT_EQ(got.reserved, 0) << i;
        }
    }
}

}  // namespace
}  // namespace rimvista::files
