// The BMP reader on any bytes: a picture or a reason, never a crash, and never more picture
// than the file holds.
#include "FuzzTarget.h"
#include "imageio/BmpReader.h"
#include "imageio/BmpRle.h"

using namespace rimvista;

RIMVISTA_FUZZ_TARGET(fuzzBmp) {
    files::InputFile file;
    FUZZ_CHECK(file.open(fuzz::asFile(data, size)).ok());
    const files::LoadResult result = files::readBmp(file);
    if (!result) return 0;
    const PixelSurface& picture = *result;
    FUZZ_CHECK(picture.width() > 0 && picture.height() > 0);
    // At least one bit of file for each pixel: uncompressed rows cannot hold more; run-length
    // data (compression 1 or 2) is believed up to its own bound.
    const bool runs = size >= 34 && (data[30] == 1 || data[30] == 2);
    const std::uint64_t perByte = runs ? files::kRleMostPixelsPerByte : 8;
    FUZZ_CHECK(std::uint64_t(picture.width()) * std::uint64_t(picture.height()) <= size * perByte);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) FUZZ_CHECK(picture.row(y)[x].reserved == 0);
    return 0;
}
