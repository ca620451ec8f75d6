// What decides the reader, and formats that go through Qt's readers.

#include <QImage>

#include "imageio/CodecTestFiles.h"
#include "imageio/PictureReader.h"
#include "imageio/PictureWriter.h"

namespace rimvista::files {
namespace {

TEST(PictureReader, ContentsNotTheNameChooseTheReader) {
    test::TempFolder folder;
    const PixelSurface picture = test::noiseSurface(6, 4, 11);
    ASSERT_EQ(saveBmp(picture, folder.file("really-a-bitmap.jpg")), std::nullopt);
    const LoadResult loaded = loadPicture(folder.file("really-a-bitmap.jpg"));
    ASSERT_TRUE(loaded.ok()) << loaded.error;
    EXPECT_TRUE(test::sameColours(loaded.picture, picture));
}

TEST(PictureReader, OtherFormatsComeThroughQtWithReservedZero) {
    test::TempFolder folder;
    QImage png(5, 3, QImage::Format_ARGB32);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x) png.setPixel(x, y, qRgba(10 * x, 20 * y, 7 * x + y, 255));
    ASSERT_TRUE(png.save(QString::fromStdString(folder.file("p.png")), "PNG"));
    const LoadResult loaded = loadPicture(folder.file("p.png"));
    ASSERT_TRUE(loaded.ok()) << loaded.error;
    ASSERT_EQ(loaded.picture.width(), 5);
    ASSERT_EQ(loaded.picture.height(), 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x) {
            const Pixel p = loaded.picture.row(y)[x];
            EXPECT_EQ(p.red, 10 * x);
            EXPECT_EQ(p.green, 20 * y);
            EXPECT_EQ(p.blue, 7 * x + y);
            EXPECT_EQ(p.reserved, 0);
        }
}

}  // namespace
}  // namespace rimvista::files
