// The PNG reader on any bytes: a picture or a reason, never a crash, never more picture than the
// file could hold, and an alpha plane that matches the picture. The metadata read without the
// rows agrees with it wherever it reads a picture, and so do the rows read one by one wherever the
// picture is not interlaced.
#include <vector>

#include "FuzzTarget.h"
#include "imageio/PngFile.h"
#include "imageio/RowStream.h"

using namespace rimvista;

namespace {

void compareRows(files::RowReader& rows, const PixelSurface& picture,
                 const std::vector<std::uint8_t>& alpha) {
    FUZZ_CHECK(rows.width() == picture.width() && rows.height() == picture.height());
    std::vector<Pixel> row(static_cast<std::size_t>(picture.width()));
    const std::uint8_t* a = alpha.empty() ? nullptr : alpha.data();
    for (int y = 0; y < picture.height(); ++y) {
        FUZZ_CHECK(rows.read(y, y + 1, row.data(), row.size()).ok());
        for (int x = 0; x < picture.width(); ++x) {
            const Pixel p = picture.row(y)[x], q = row[static_cast<std::size_t>(x)];
            FUZZ_CHECK(p.blue == q.blue && p.green == q.green && p.red == q.red);
            FUZZ_CHECK(q.reserved == (a ? *a++ : 0));
        }
    }
}

bool sameMetadata(const files::PictureMetadata& a, const files::PictureMetadata& b) {
    const bool density =
        a.density.has_value() == b.density.has_value() &&
        (!a.density || (a.density->unit == b.density->unit && a.density->x == b.density->x &&
                        a.density->y == b.density->y));
    return a.icc == b.icc && a.exif == b.exif && a.xmp == b.xmp && a.comments == b.comments &&
           density;
}

}  // namespace

RIMVISTA_FUZZ_TARGET(fuzzPng) {
    const char* path = fuzz::asFile(data, size);
    files::PngExtras extras;
    const files::LoadResult result = files::readPng(path, &extras);
    if (!result) return 0;
    const PixelSurface& picture = *result;
    FUZZ_CHECK(picture.width() > 0 && picture.height() > 0);
    const std::uint64_t pixels = std::uint64_t(picture.width()) * std::uint64_t(picture.height());
    // Deflate's best (1032 to 1) on one-bit pixels.
    FUZZ_CHECK(pixels <= std::uint64_t(size) * 8 * 1032);
    FUZZ_CHECK(extras.alpha.empty() || extras.alpha.size() == pixels);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) FUZZ_CHECK(picture.row(y)[x].reserved == 0);

    // rimvista-batch takes the metadata from here on either path, interlaced pictures included.
    auto file = std::make_unique<files::InputFile>();
    if (!file->open(path)) return 0;
    const Result<files::PictureFacts> facts = files::readPngFacts(*file);
    FUZZ_CHECK(facts && facts->grey == extras.grey && facts->alpha == !extras.alpha.empty());
    FUZZ_CHECK(sameMetadata(facts->metadata, extras.metadata));
    files::Opened<files::RowReader> rows = files::openPngRowReader(std::move(file));
    if (!rows && rows.error().kind == ErrorKind::NotStreamable) return 0;  // interlaced
    FUZZ_CHECK(rows.ok());
    compareRows(**rows, picture, extras.alpha);
    return 0;
}
