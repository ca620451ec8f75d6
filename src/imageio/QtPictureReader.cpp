#include "imageio/QtPictureReader.h"

#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QString>
#include <algorithm>
#include <cstring>
#include <mutex>

#include "imageio/CodecSupport.h"

namespace rimvista::files {

namespace {

// The most pixels a file of the formats left to Qt is believed to hold per byte: deflate at its
// best with one bit a pixel comes to some 8000. A run-length bitmap that ends at once can claim
// any size at all, and past this it is taken for what it is.
constexpr std::uint64_t kMostPixelsPerByte = 65536;

}  // namespace

LoadResult readWithQt(const std::string& path, const char* format) {
    // Qt refuses pictures over 256 MB by default; here only the machine's memory limits size.
    // The limit is process-wide, so it is set once rather than by every reading thread.
    static std::once_flag unlimited;
    std::call_once(unlimited, [] { QImageReader::setAllocationLimit(0); });

    QImageReader reader(QString::fromStdString(path), format ? QByteArray(format) : QByteArray());
    reader.setAutoTransform(true);
    const QSize announced = reader.size();
    if (announced.isValid()) {
        const int w = announced.width(), h = announced.height();
        const std::uint64_t fileSize = QFileInfo(QString::fromStdString(path)).size();
        // Qt's own image and ours exist side by side while the pixels are copied.
        const std::uint64_t qtImage =
            std::uint64_t(std::max(w, 0)) * std::uint64_t(std::max(h, 0)) * 4;
        auto refused = checkFileHoldsPicture(w, h, fileSize, kMostPixelsPerByte);
        if (!refused) refused = checkPictureSize(w, h, qtImage);
        if (refused) return LoadResult::failure(*refused);
    }
    QImage image = reader.read();
    if (image.isNull())
        return LoadResult::failure("画像として読み込めません: " +
                                   reader.errorString().toStdString());
    image = std::move(image).convertToFormat(QImage::Format_RGB32);
    if (image.isNull()) return LoadResult::failure("メモリが足りません");

    LoadResult result = allocatePicture(image.width(), image.height());
    if (!result.ok()) return result;
    const std::size_t rowBytes = result.picture.bytesPerLine();
    for (int y = 0; y < image.height(); ++y)
        std::memcpy(result.picture.row(y), image.constScanLine(y), rowBytes);
    clearReserved(result.picture);
    return result;
}

}  // namespace rimvista::files
