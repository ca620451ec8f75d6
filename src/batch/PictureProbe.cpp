#include "batch/PictureProbe.h"

#include <QImageReader>
#include <QString>
#include <algorithm>
#include <array>
#include <vector>

#include "imageio/CodecSupport.h"
#include "imageio/ExifOrientation.h"

namespace rimvista::batch {

namespace {

using files::InputFile;

// The Exif segment sits in the first segments; this much covers it with room to spare.
constexpr std::size_t kExifWindow = std::size_t{128} << 10;
constexpr std::uint64_t kBmpChunk = std::uint64_t{4} << 20;

int be16(const std::uint8_t* p) {
    return (p[0] << 8) | p[1];
}
std::int32_t le32(const std::uint8_t* p) {
    return static_cast<std::int32_t>(std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 |
                                     std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24);
}

bool isStartOfFrame(int marker) {
    // C0..CF except DHT (C4), JPG (C8) and DAC (CC).
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

// Walks the segments by their lengths, reading only segment heads, up to the frame header.
bool jpegSize(const InputFile& file, PictureHeader& header) {
    std::uint64_t at = 2;
    std::array<std::uint8_t, 9> head{};
    while (at + 4 <= file.size()) {
        if (file.readAt(at, head.data(), 4)) return false;
        if (head[0] != 0xFF) return false;
        const int marker = head[1];
        if (marker == 0xFF) {  // fill byte
            at += 1;
            continue;
        }
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8)) {  // no length
            at += 2;
            continue;
        }
        if (isStartOfFrame(marker)) {
            if (at + 9 > file.size() || file.readAt(at, head.data(), 9)) return false;
            header.height = be16(&head[5]);
            header.width = be16(&head[7]);
            return header.width > 0 && header.height > 0;
        }
        if (marker == 0xD9 || marker == 0xDA) return false;  // end, or scan before any frame
        at += 2 + static_cast<std::uint64_t>(be16(&head[2]));
    }
    return false;
}

bool jpegTurned(const InputFile& file) {
    std::vector<std::uint8_t> start(
        static_cast<std::size_t>(std::min<std::uint64_t>(file.size(), kExifWindow)));
    if (file.readAt(0, start.data(), start.size())) return false;
    return files::exifOrientation(start.data(), start.size()) >= 5;
}

bool bmpSize(const InputFile& file, PictureHeader& header) {
    std::array<std::uint8_t, 26> head{};
    if (file.size() < head.size() || file.readAt(0, head.data(), head.size())) return false;
    if (le32(&head[14]) == 12) {  // OS/2 core header: 16-bit sizes
        header.width = head[18] | head[19] << 8;
        header.height = head[20] | head[21] << 8;
    } else {
        header.width = le32(&head[18]);
        const std::int32_t h = le32(&head[22]);  // negative: rows stored top-down
        header.height = h == INT32_MIN ? 0 : (h < 0 ? -h : h);
    }
    return header.width > 0 && header.height > 0;
}

bool otherSize(const std::string& path, PictureHeader& header) {
    QImageReader reader(QString::fromStdString(path));
    const QSize size = reader.size();
    if (!size.isValid() || size.isEmpty()) return false;
    header.width = size.width();
    header.height = size.height();
    return true;
}

}  // namespace

std::optional<PictureHeader> probePicture(const std::string& path) {
    InputFile file;
    if (file.open(path)) return std::nullopt;
    PictureHeader header;
    header.fileSize = file.size();
    std::array<std::uint8_t, 3> magic{};
    if (file.size() >= 3 && !file.readAt(0, magic.data(), 3)) {
        if (magic[0] == 0xFF && magic[1] == 0xD8 && magic[2] == 0xFF) {
            header.kind = PictureKind::Jpeg;
            if (!jpegSize(file, header)) return std::nullopt;
            header.turnedByExif = jpegTurned(file);
            return header;
        }
        if (magic[0] == 'B' && magic[1] == 'M') {
            header.kind = PictureKind::Bmp;
            if (!bmpSize(file, header)) return std::nullopt;
            return header;
        }
    }
    if (!otherSize(path, header)) return std::nullopt;
    return header;
}

std::uint64_t memoryCost(const PictureHeader& header, OutputFormat output) {
    const std::uint64_t pixels = std::uint64_t(header.width) * std::uint64_t(header.height);
    const std::uint64_t picture = pixels * 4;
    std::uint64_t reading = picture;
    switch (header.kind) {
        case PictureKind::Jpeg:  // the whole file, and a turned copy while turning
            reading += header.fileSize + (header.turnedByExif ? picture : 0);
            break;
        case PictureKind::Bmp:  // read in chunks
            reading += kBmpChunk;
            break;
        case PictureKind::Other:  // Qt's own image and its converted copy
            reading += 2 * picture + header.fileSize;
            break;
    }
    // The JPEG encoder's output stays in memory until written; at the qualities used here it
    // rarely passes 1.5 bytes a pixel. BMP rows go out in chunks.
    const std::uint64_t writing =
        picture + (output == OutputFormat::Jpg ? pixels * 3 / 2 : kBmpChunk);
    return std::max(reading, writing);
}

}  // namespace rimvista::batch
