// A PNG file's metadata without inflating its rows, for writers that must put the metadata
// before the rows although the file may keep some of it after them. libpng itself reads a
// copy of the file in which the image data is one pixel: every other chunk comes from the
// file as it stands, in its place, so each is taken or passed over exactly as when the whole
// picture is read.

#include <zlib.h>

#include <array>
#include <cstring>
#include <new>

#include "imageio/PngFile.h"
#include "imageio/PngSupport.h"

namespace rimvista::files {

namespace {

std::uint32_t be32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 | p[3];
}
void put32(std::uint8_t* p, std::uint32_t v) {
    p[0] = std::uint8_t(v >> 24), p[1] = std::uint8_t(v >> 16), p[2] = std::uint8_t(v >> 8);
    p[3] = std::uint8_t(v);
}

std::vector<std::uint8_t> chunk(const char* type, const std::uint8_t* data, std::size_t size) {
    std::vector<std::uint8_t> c(12 + size);
    put32(c.data(), static_cast<std::uint32_t>(size));
    std::memcpy(c.data() + 4, type, 4);
    if (size > 0) std::memcpy(c.data() + 8, data, size);
    put32(c.data() + 8 + size,
          static_cast<std::uint32_t>(crc32(0, c.data() + 4, static_cast<uInt>(4 + size))));
    return c;
}

// The header of a one-pixel, non-interlaced picture of the same colour type and depth, and
// image data for it.
bool onePixel(std::array<std::uint8_t, 13> header, png::ByteSource& source,
              std::vector<std::uint8_t>& idat) {
    const int depth = header[8], colourType = header[9];
    const int channels = colourType == 2 ? 3 : colourType == 4 ? 2 : colourType == 6 ? 4 : 1;
    put32(header.data(), 1), put32(header.data() + 4, 1);
    header[12] = 0;
    source.addBytes(chunk("IHDR", header.data(), header.size()));
    const std::vector<std::uint8_t> row(1 + std::size_t(channels * depth + 7) / 8, 0);
    uLongf size = compressBound(static_cast<uLong>(row.size()));
    std::vector<std::uint8_t> data(size);
    if (compress(data.data(), &size, row.data(), static_cast<uLong>(row.size())) != Z_OK)
        return false;
    idat = chunk("IDAT", data.data(), size);
    return true;
}

// The file's chunks with the first run of image data replaced; false for a file whose chunks
// do not hold together (left to the reader to report).
bool skeleton(const InputFile& file, png::ByteSource& source) {
    const std::uint64_t size = file.size();
    std::uint8_t head[8];
    std::array<std::uint8_t, 13> header{};
    if (size < 33 || !file.readAt(8, head, 8) || std::memcmp(head + 4, "IHDR", 4) != 0 ||
        be32(head) != 13 || !file.readAt(16, header.data(), header.size()))
        return false;
    source.addFile(0, 8);
    std::vector<std::uint8_t> idat;
    if (!onePixel(header, source, idat)) return false;
    enum { Before, Within, After } data = Before;
    for (std::uint64_t at = 33; size - at >= 12;) {
        if (!file.readAt(at, head, 8)) return false;
        const std::uint64_t length = be32(head);
        if (length > size - at - 12) return false;
        const bool isData = std::memcmp(head + 4, "IDAT", 4) == 0;
        if (isData && data == Before) source.addBytes(std::move(idat));
        if (isData && data != After)
            data = Within;
        else
            source.addFile(at, length + 12), data = data == Within ? After : data;
        if (std::memcmp(head + 4, "IEND", 4) == 0) return true;
        at += length + 12;
    }
    return true;
}

}  // namespace

Result<PictureFacts> readPngFacts(const InputFile& file) {
    return png::guardedRead([&]() -> Result<PictureFacts> {
        png::ByteSource source(file);
        if (!skeleton(file, source))
            return Error::of(ErrorKind::DamagedData).naming({formatName(FormatId::Png)});
        png::ReadStructs s;
        png::limitReader(s.png, file.size());
        png_set_read_fn(s.png, &source, png::ByteSource::read);
        png_read_info(s.png, s.info);
        PictureFacts facts;
        facts.grey = !(png_get_color_type(s.png, s.info) & PNG_COLOR_MASK_COLOR);
        facts.alpha = png::hasAlpha(s.png, s.info);
        png::setRowTransforms(s.png, s.info);
        png_read_update_info(s.png, s.info);
        std::vector<std::uint8_t> row(png_get_rowbytes(s.png, s.info));
        png_read_row(s.png, row.data(), nullptr);
        png_read_end(s.png, s.info);
        png::readMetadata(s.png, s.info, facts.metadata);
        return facts;
    });
}

}  // namespace rimvista::files
