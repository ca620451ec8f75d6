#include <algorithm>
#include <array>
#include <cstring>

#include "files/AtomicFile.h"
#include "files/CodecSupport.h"
#include "files/PictureWriter.h"

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

}  // namespace

std::optional<std::string> saveBmp(const PixelSurface& surface, const std::string& path) {
    try {
        return writeBmp(surface, path);
    } catch (const std::exception&) {
        return "メモリが足りません";
    }
}

}  // namespace rimvista::files
