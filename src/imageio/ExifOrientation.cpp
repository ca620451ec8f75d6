#include "imageio/ExifOrientation.h"

#include <algorithm>
#include <cstring>

#include "imageio/JpegSegments.h"

namespace rimvista::files {

namespace {

constexpr std::uint16_t kOrientationTag = 0x0112;
constexpr std::uint16_t kTypeShort = 3;

class TiffReader {
public:
    TiffReader(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}

    bool readByteOrder() {
        if (m_size < 8) return false;
        if (m_data[0] == 'I' && m_data[1] == 'I')
            m_bigEndian = false;
        else if (m_data[0] == 'M' && m_data[1] == 'M')
            m_bigEndian = true;
        else
            return false;
        return u16(2) == 42;
    }
    bool has(std::size_t offset, std::size_t count) const {
        return offset <= m_size && count <= m_size - offset;
    }
    std::uint32_t u16(std::size_t at) const {
        const std::uint8_t* p = m_data + at;
        return m_bigEndian ? (p[0] << 8) | p[1] : p[0] | (p[1] << 8);
    }
    std::uint32_t u32(std::size_t at) const {
        return m_bigEndian ? (u16(at) << 16) | u16(at + 2) : u16(at) | (u16(at + 2) << 16);
    }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
    bool m_bigEndian = false;
};

int orientationInTiff(const std::uint8_t* data, std::size_t size) {
    TiffReader tiff(data, size);
    if (!tiff.readByteOrder()) return 1;
    const std::size_t ifd = tiff.u32(4);
    if (!tiff.has(ifd, 2)) return 1;
    const std::uint32_t entries = tiff.u16(ifd);
    for (std::uint32_t i = 0; i < entries; ++i) {
        const std::size_t entry = ifd + 2 + 12 * std::size_t{i};
        if (!tiff.has(entry, 12)) return 1;
        if (tiff.u16(entry) != kOrientationTag) continue;
        if (tiff.u16(entry + 2) != kTypeShort || tiff.u32(entry + 4) < 1) return 1;
        const std::uint32_t value = tiff.u16(entry + 8);  // a short sits first in the value field
        return value >= 1 && value <= 8 ? static_cast<int>(value) : 1;
    }
    return 1;
}

}  // namespace

int exifOrientationInTiff(const std::uint8_t* tiff, std::size_t size) {
    return orientationInTiff(tiff, size);
}

int exifOrientation(const std::uint8_t* jpeg, std::size_t size) {
    int orientation = 1;
    walkJpegSegments(jpeg, size, [&](const JpegSegment& s) {
        if (s.marker != kJpegApp1) return true;
        const std::uint8_t* body = jpeg + s.bodyAt;
        if (!segmentStartsWith(body, s.bodySize, "Exif\0", 6)) return true;
        orientation = orientationInTiff(body + 6, s.bodySize - 6);
        return false;  // only the first Exif segment counts
    });
    return orientation;
}

std::optional<PixelSurface> orientUpright(PixelSurface stored, int orientation) {
    const int w = stored.width(), h = stored.height();
    if (orientation == 2) {
        for (int y = 0; y < h; ++y) std::reverse(stored.row(y), stored.row(y) + w);
    } else if (orientation == 3) {
        auto* first = stored.row(0);
        std::reverse(first, first + std::size_t(w) * std::size_t(h));
    } else if (orientation == 4) {
        for (int y = 0; y < h / 2; ++y)
            std::swap_ranges(stored.row(y), stored.row(y) + w, stored.row(h - 1 - y));
    }
    if (orientation < 5 || orientation > 8) return stored;

    // Shown pixel (x, y) comes from stored column y and stored row x, each mirrored as the
    // orientation says: 5 transpose, 6 quarter turn clockwise, 7 transverse, 8 anticlockwise.
    const bool mirrorColumn = orientation == 7 || orientation == 8;
    const bool mirrorRow = orientation == 6 || orientation == 7;
    auto shown = PixelSurface::tryCreate(h, w);
    if (!shown) return std::nullopt;
    constexpr int kTile = 64;  // keeps the column-wise reads of the stored picture in cache
    for (int ty = 0; ty < w; ty += kTile) {
        for (int tx = 0; tx < h; tx += kTile) {
            for (int y = ty; y < std::min(ty + kTile, w); ++y) {
                Pixel* out = shown->row(y);
                const int column = mirrorColumn ? w - 1 - y : y;
                for (int x = tx; x < std::min(tx + kTile, h); ++x)
                    out[x] = stored.row(mirrorRow ? h - 1 - x : x)[column];
            }
        }
    }
    return shown;
}

}  // namespace rimvista::files
