// The JPEG reader and its Exif orientation parser on any bytes.
#include "FuzzTarget.h"
#include "imageio/ExifOrientation.h"
#include "imageio/JpegReader.h"

using namespace rimvista;

RIMVISTA_FUZZ_TARGET(fuzzJpeg) {
    const int orientation = files::exifOrientation(data, size);
    FUZZ_CHECK(orientation >= 1 && orientation <= 8);

    // Turning a small picture by the orientation found must keep every pixel.
    PixelSurface stored(3, 2);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            stored.row(y)[x] = Pixel{std::uint8_t(x), std::uint8_t(y), 0, 0};
    const auto turned = files::orientUpright(std::move(stored), orientation);
    FUZZ_CHECK(turned && turned->width() * turned->height() == 6);

    const files::LoadResult result = files::readJpeg(data, size);
    if (!result) return 0;
    FUZZ_CHECK(result->width() > 0 && result->height() > 0);
    for (int y = 0; y < result->height(); ++y)
        for (int x = 0; x < result->width(); ++x) FUZZ_CHECK(result->row(y)[x].reserved == 0);
    return 0;
}
