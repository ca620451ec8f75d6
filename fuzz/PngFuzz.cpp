// The PNG reader on any bytes: a picture or a reason, never a crash, never more picture than the
// file could hold, and an alpha plane that matches the picture.
#include "FuzzTarget.h"
#include "imageio/PngFile.h"

using namespace rimvista;

RIMVISTA_FUZZ_TARGET(fuzzPng) {
    files::PngExtras extras;
    const files::LoadResult result = files::readPng(fuzz::asFile(data, size), &extras);
    if (!result) return 0;
    const PixelSurface& picture = *result;
    FUZZ_CHECK(picture.width() > 0 && picture.height() > 0);
    const std::uint64_t pixels = std::uint64_t(picture.width()) * std::uint64_t(picture.height());
    // Deflate's best (1032 to 1) on one-bit pixels.
    FUZZ_CHECK(pixels <= std::uint64_t(size) * 8 * 1032);
    FUZZ_CHECK(extras.alpha.empty() || extras.alpha.size() == pixels);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) FUZZ_CHECK(picture.row(y)[x].reserved == 0);
    return 0;
}
