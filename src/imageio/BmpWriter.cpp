#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <vector>

#include "imageio/AtomicFile.h"
#include "imageio/CodecSupport.h"
#include "imageio/FormatRegistry.h"
#include "imageio/PictureMetadata.h"
#include "imageio/PictureWriter.h"
#include "imageio/RowStream.h"

namespace rimvista::files {

namespace {

constexpr std::size_t kHeadersSize = 14 + 40;
constexpr std::size_t kChunkBytes = std::size_t{4} << 20;
constexpr std::uint32_t kPixelsPerMetre = 3780;  // 96 dpi

void put16(std::uint8_t* p, std::uint32_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}
void put32(std::uint8_t* p, std::uint32_t v) {
    put16(p, v & 0xFFFF);
    put16(p + 2, v >> 16);
}

// Pixels per metre as the file states them: the metadata's density when it has a unit.
std::pair<std::uint32_t, std::uint32_t> density(const PictureMetadata* metadata) {
    if (!metadata || !metadata->density || metadata->density->unit == Density::Unit::AspectOnly)
        return {kPixelsPerMetre, kPixelsPerMetre};
    const Density& d = *metadata->density;
    const double perMetre = d.unit == Density::Unit::PerInch ? 1 / 0.0254 : 100.0;
    return {static_cast<std::uint32_t>(std::lround(d.x * perMetre)),
            static_cast<std::uint32_t>(std::lround(d.y * perMetre))};
}

std::array<std::uint8_t, kHeadersSize> headers(int width, int height, std::uint32_t imageSize,
                                               const PictureMetadata* metadata) {
    std::array<std::uint8_t, kHeadersSize> h{};
    h[0] = 'B', h[1] = 'M';
    put32(&h[2], static_cast<std::uint32_t>(kHeadersSize) + imageSize);
    put32(&h[10], kHeadersSize);
    put32(&h[14], 40);
    put32(&h[18], static_cast<std::uint32_t>(width));
    put32(&h[22], static_cast<std::uint32_t>(height));  // positive: rows bottom-up
    put16(&h[26], 1);
    put16(&h[28], 24);
    put32(&h[34], imageSize);
    const auto [x, y] = density(metadata);
    put32(&h[38], x);
    put32(&h[42], y);
    return h;
}

Error tooLarge(int width, int height) {
    return Error::of(ErrorKind::TooLargeForFormat)
        .with(width, height)
        .naming({formatName(FormatId::Bmp)});
}

void packRow(const Pixel* s, std::uint8_t* d, int width) {
    for (int x = 0; x < width; ++x, d += 3) {
        d[0] = s[x].blue;
        d[1] = s[x].green;
        d[2] = s[x].red;
    }
}

Result<void> writeBmp(const PixelSurface& surface, const std::string& path,
                      const PictureMetadata* metadata) {
    if (surface.isNull() || surface.width() <= 0 || surface.height() <= 0)
        return Error::of(ErrorKind::NothingToSave);
    const int width = surface.width(), height = surface.height();
    const std::uint64_t stride = (std::uint64_t(width) * 3 + 3) / 4 * 4;
    const std::uint64_t imageSize = stride * std::uint64_t(height);
    // The file's size field is 32 bits wide.
    if (imageSize > 0xFFFFFFFFull - kHeadersSize) return tooLarge(width, height);
    const int chunkRows =
        static_cast<int>(std::clamp<std::uint64_t>(kChunkBytes / stride, 1, height));
    auto buffer = PageBuffer::tryCreate(stride * static_cast<std::uint64_t>(chunkRows));
    if (!buffer) return Error::of(ErrorKind::OutOfMemory);
    // Padding bytes stay zero: rows only ever overwrite their pixel bytes.
    std::memset(buffer->data(), 0, buffer->size());

    AtomicFile file(path);
    if (auto opened = file.open(); !opened) return opened;
    const auto head = headers(width, height, static_cast<std::uint32_t>(imageSize), metadata);
    if (auto written = file.write(head.data(), head.size()); !written) return written;
    for (int first = 0; first < height; first += chunkRows) {
        const int rows = std::min(chunkRows, height - first);
        for (int r = 0; r < rows; ++r)
            packRow(surface.row(height - 1 - (first + r)), buffer->data() + stride * r, width);
        if (auto written = file.write(buffer->data(), stride * std::uint64_t(rows)); !written)
            return written;
    }
    return file.commit();
}

std::uint64_t strideOf(int width) {
    return (std::uint64_t(width) * 3 + 3) / 4 * 4;
}

// The file saveBmp writes, a block at a time. Blocks that come bottom-up (the file's own order)
// are appended; blocks in any other order are written at their place in the file.
class BmpRowWriter : public RowWriter {
public:
    BmpRowWriter(const std::string& path, int width, int height)
        : m_file(path), m_width(width), m_height(height), m_stride(strideOf(width)) {}

    Result<void> open(const PictureMetadata* metadata) {
        if (auto opened = m_file.open(); !opened) return opened;
        const auto head =
            headers(m_width, m_height, static_cast<std::uint32_t>(m_stride * m_height), metadata);
        return m_file.write(head.data(), head.size());
    }
    bool topDownOnly() const override { return false; }

    Result<void> write(int y0, int y1, const Pixel* rows, std::size_t stride) override {
        if (y0 < 0 || y1 > m_height || y0 >= y1)
            return Error::of(ErrorKind::RowsOutOfOrder).with(y0, y1);
        const int count = y1 - y0;
        // Padding bytes stay zero: rows only ever overwrite their pixel bytes.
        m_buffer.resize(static_cast<std::size_t>(m_stride * count));
        for (int r = 0; r < count; ++r)
            packRow(rows + static_cast<std::size_t>(y1 - 1 - r - y0) * stride,
                    m_buffer.data() + m_stride * r, m_width);
        const std::uint64_t offset = kHeadersSize + m_stride * std::uint64_t(m_height - y1);
        if (offset == m_appendAt) {
            m_appendAt += m_buffer.size();
            return m_file.write(m_buffer.data(), m_buffer.size());
        }
        return m_file.writeAt(offset, m_buffer.data(), m_buffer.size());
    }
    Result<void> commit() override { return m_file.commit(); }

private:
    AtomicFile m_file;
    int m_width, m_height;
    std::uint64_t m_stride;
    std::uint64_t m_appendAt = kHeadersSize;
    std::vector<std::uint8_t> m_buffer;
};

}  // namespace

Result<void> saveBmp(const PixelSurface& surface, const std::string& path,
                     const PictureMetadata* metadata) {
    try {
        return writeBmp(surface, path, metadata);
    } catch (const std::exception&) {
        return Error::of(ErrorKind::OutOfMemory);
    }
}

Opened<RowWriter> openBmpRowWriter(const std::string& path, int width, int height,
                                   const PictureMetadata* metadata) {
    if (width <= 0 || height <= 0) return Error::of(ErrorKind::NothingToSave);
    if (strideOf(width) * std::uint64_t(height) > 0xFFFFFFFFull - kHeadersSize)
        return tooLarge(width, height);
    auto writer = std::make_unique<BmpRowWriter>(path, width, height);
    if (auto opened = writer->open(metadata); !opened) return opened.error();
    return std::unique_ptr<RowWriter>(std::move(writer));
}

}  // namespace rimvista::files
