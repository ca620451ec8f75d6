// The BMP reader on any bytes: a picture or a reason, never a crash, and never more picture
// than the file holds.
#include "FuzzTarget.h"
#include "imageio/BmpReader.h"

using namespace rimvista;

RIMVISTA_FUZZ_TARGET(fuzzBmp) {
    files::InputFile file;
    FUZZ_CHECK(!file.open(fuzz::asFile(data, size)));
    const auto result = files::readBmp(file);
    if (!result) return 0;  // run-length data, left to the general reader
    FUZZ_CHECK(result->ok() == !result->picture.isNull());
    if (!result->ok()) return 0;
    const PixelSurface& picture = result->picture;
    FUZZ_CHECK(picture.width() > 0 && picture.height() > 0);
    // At least one bit of file for each pixel: uncompressed rows cannot hold more.
    FUZZ_CHECK(std::uint64_t(picture.width()) * std::uint64_t(picture.height()) <= size * 8);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) FUZZ_CHECK(picture.row(y)[x].reserved == 0);
    return 0;
}
