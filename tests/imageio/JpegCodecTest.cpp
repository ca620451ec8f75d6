// JPEG: quality of the round trip, the old writer call's arguments, and Exif orientation.

#include <cmath>
#include <map>

#include "imageio/CodecTestFiles.h"
#include "imageio/PictureReader.h"
#include "imageio/PictureWriter.h"

namespace rimvista::files {
namespace {

using test::Bytes;

PixelSurface photoLike(int width, int height) {
    PixelSurface s = test::noiseSurface(width, height, 99);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            Pixel& p = s.row(y)[x];
            p.blue = std::uint8_t(40 + 3 * x + p.blue % 9);
            p.green = std::uint8_t(200 - 4 * y + p.green % 9);
            p.red = std::uint8_t(100 + 50 * std::sin(x * 0.3 + y * 0.2) + p.red % 9);
        }
    return s;
}

LoadResult saveAndLoad(const PixelSurface& picture, test::TempFolder& folder) {
    const std::string path = folder.file("p.jpg");
    if (auto saved = saveJpeg(picture, path, 100); !saved) return saved.error();
    return loadPicture(path);
}

TEST(JpegRoundTrip, QualityHundredStaysCloseAndKeepsThinColouredLines) {
    test::TempFolder folder;
    const PixelSurface photo = photoLike(45, 29);  // not a multiple of the 8-pixel blocks
    LoadResult loaded = saveAndLoad(photo, folder);
    ASSERT_TRUE(loaded.ok()) << debugText(loaded.error());
    EXPECT_TRUE(test::sameColours(*loaded, photo, 4));
    EXPECT_TRUE(test::reservedAllZero(*loaded));

    // One-pixel lines lose most of their colour when chroma is subsampled.
    PixelSurface lines(24, 16);
    lines.fill({128, 128, 128, 0});
    for (int y = 0; y < 16; ++y) lines.row(y)[7] = {0, 0, 255, 0};
    for (int x = 0; x < 24; ++x) lines.row(5)[x] = {255, 0, 0, 0};
    loaded = saveAndLoad(lines, folder);
    ASSERT_TRUE(loaded.ok()) << debugText(loaded.error());
    EXPECT_TRUE(test::sameColours(*loaded, lines, 4));
}

TEST(JpegWriterCall, ClampsTheSizeToTheSurfaceAndReportsSuccess) {
    test::TempFolder folder;
    const PixelSurface photo = photoLike(20, 10);
    const std::string path = folder.file("call.jpg");

    EXPECT_EQ(DCSavetoJPEG(photo, 25, 12, path.c_str(), 100, 0), 1);
    LoadResult loaded = loadPicture(path);
    ASSERT_TRUE(loaded.ok()) << debugText(loaded.error());
    EXPECT_TRUE(test::sameColours(*loaded, photo, 4));

    EXPECT_EQ(DCSavetoJPEG(photo, 8, 6, path.c_str(), 100, 0), 1);
    loaded = loadPicture(path);
    ASSERT_TRUE(loaded.ok()) << debugText(loaded.error());
    ASSERT_EQ(loaded->width(), 8);
    ASSERT_EQ(loaded->height(), 6);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 8; ++x)
            EXPECT_LE(test::channelDistance(loaded->row(y)[x], photo.row(y)[x]), 4);

    EXPECT_EQ(DCSavetoJPEG(photo, 0, 10, folder.file("empty.jpg").c_str(), 100, 0), 0);
    EXPECT_EQ(DCSavetoJPEG(photo, 20, 10, folder.file("no/such/folder.jpg").c_str(), 100, 0), 0);
    EXPECT_EQ(DCSavetoJPEG(photo, 20, 10, nullptr, 100, 0), 0);
    EXPECT_FALSE(std::filesystem::exists(folder.file("empty.jpg")));
}

// An Exif APP1 segment right after the start marker: IFD0 holds a Make entry, then the
// orientation, so the reader has to walk the entries.
Bytes withOrientation(const Bytes& jpeg, int orientation, bool bigEndian) {
    Bytes tiff;
    const auto u16 = [&](std::uint32_t v) {
        if (bigEndian)
            tiff.insert(tiff.end(), {std::uint8_t(v >> 8), std::uint8_t(v)});
        else
            test::put16(tiff, v);
    };
    const auto u32 = [&](std::uint32_t v) {
        u16(bigEndian ? v >> 16 : v & 0xFFFF);
        u16(bigEndian ? v & 0xFFFF : v >> 16);
    };
    const std::uint8_t order = bigEndian ? 'M' : 'I';
    tiff.insert(tiff.end(), {order, order});
    u16(42);
    u32(8);
    u16(2);
    u16(0x010F), u16(2), u32(4), tiff.insert(tiff.end(), {'A', 'b', 'c', 0});
    u16(0x0112), u16(3), u32(1), u16(std::uint32_t(orientation)), u16(0);
    u32(0);
    Bytes segment{0xFF, 0xE1};
    const std::size_t length = 2 + 6 + tiff.size();
    segment.insert(segment.end(),
                   {std::uint8_t(length >> 8), std::uint8_t(length), 'E', 'x', 'i', 'f', 0, 0});
    segment.insert(segment.end(), tiff.begin(), tiff.end());
    Bytes out(jpeg.begin(), jpeg.begin() + 2);
    out.insert(out.end(), segment.begin(), segment.end());
    out.insert(out.end(), jpeg.begin() + 2, jpeg.end());
    return out;
}

struct OrientationCase {
    int orientation;
    const char* shown;  // rows separated by '/', letters name the stored pixels
};
void PrintTo(const OrientationCase& c, std::ostream* os) {
    *os << "orientation " << c.orientation;
}

class ExifOrientation : public ::testing::TestWithParam<std::tuple<OrientationCase, bool>> {};

TEST_P(ExifOrientation, OpensUpright) {
    const auto [which, bigEndian] = GetParam();
    // Stored picture:  A B C
    //                  D E F
    const std::map<char, Pixel> colours{{'A', {0, 0, 255, 0}},     {'B', {0, 255, 0, 0}},
                                        {'C', {255, 0, 0, 0}},     {'D', {0, 255, 255, 0}},
                                        {'E', {255, 255, 255, 0}}, {'F', {0, 0, 0, 0}}};
    PixelSurface stored(3, 2);
    for (int i = 0; i < 6; ++i) stored.row(i / 3)[i % 3] = colours.at(char('A' + i));
    test::TempFolder folder;
    ASSERT_TRUE(saveJpeg(stored, folder.file("plain.jpg"), 100).ok());
    const std::string path = folder.file("oriented.jpg");
    test::writeBytes(path, withOrientation(test::readBytes(folder.file("plain.jpg")),
                                           which.orientation, bigEndian));

    const LoadResult loaded = loadPicture(path);
    ASSERT_TRUE(loaded.ok()) << debugText(loaded.error());
    const std::string shown = which.shown;
    const int width = int(shown.find('/'));
    ASSERT_EQ(loaded->width(), width);
    ASSERT_EQ(loaded->height(), int(shown.size() + 1) / (width + 1));
    for (int y = 0; y < loaded->height(); ++y)
        for (int x = 0; x < width; ++x) {
            const char expected = shown[std::size_t(y * (width + 1) + x)];
            EXPECT_LE(test::channelDistance(loaded->row(y)[x], colours.at(expected)), 24)
                << "orientation " << which.orientation << " at " << x << ", " << y << " should be "
                << expected;
        }
}

INSTANTIATE_TEST_SUITE_P(
    AllEight, ExifOrientation,
    ::testing::Combine(
        ::testing::Values(OrientationCase{1, "ABC/DEF"}, OrientationCase{2, "CBA/FED"},
                          OrientationCase{3, "FED/CBA"}, OrientationCase{4, "DEF/ABC"},
                          OrientationCase{5, "AD/BE/CF"}, OrientationCase{6, "DA/EB/FC"},
                          OrientationCase{7, "FC/EB/DA"}, OrientationCase{8, "CF/BE/AD"}),
        ::testing::Bool()),
    [](const auto& tested) {
        return "orientation" + std::to_string(std::get<0>(tested.param).orientation) +
               (std::get<1>(tested.param) ? "BigEndian" : "LittleEndian");
    });

}  // namespace
}  // namespace rimvista::files
