#include "files/QtPictureReader.h"

#include <QImage>
#include <QImageReader>
#include <QString>
#include <cstring>
#include <mutex>

#include "files/CodecSupport.h"

namespace rimvista::files {

LoadResult readWithQt(const std::string& path, const char* format) {
    // Qt refuses pictures over 256 MB by default; here only the machine's memory limits size.
    // The limit is process-wide, so it is set once rather than by every reading thread.
    static std::once_flag unlimited;
    std::call_once(unlimited, [] { QImageReader::setAllocationLimit(0); });

    QImageReader reader(QString::fromStdString(path), format ? QByteArray(format) : QByteArray());
    reader.setAutoTransform(true);
    const QSize announced = reader.size();
    if (announced.isValid()) {
        if (auto tooLarge = checkPictureSize(announced.width(), announced.height()))
            return LoadResult::failure(*tooLarge);
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
