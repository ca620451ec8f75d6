#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#include "imageio/AtomicFile.h"
#include "imageio/CodecSupport.h"
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

std::array<std::uint8_t, kHeadersSize> headers(int width, int height, std::uint32_t imageSize) {
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
    put32(&h[38], kPixelsPerMetre);
    put32(&h[42], kPixelsPerMetre);
    return h;
}

void packRow(const Pixel* s, std::uint8_t* d, int width) {
    for (int x = 0; x < width; ++x, d += 3) {
        d[0] = s[x].blue;
        d[1] = s[x].green;
        d[2] = s[x].red;
    }
}

std::optional<std::string> writeBmp(const PixelSurface& surface, const std::string& path) {
    if (surface.isNull() || surface.width() <= 0 || surface.height() <= 0)
        return "保存する画像がありません";
    const int width = surface.width(), height = surface.height();
    const std::uint64_t stride = (std::uint64_t(width) * 3 + 3) / 4 * 4;
    const std::uint64_t imageSize = stride * std::uint64_t(height);
    // The file's size field is 32 bits wide.
    if (imageSize > 0xFFFFFFFFull - kHeadersSize) return "BMP ファイルにするには大きすぎます";
    const int chunkRows =
        static_cast<int>(std::clamp<std::uint64_t>(kChunkBytes / stride, 1, height));
    auto buffer = PageBuffer::tryCreate(stride * static_cast<std::uint64_t>(chunkRows));
    if (!buffer) return "メモリが足りません";
    // Padding bytes stay zero: rows only ever overwrite their pixel bytes.
    std::memset(buffer->data(), 0, buffer->size());

    AtomicFile file(path);
    if (auto error = file.open()) return error;
    const auto head = headers(width, height, static_cast<std::uint32_t>(imageSize));
    if (auto error = file.write(head.data(), head.size())) return error;
    for (int first = 0; first < height; first += chunkRows) {
        const int rows = std::min(chunkRows, height - first);
        for (int r = 0; r < rows; ++r)
            packRow(surface.row(height - 1 - (first + r)), buffer->data() + stride * r, width);
        if (auto error = file.write(buffer->data(), stride * std::uint64_t(rows))) return error;
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

    std::optional<std::string> open() {
        if (auto error = m_file.open()) return error;
        const auto head =
            headers(m_width, m_height, static_cast<std::uint32_t>(m_stride * m_height));
        return m_file.write(head.data(), head.size());
    }
    bool topDownOnly() const override { return false; }

    std::optional<std::string> write(int y0, int y1, const Pixel* rows,
                                     std::size_t stride) override {
        if (y0 < 0 || y1 > m_height || y0 >= y1) return "BMP の行の範囲が不正です";
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
    std::optional<std::string> commit() override { return m_file.commit(); }

private:
    AtomicFile m_file;
    int m_width, m_height;
    std::uint64_t m_stride;
    std::uint64_t m_appendAt = kHeadersSize;
    std::vector<std::uint8_t> m_buffer;
};

}  // namespace

std::optional<std::string> saveBmp(const PixelSurface& surface, const std::string& path) {
    try {
        return writeBmp(surface, path);
    } catch (const std::exception&) {
        return "メモリが足りません";
    }
}

Opened<RowWriter> openBmpRowWriter(const std::string& path, int width, int height) {
    if (width <= 0 || height <= 0) return Opened<RowWriter>::failure("保存する画像がありません");
    if (strideOf(width) * std::uint64_t(height) > 0xFFFFFFFFull - kHeadersSize)
        return Opened<RowWriter>::failure("BMP ファイルにするには大きすぎます");
    auto writer = std::make_unique<BmpRowWriter>(path, width, height);
    if (auto error = writer->open()) return Opened<RowWriter>::failure(*error);
    return Opened<RowWriter>::success(std::move(writer));
}

}  // namespace rimvista::files
