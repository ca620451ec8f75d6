#include "imageio/BmpReader.h"

#include <algorithm>
#include <array>
#include <bit>
#include <climits>
#include <cstring>
#include <vector>

#include "imageio/BmpRle.h"
#include "imageio/RowStream.h"

namespace rimvista::files {

namespace {

constexpr std::uint32_t kRgb = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3, kAlphaBitFields = 6;
// File header, the largest info header, masks and a 256-colour palette fit in this.
constexpr std::size_t kPrefixSize = 2048;
constexpr std::size_t kChunkBytes = std::size_t{4} << 20;

std::uint32_t le16(const std::uint8_t* p) {
    return p[0] | (p[1] << 8);
}
std::uint32_t le32(const std::uint8_t* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (std::uint32_t(p[3]) << 24);
}

struct Channel {
    std::uint32_t mask = 0;
    int shift = 0;
    std::uint32_t max = 0;

    explicit Channel(std::uint32_t m = 0) : mask(m) {
        if (m == 0) return;
        shift = std::countr_zero(m);
        max = m >> shift;
    }
    // Full scale of the field maps to 255, rounded to nearest.
    std::uint8_t scale(std::uint32_t pixel) const {
        if (max == 0) return 0;
        const std::uint64_t v = (pixel & mask) >> shift;
        return static_cast<std::uint8_t>((v * 255 + max / 2) / max);
    }
};

struct BmpLayout {
    int width = 0;
    int height = 0;
    bool topDown = false;
    int bitsPerPixel = 0;
    std::uint32_t compression = kRgb;
    Channel red, green, blue;
    std::array<Pixel, 256> palette{};  // entries the file lacks stay black
    std::uint64_t dataOffset = 0;
    std::uint64_t stride = 0;
};

struct InfoFields {
    std::uint32_t headerSize = 0, colorsUsed = 0;
    std::size_t paletteStart = 0, entrySize = 4;
    bool os2 = false;
};

Result<void> parseInfo(const std::uint8_t* p, std::size_t n, BmpLayout& layout, InfoFields& info) {
    const std::uint8_t* h = p + 14;
    info.headerSize = le32(h);
    if (info.headerSize == 12) {
        if (n < 26) return Error::of(ErrorKind::BmpHeaderTooShort);
        layout.width = static_cast<int>(le16(h + 4));
        layout.height = static_cast<int>(le16(h + 6));
        layout.bitsPerPixel = static_cast<int>(le16(h + 10));
        info.entrySize = 3;
        info.paletteStart = 26;
        return {};
    }
    if (info.headerSize < 16 || info.headerSize > 1024 || 14 + info.headerSize > n)
        return Error::of(ErrorKind::BmpHeaderInvalid);
    const std::uint32_t size = info.headerSize;
    info.os2 = size != 40 && size != 52 && size != 56 && size < 108;
    const std::int32_t width = static_cast<std::int32_t>(le32(h + 4));
    const std::int32_t height = static_cast<std::int32_t>(le32(h + 8));
    if (width <= 0 || height == 0 || height == INT32_MIN)
        return Error::of(ErrorKind::BmpSizeInvalid);
    layout.width = width;
    layout.topDown = height < 0;
    layout.height = height < 0 ? -height : height;
    layout.bitsPerPixel = static_cast<int>(le16(h + 14));
    layout.compression = size >= 20 ? le32(h + 16) : kRgb;
    info.colorsUsed = size >= 36 ? le32(h + 32) : 0;
    info.paletteStart = 14 + size;
    return {};
}

Result<void> parseMasks(const std::uint8_t* p, std::size_t n, BmpLayout& layout, InfoFields& info) {
    if (layout.bitsPerPixel == 16) {
        layout.red = Channel(0x7C00), layout.green = Channel(0x03E0), layout.blue = Channel(0x1F);
    } else {
        layout.red = Channel(0xFF0000), layout.green = Channel(0xFF00), layout.blue = Channel(0xFF);
    }
    if (layout.compression != kBitFields && layout.compression != kAlphaBitFields) return {};
    // Right after a plain 40-byte info header, which is also where larger headers keep them.
    constexpr std::size_t at = 14 + 40;
    if (info.headerSize < 52) {
        info.paletteStart += layout.compression == kAlphaBitFields ? 16 : 12;
        if (info.paletteStart > n) return Error::of(ErrorKind::BmpMasksMissing);
    }
    layout.red = Channel(le32(p + at)), layout.green = Channel(le32(p + at + 4));
    layout.blue = Channel(le32(p + at + 8));
    return {};
}

void parsePalette(const std::uint8_t* p, std::size_t n, BmpLayout& layout, const InfoFields& info) {
    const std::size_t full = std::size_t{1} << layout.bitsPerPixel;
    std::size_t count = info.colorsUsed == 0 || info.colorsUsed > full ? full : info.colorsUsed;
    const std::size_t end =
        std::min<std::uint64_t>(n, std::max<std::uint64_t>(layout.dataOffset, info.paletteStart));
    count = std::min(count, (end - info.paletteStart) / info.entrySize);
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t* e = p + info.paletteStart + i * info.entrySize;
        layout.palette[i] = Pixel{e[0], e[1], e[2], 0};
    }
}

bool isRle(const BmpLayout& layout) {
    return layout.compression == kRle8 || layout.compression == kRle4;
}

// Run-length data: 8 bits a pixel for RLE8 and 4 for RLE4, and never stored top-down.
Result<void> checkRle(const BmpLayout& layout, std::uint64_t fileSize) {
    const bool fits =
        layout.compression == kRle8 ? layout.bitsPerPixel == 8 : layout.bitsPerPixel == 4;
    if (!fits || layout.topDown)
        return Error::of(ErrorKind::BmpUnsupported).with(layout.bitsPerPixel, layout.compression);
    if (fileSize <= layout.dataOffset) return Error::of(ErrorKind::BmpPixelDataMissing);
    return checkFileHoldsPicture(layout.width, layout.height, fileSize - layout.dataOffset,
                                 kRleMostPixelsPerByte);
}

// Fills layout from the file's first n bytes (of fileSize).
Result<void> parseHeaders(const std::uint8_t* p, std::size_t n, std::uint64_t fileSize,
                          BmpLayout& layout) {
    if (n < 18 || p[0] != 'B' || p[1] != 'M') return Error::of(ErrorKind::BmpHeaderTooShort);
    layout.dataOffset = le32(p + 10);
    InfoFields info;
    if (auto parsed = parseInfo(p, n, layout, info); !parsed) return parsed;
    if (layout.width <= 0 || layout.height <= 0) return Error::of(ErrorKind::BmpSizeInvalid);
    const int bpp = layout.bitsPerPixel;
    const std::uint32_t c = layout.compression;
    if (isRle(layout)) {
        if (auto sound = checkRle(layout, fileSize); !sound) return sound;
        parsePalette(p, n, layout, info);
        return {};
    }
    const bool masked = !info.os2 && (c == kBitFields || c == kAlphaBitFields);
    const bool knownDepth = bpp == 1 || bpp == 4 || bpp == 8 || bpp == 16 || bpp == 24 || bpp == 32;
    if (!knownDepth || (c != kRgb && !(masked && (bpp == 16 || bpp == 32))))
        return Error::of(ErrorKind::BmpUnsupported).with(bpp, c);
    if (auto parsed = parseMasks(p, n, layout, info); !parsed) return parsed;
    if (bpp <= 8) parsePalette(p, n, layout, info);
    const std::uint64_t rowBits = std::uint64_t(layout.width) * std::uint64_t(bpp);
    layout.stride = (rowBits + 31) / 32 * 4;
    // The last row may lack its padding; some writers leave it out.
    const std::uint64_t lastRow = (rowBits + 7) / 8;
    if (fileSize < layout.dataOffset || fileSize - layout.dataOffset < lastRow ||
        std::uint64_t(layout.height - 1) > (fileSize - layout.dataOffset - lastRow) / layout.stride)
        return Error::of(ErrorKind::BmpPixelDataMissing);
    return {};
}

void convertIndexed(const std::uint8_t* s, Pixel* d, const BmpLayout& layout) {
    const int bpp = layout.bitsPerPixel;
    const int perByte = 8 / bpp;
    const unsigned mask = (1u << bpp) - 1;
    for (int x = 0; x < layout.width; ++x) {
        const int shift = 8 - bpp * (x % perByte + 1);
        d[x] = layout.palette[(s[x / perByte] >> shift) & mask];
    }
}

void convertMasked(const std::uint8_t* s, Pixel* d, const BmpLayout& layout) {
    const bool wide = layout.bitsPerPixel == 32;
    for (int x = 0; x < layout.width; ++x) {
        const std::uint32_t v = wide ? le32(s + 4 * x) : le16(s + 2 * x);
        d[x] = Pixel{layout.blue.scale(v), layout.green.scale(v), layout.red.scale(v), 0};
    }
}

void convertRow(const std::uint8_t* s, Pixel* d, const BmpLayout& layout) {
    const int bpp = layout.bitsPerPixel;
    if (bpp <= 8) return convertIndexed(s, d, layout);
    if (bpp == 24) {
        for (int x = 0; x < layout.width; ++x, s += 3) d[x] = Pixel{s[0], s[1], s[2], 0};
        return;
    }
    const bool plain32 = bpp == 32 && layout.red.mask == 0xFF0000 && layout.green.mask == 0xFF00 &&
                         layout.blue.mask == 0xFF;
    if (!plain32) return convertMasked(s, d, layout);
    for (int x = 0; x < layout.width; ++x, s += 4) d[x] = Pixel{s[0], s[1], s[2], 0};
}

LoadResult readRows(const InputFile& file, const BmpLayout& layout) {
    if (isRle(layout)) {
        LoadResult result = allocatePicture(layout.width, layout.height);
        if (!result) return result;
        auto decoded = decodeRle(file, layout.dataOffset, layout.compression == kRle4,
                                 layout.palette, *result);
        if (!decoded) return decoded.error();
        return result;
    }
    const std::uint64_t stride = layout.stride;
    const int chunkRows = static_cast<int>(std::clamp<std::uint64_t>(
        kChunkBytes / stride, 1, static_cast<std::uint64_t>(layout.height)));
    const std::uint64_t chunkBytes = stride * static_cast<std::uint64_t>(chunkRows);
    // One row of a very wide picture can itself be gigabytes, so the chunk counts too.
    LoadResult result = allocatePicture(layout.width, layout.height, chunkBytes);
    if (!result) return result;
    auto buffer = PageBuffer::tryCreate(chunkBytes);
    if (!buffer) return Error::of(ErrorKind::OutOfMemory);
    PixelSurface& picture = *result;
    BackgroundPrefault prefault(picture, layout.topDown ? BackgroundPrefault::Order::TopDown
                                                        : BackgroundPrefault::Order::BottomUp);
    for (int first = 0; first < layout.height; first += chunkRows) {
        const int rows = std::min(chunkRows, layout.height - first);
        const std::uint64_t offset = layout.dataOffset + stride * std::uint64_t(first);
        const std::uint64_t wanted = stride * std::uint64_t(rows);
        const std::uint64_t present = std::min(wanted, file.size() - offset);
        if (auto read = file.readAt(offset, buffer->data(), present); !read) return read.error();
        std::memset(buffer->data() + present, 0, wanted - present);
        for (int r = 0; r < rows; ++r) {
            const int y = layout.topDown ? first + r : layout.height - 1 - (first + r);
            convertRow(buffer->data() + stride * std::uint64_t(r), picture.row(y), layout);
        }
    }
    return result;
}

// Any block of rows at any time: the rows of a block lie together in the file whichever way
// up it is stored, so each block is one positioned read.
class BmpRowReader : public RowReader {
public:
    BmpRowReader(std::unique_ptr<InputFile> file, const BmpLayout& layout)
        : m_file(std::move(file)), m_layout(layout) {
        m_width = layout.width;
        m_height = layout.height;
    }
    bool topDownOnly() const override { return false; }

    Result<void> read(int y0, int y1, Pixel* rows, std::size_t stride) override {
        if (y0 < 0 || y1 > m_height || y0 >= y1)
            return Error::of(ErrorKind::RowsOutOfOrder).with(y0, y1);
        const std::uint64_t rowBytes = m_layout.stride;
        const int count = y1 - y0;
        // The block's first row in file order: the top one when stored top-down.
        const int firstStored = m_layout.topDown ? y0 : m_height - y1;
        const std::uint64_t offset =
            m_layout.dataOffset + rowBytes * static_cast<std::uint64_t>(firstStored);
        const std::uint64_t wanted = rowBytes * static_cast<std::uint64_t>(count);
        const std::uint64_t present = std::min(wanted, m_file->size() - offset);
        m_buffer.resize(static_cast<std::size_t>(wanted));
        if (auto read = m_file->readAt(offset, m_buffer.data(), present); !read) return read;
        // The last row may lack its padding, as the whole-picture reader allows.
        std::memset(m_buffer.data() + present, 0, wanted - present);
        for (int r = 0; r < count; ++r) {
            const int y = m_layout.topDown ? y0 + r : y1 - 1 - r;
            convertRow(m_buffer.data() + rowBytes * static_cast<std::uint64_t>(r),
                       rows + static_cast<std::size_t>(y - y0) * stride, m_layout);
        }
        return {};
    }

private:
    std::unique_ptr<InputFile> m_file;
    BmpLayout m_layout;
    std::vector<std::uint8_t> m_buffer;
};

Result<void> readLayout(const InputFile& file, BmpLayout& layout) {
    std::array<std::uint8_t, kPrefixSize> prefix{};
    const auto n = file.readHead(prefix.data(), prefix.size());
    if (!n) return n.error();
    return parseHeaders(prefix.data(), *n, file.size(), layout);
}

}  // namespace

LoadResult readBmp(const InputFile& file) {
    BmpLayout layout;
    if (auto parsed = readLayout(file, layout); !parsed) return parsed.error();
    return readRows(file, layout);
}

Opened<RowReader> openBmpRowReader(std::unique_ptr<InputFile> file) {
    BmpLayout layout;
    if (auto parsed = readLayout(*file, layout); !parsed) return parsed.error();
    // Runs can jump over rows, so a block's rows cannot be found without those below it.
    if (isRle(layout)) return Error::of(ErrorKind::NotStreamable);
    return std::unique_ptr<RowReader>(std::make_unique<BmpRowReader>(std::move(file), layout));
}

}  // namespace rimvista::files
