#include "window/QtPictureReader.h"

#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QString>
#include <algorithm>
#include <cstring>
#include <mutex>

#include "imageio/CodecSupport.h"
#include "imageio/FormatRegistry.h"
#include "imageio/KeptMetadata.h"

namespace rimvista {

namespace {

// The most pixels a file of the formats left to Qt is believed to hold per byte: deflate at its
// best with one bit a pixel comes to some 8000, and run-length formats can claim more; past this
// a claim is taken for what it is.
constexpr std::uint64_t kMostPixelsPerByte = 65536;

}  // namespace

files::LoadResult readWithQt(const std::string& path) {
    // Qt refuses pictures over 256 MB by default; here only the machine's memory limits size.
    // The limit is process-wide, so it is set once rather than by every reading thread.
    static std::once_flag unlimited;
    std::call_once(unlimited, [] { QImageReader::setAllocationLimit(0); });

    QImageReader reader(QString::fromStdString(path));
    reader.setAutoTransform(true);
    const QSize announced = reader.size();
    if (announced.isValid()) {
        const int w = announced.width(), h = announced.height();
        const std::uint64_t fileSize = QFileInfo(QString::fromStdString(path)).size();
        // Qt's own image and ours exist side by side while the pixels are copied.
        const std::uint64_t qtImage =
            std::uint64_t(std::max(w, 0)) * std::uint64_t(std::max(h, 0)) * 4;
        auto fits = files::checkFileHoldsPicture(w, h, fileSize, kMostPixelsPerByte);
        if (fits) fits = files::checkPictureSize(w, h, qtImage);
        if (!fits) return fits.error();
    }
    QImage image = reader.read();
    if (image.isNull())
        return Error::of(ErrorKind::UnreadablePicture).saying(reader.errorString().toStdString());
    image = std::move(image).convertToFormat(QImage::Format_RGB32);
    if (image.isNull()) return Error::of(ErrorKind::OutOfMemory);

    files::LoadResult result = files::allocatePicture(image.width(), image.height());
    if (!result) return result;
    PixelSurface& picture = *result;
    const std::size_t rowBytes = picture.bytesPerLine();
    for (int y = 0; y < image.height(); ++y)
        std::memcpy(picture.row(y), image.constScanLine(y), rowBytes);
    files::clearReserved(picture);
    return result;
}

namespace {

// What a saved copy keeps of the file: what the reader found, unless the format's entry reads
// its metadata apart from the pixels.
files::PictureMetadata keptMetadata(const std::string& path, files::PictureMetadata fromReader) {
    files::InputFile file;
    if (!file.open(path)) return fromReader;
    const auto format = files::formatOfFile(file);
    if (!format) return fromReader;
    if (!(*format)->readFacts) return fromReader;
    Result<files::PictureFacts> facts = files::factsForCopy(**format, path);
    return facts ? std::move(facts->metadata) : std::move(fromReader);
}

}  // namespace

Result<WindowPicture> loadWindowPicture(const std::string& path) {
    files::PictureExtras extras;
    extras.acceptDamage = true;  // shown as far as it decodes; the window tells the user
    files::LoadResult loaded = files::loadPicture(path, &extras);
    if (!loaded) {
        if (loaded.error().kind != ErrorKind::UnknownFormat) return loaded.error();
        files::LoadResult read = readWithQt(path);
        if (!read) return read.error();
        return WindowPicture{std::move(*read), {}};
    }
    return WindowPicture{std::move(*loaded), keptMetadata(path, std::move(extras.metadata)),
                         std::move(extras.damage)};
}

}  // namespace rimvista
