#include "imageio/PictureMetadata.h"

namespace rimvista::files {

namespace {

// Positions inside an Exif block in its own byte order; every access is bounds-checked, as the
// block comes from a file.
class Tiff {
public:
    explicit Tiff(std::vector<std::uint8_t>& data) : m_data(data) {
        m_valid = data.size() >= 8 &&
                  ((data[0] == 'I' && data[1] == 'I') || (data[0] == 'M' && data[1] == 'M'));
        m_big = m_valid && data[0] == 'M';
        m_valid = m_valid && u16(2) == 42;
    }
    bool valid() const { return m_valid; }
    bool has(std::size_t at, std::size_t n) const {
        return at <= m_data.size() && n <= m_data.size() - at;
    }
    std::uint32_t u16(std::size_t at) const {
        if (!has(at, 2)) return 0;
        const std::uint8_t* p = m_data.data() + at;
        return m_big ? (p[0] << 8) | p[1] : p[0] | (p[1] << 8);
    }
    std::uint32_t u32(std::size_t at) const {
        return m_big ? (u16(at) << 16) | u16(at + 2) : u16(at) | (u16(at + 2) << 16);
    }
    void put16(std::size_t at, std::uint32_t v) {
        if (!has(at, 2)) return;
        std::uint8_t* p = m_data.data() + at;
        p[m_big ? 0 : 1] = static_cast<std::uint8_t>(v >> 8);
        p[m_big ? 1 : 0] = static_cast<std::uint8_t>(v & 0xFF);
    }
    void put32(std::size_t at, std::uint32_t v) {
        put16(at + (m_big ? 0 : 2), v >> 16);
        put16(at + (m_big ? 2 : 0), v & 0xFFFF);
    }
    // The entry with the tag in the directory at ifd, or 0.
    std::size_t find(std::size_t ifd, std::uint32_t tag) const {
        const std::uint32_t count = u16(ifd);
        for (std::uint32_t i = 0; i < count; ++i) {
            const std::size_t entry = ifd + 2 + 12 * std::size_t{i};
            if (!has(entry, 12)) return 0;
            if (u16(entry) == tag) return entry;
        }
        return 0;
    }
    std::size_t nextLink(std::size_t ifd) const { return ifd + 2 + 12 * std::size_t{u16(ifd)}; }

private:
    std::vector<std::uint8_t>& m_data;
    bool m_valid = false;
    bool m_big = false;
};

}  // namespace

void resetExifOrientation(std::vector<std::uint8_t>& exif) {
    Tiff tiff(exif);
    if (!tiff.valid()) return;
    const std::size_t ifd0 = tiff.u32(4);
    if (!tiff.has(ifd0, 2)) return;
    if (const std::size_t entry = tiff.find(ifd0, 0x0112); entry && tiff.u16(entry + 2) == 3)
        tiff.put16(entry + 8, 1);
}

void dropExifThumbnail(std::vector<std::uint8_t>& exif) {
    Tiff tiff(exif);
    if (!tiff.valid()) return;
    const std::size_t ifd0 = tiff.u32(4);
    if (!tiff.has(ifd0, 2)) return;
    const std::size_t link = tiff.nextLink(ifd0);
    if (!tiff.has(link, 4)) return;
    const std::size_t ifd1 = tiff.u32(link);
    if (ifd1 == 0) return;
    std::size_t start = 0, length = 0;
    if (tiff.has(ifd1, 2)) {
        if (const std::size_t e = tiff.find(ifd1, 0x0201)) start = tiff.u32(e + 8);
        if (const std::size_t e = tiff.find(ifd1, 0x0202)) length = tiff.u32(e + 8);
    }
    tiff.put32(link, 0);
    if (start > 0 && length > 0 && tiff.has(start, length) && start + length == exif.size())
        exif.resize(start);
}

}  // namespace rimvista::files
