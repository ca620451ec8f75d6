// The registry's PNG entry.
#include <array>
#include <climits>

#include "imageio/FormatEntries.h"
#include "imageio/PngEncoder.h"
#include "imageio/PngFile.h"

namespace rimvista::files {

namespace {

std::uint32_t be32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 | p[3];
}

// The signature, then the header chunk's length, type, width and height.
Result<PictureHeader> probe(const InputFile& file) {
    std::array<std::uint8_t, 24> head{};
    if (file.size() < head.size()) return Error::of(ErrorKind::FileCutShort);
    if (auto read = file.readAt(0, head.data(), head.size()); !read) return read.error();
    if (std::string_view(reinterpret_cast<const char*>(&head[12]), 4) != "IHDR")
        return Error::of(ErrorKind::DamagedData).naming({formatName(FormatId::Png)});
    const std::uint32_t width = be32(&head[16]), height = be32(&head[20]);
    if (width == 0 || height == 0 || width > INT_MAX || height > INT_MAX)
        return Error::of(ErrorKind::InvalidPictureSize)
            .with(static_cast<std::int64_t>(width), static_cast<std::int64_t>(height));
    PictureHeader header;
    header.format = FormatId::Png;
    header.width = static_cast<int>(width);
    header.height = static_cast<int>(height);
    return header;
}

// The picture, an alpha plane beside it, the row table and the library's own two rows.
std::uint64_t readCost(const PictureHeader& h) {
    const std::uint64_t pixels = pictureBytes(h.width, h.height) / 4;
    return costPlus(costTimes(pixels, 5), std::uint64_t(h.height) * sizeof(void*) +
                                              2 * (std::uint64_t(h.width) * 8 + 64));
}

// The picture and its alpha plane, and the blocks of rows the encoder has in work.
std::uint64_t writeCost(int width, int height) {
    const std::uint64_t pixels = pictureBytes(width, height) / 4;
    return costPlus(costTimes(pixels, 5), PngEncoder::memoryNeed(width));
}

LoadResult read(const InputFile&, const std::string& path, PictureExtras* extras) {
    return readPng(path, extras);
}

Result<void> write(const PixelSurface& picture, const std::string& path, const Encoding& e) {
    return savePng(picture, path, e.extras ? *e.extras : PictureExtras{});
}

// Besides the codec's own rows, the blocks the deflate has in work on every core.
std::uint64_t rowWriteCost(int width) {
    return rowCodecCost(width) + PngEncoder::memoryNeed(width);
}

// The file savePng writes; the alpha, where the rows carry it, from their reserved bytes.
Opened<RowWriter> openWriter(const std::string& path, int width, int height, const Encoding& e) {
    static const PictureMetadata none;
    return openPngRowWriter(path, width, height, e.extras && e.extras->grey, e.alphaInRows,
                            e.extras ? e.extras->metadata : none);
}

}  // namespace

const PictureFormat& pngFormat() {
    static const PictureFormat format{
        .id = FormatId::Png,
        .name = "PNG",
        .mimeType = "image/png",
        .extensions = {"png"},
        .aliases = {},
        .carries = {.profile = true,
                    .exif = true,
                    .xmp = true,
                    .comments = true,
                    .density = true,
                    .alpha = true},
        .sniff = isPng,
        .probe = probe,
        .readCost = readCost,
        .writeCost = writeCost,
        .rowReadCost = rowCodecCost,
        .rowWriteCost = rowWriteCost,
        .read = read,
        .readFacts = readPngFacts,
        .write = write,
        .openRowReader = openPngRowReader,
        .openRowWriter = openWriter,
    };
    return format;
}

}  // namespace rimvista::files
