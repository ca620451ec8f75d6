#pragma once
// Pictures that claim more than a file or a machine can hold, for the reader, the window and
// the batch tool alike. Each is written into a folder; the 40 GB one is a sparse file.

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "imageio/CodecSupport.h"
#include "imageio/PictureWriter.h"

namespace rimvista::test {

struct HugeClaim {
    const char* name;
    ErrorKind refusal;       // the kind of error the reader gives
    const char* windowText;  // the start of the window's words for it
};

// For its lifetime the readers see 1 GB of available memory, whatever the machine has, so
// that the outcome does not depend on the machine.
struct PretendedMemory {
    PretendedMemory() { files::setAvailableMemoryForTests(std::uint64_t{1} << 30); }
    ~PretendedMemory() { files::setAvailableMemoryForTests(std::nullopt); }
    PretendedMemory(const PretendedMemory&) = delete;
    PretendedMemory& operator=(const PretendedMemory&) = delete;
};

inline const HugeClaim kHugeClaims[] = {
    {"claims-65500-in-1kb.jpg", ErrorKind::FileTooSmallForPicture, "ファイルが小さすぎます"},
    {"claims-65535-in-1kb.bmp", ErrorKind::BmpPixelDataMissing,
     "BMP ファイルが壊れています: 画素データが足りません"},
    {"claims-10000-rle-1kb.bmp", ErrorKind::FileTooSmallForPicture, "ファイルが小さすぎます"},
    {"more-than-memory.jpg", ErrorKind::PictureBeyondMemory, "メモリが足りません"},
    {"rows-of-40gb.bmp", ErrorKind::PictureBeyondMemory, "メモリが足りません"},
    {"claims-65535-in-1kb.png", ErrorKind::FileTooSmallForPicture, "ファイルが小さすぎます"},
    {"more-than-memory.png", ErrorKind::PictureBeyondMemory, "メモリが足りません"},
};

namespace huge {

inline void put(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) b[at + i] = std::uint8_t(v >> (8 * i));
}

inline std::vector<std::uint8_t> bmpHeader(std::uint32_t headerSize, std::uint32_t width,
                                           std::uint32_t height, std::uint32_t compression) {
    std::vector<std::uint8_t> b(14 + headerSize + (compression == 1 ? 8 : 0), 0);
    b[0] = 'B', b[1] = 'M';
    put(b, 10, std::uint32_t(b.size()), 4);
    put(b, 14, headerSize, 4);
    if (headerSize == 12) {
        put(b, 18, width, 2), put(b, 20, height, 2), put(b, 22, 1, 2), put(b, 24, 24, 2);
    } else {
        put(b, 18, width, 4), put(b, 22, height, 4), put(b, 26, 1, 2);
        put(b, 28, compression == 1 ? 8 : 24, 2), put(b, 30, compression, 4);
        if (compression == 1) put(b, 46, 2, 4);  // two palette entries
    }
    return b;
}

// A sound small JPEG whose frame header is changed to the given size, padded to fileSize.
inline std::vector<std::uint8_t> jpegClaiming(const std::filesystem::path& scratch, int width,
                                              int height, std::size_t fileSize) {
    PixelSurface picture(16, 16);
    picture.fill(Pixel{40, 90, 200, 0});
    files::saveJpeg(picture, scratch.string(), 90);
    std::ifstream in(scratch, std::ios::binary);
    std::vector<std::uint8_t> b{std::istreambuf_iterator<char>(in), {}};
    std::filesystem::remove(scratch);
    for (std::size_t i = 2; i + 8 < b.size(); ++i)
        if (b[i] == 0xFF && b[i + 1] == 0xC0) {
            b[i + 5] = std::uint8_t(height >> 8), b[i + 6] = std::uint8_t(height);
            b[i + 7] = std::uint8_t(width >> 8), b[i + 8] = std::uint8_t(width);
            break;
        }
    b.resize(std::max(b.size(), fileSize), 0);
    return b;
}

// Appends a PNG chunk of that type and data, with its length and CRC.
inline void pngChunk(std::vector<std::uint8_t>& b, const char* type,
                     std::vector<std::uint8_t> data) {
    for (int shift = 24; shift >= 0; shift -= 8) b.push_back(std::uint8_t(data.size() >> shift));
    data.insert(data.begin(), type, type + 4);
    std::uint32_t crc = 0xFFFFFFFF;
    for (std::uint8_t byte : data) {
        crc ^= byte;
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320 & (0 - (crc & 1)));
    }
    crc = ~crc;
    b.insert(b.end(), data.begin(), data.end());
    for (int shift = 24; shift >= 0; shift -= 8) b.push_back(std::uint8_t(crc >> shift));
}

// A PNG file whose header claims width x height, followed by zero image data up to fileSize
// bytes: every chunk sound, so only the claim gives it away.
inline std::vector<std::uint8_t> pngClaiming(std::uint32_t width, std::uint32_t height,
                                             std::size_t fileSize) {
    std::vector<std::uint8_t> b{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<std::uint8_t> header;
    for (std::uint32_t v : {width, height})
        for (int shift = 24; shift >= 0; shift -= 8) header.push_back(std::uint8_t(v >> shift));
    header.insert(header.end(), {8, 2, 0, 0, 0});  // 8-bit RGB
    pngChunk(b, "IHDR", header);
    pngChunk(b, "IDAT", std::vector<std::uint8_t>(fileSize - b.size() - 12 - 12, 0));
    pngChunk(b, "IEND", {});
    return b;
}

inline void write(const std::filesystem::path& path, const std::vector<std::uint8_t>& b,
                  std::uint64_t size = 0) {
    {
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(b.data()), std::streamsize(b.size()));
    }
    if (size > b.size()) std::filesystem::resize_file(path, size);
}

}  // namespace huge

// Writes every picture of kHugeClaims into folder.
inline void writeHugeClaims(const std::filesystem::path& folder) {
    using namespace huge;
    // 65500 is the most the JPEG decoder accepts; beyond it the header itself is refused.
    write(folder / kHugeClaims[0].name, jpegClaiming(folder / "scratch.jpg", 65500, 65500, 1024));
    std::vector<std::uint8_t> os2 = bmpHeader(12, 65535, 65535, 0);
    os2.resize(1024, 0x5A);
    write(folder / kHugeClaims[1].name, os2);
    // Run-length data that ends at once could claim any size; this one claims too much.
    std::vector<std::uint8_t> rle = bmpHeader(40, 10000, 10000, 1);
    rle.insert(rle.end(), {0, 1});  // end of the picture at once
    rle.resize(1024, 0);
    write(folder / kHugeClaims[2].name, rle);
    // Enough bytes to be believed: 4.3 billion pixels at 4096 a byte.
    write(folder / kHugeClaims[3].name,
          jpegClaiming(folder / "scratch.jpg", 65500, 65500, std::size_t{1100} << 10));
    // 100000 pixels of 3 bytes a row, 140000 rows: 42 GB of rows, a 56 GB picture.
    write(folder / kHugeClaims[4].name, bmpHeader(40, 100000, 140000, 0),
          54 + std::uint64_t{300000} * 140000);
    write(folder / kHugeClaims[5].name, pngClaiming(65535, 65535, 1024));
    // 20000 x 20000 takes 1.6 GB; 64 KB are enough to be believed even at deflate's best.
    write(folder / kHugeClaims[6].name, pngClaiming(20000, 20000, 64 << 10));
}

}  // namespace rimvista::test
