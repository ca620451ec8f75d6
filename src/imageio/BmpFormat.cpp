// The registry's BMP entry.
#include <algorithm>
#include <array>
#include <climits>

#include "imageio/BmpReader.h"
#include "imageio/FormatEntries.h"
#include "imageio/PictureWriter.h"

namespace rimvista::files {

namespace {

// Uncompressed rows are read and written in chunks of about this much.
constexpr std::uint64_t kChunk = std::uint64_t{4} << 20;

std::int32_t le32(const std::uint8_t* p) {
    return static_cast<std::int32_t>(std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 |
                                     std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24);
}

bool sniff(const std::uint8_t* head, std::size_t size) {
    return size >= 2 && head[0] == 'B' && head[1] == 'M';
}

Result<PictureHeader> probe(const InputFile& file) {
    std::array<std::uint8_t, 26> head{};
    if (file.size() < head.size()) return Error::of(ErrorKind::BmpHeaderTooShort);
    if (auto read = file.readAt(0, head.data(), head.size()); !read) return read.error();
    PictureHeader header;
    header.format = FormatId::Bmp;
    if (le32(&head[14]) == 12) {  // OS/2 core header: 16-bit sizes
        header.width = head[18] | head[19] << 8;
        header.height = head[20] | head[21] << 8;
    } else {
        header.width = le32(&head[18]);
        const std::int32_t h = le32(&head[22]);  // negative: rows stored top-down
        header.height = h == INT32_MIN ? 0 : (h < 0 ? -h : h);
    }
    if (header.width <= 0 || header.height <= 0) return Error::of(ErrorKind::BmpSizeInvalid);
    return header;
}

std::uint64_t readCost(const PictureHeader& h) {
    return costPlus(pictureBytes(h.width, h.height), kChunk);
}

std::uint64_t writeCost(int width, int height) {
    return costPlus(pictureBytes(width, height), kChunk);
}

LoadResult read(const InputFile& file, const std::string&, PictureExtras*) {
    return readBmp(file);
}

// The density, stated in pixels per metre; 0 or absurd figures mean none was meant.
Result<PictureFacts> readFacts(const InputFile& file) {
    PictureFacts facts;
    std::uint8_t field[8];
    if (file.size() < 46 || !file.readAt(38, field, sizeof field)) return facts;
    const std::uint32_t x = static_cast<std::uint32_t>(le32(field));
    const std::uint32_t y = static_cast<std::uint32_t>(le32(field + 4));
    if (x == 0 || y == 0 || x > 1000000 || y > 1000000) return facts;
    facts.metadata.density = Density{Density::Unit::PerInch, x * 0.0254, y * 0.0254};
    return facts;
}

Result<void> write(const PixelSurface& picture, const std::string& path, const Encoding& e) {
    return saveBmp(picture, path, metadataOf(e));
}

Opened<RowWriter> openWriter(const std::string& path, int width, int height, const Encoding& e) {
    return openBmpRowWriter(path, width, height, metadataOf(e));
}

}  // namespace

const PictureFormat& bmpFormat() {
    static const PictureFormat format{
        .id = FormatId::Bmp,
        .name = "BMP",
        .mimeType = "image/bmp",
        .extensions = {"bmp"},
        .aliases = {},
        .carries = {.density = true},
        .sniff = sniff,
        .probe = probe,
        .readCost = readCost,
        .writeCost = writeCost,
        .rowReadCost = rowCodecCost,
        .rowWriteCost = rowCodecCost,
        .read = read,
        .readFacts = readFacts,
        .write = write,
        .openRowReader = openBmpRowReader,
        .openRowWriter = openWriter,
    };
    return format;
}

}  // namespace rimvista::files
