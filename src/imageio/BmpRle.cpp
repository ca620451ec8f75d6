#include "imageio/BmpRle.h"

#include <algorithm>
#include <vector>

namespace rimvista::files {

namespace {

constexpr std::size_t kChunk = std::size_t{64} << 10;

// The runs' bytes in chunks, never the whole file at once.
class ByteReader {
public:
    ByteReader(const InputFile& file, std::uint64_t at) : m_file(file), m_at(at) {}

    // The next byte, or false at the end of the file (or a read error, kept in status()).
    bool next(std::uint8_t& byte) {
        if (m_pos == m_size && !refill()) return false;
        byte = m_buffer[m_pos++];
        return true;
    }
    const Result<void>& status() const { return m_status; }

private:
    bool refill() {
        if (!m_status || m_at >= m_file.size()) return false;
        m_size = static_cast<std::size_t>(std::min<std::uint64_t>(kChunk, m_file.size() - m_at));
        m_buffer.resize(m_size);
        m_status = m_file.readAt(m_at, m_buffer.data(), m_size);
        if (!m_status) return false;
        m_at += m_size;
        m_pos = 0;
        return true;
    }

    const InputFile& m_file;
    std::uint64_t m_at;
    std::vector<std::uint8_t> m_buffer;
    std::size_t m_pos = 0, m_size = 0;
    Result<void> m_status;
};

class RleDecoder {
public:
    RleDecoder(bool fourBits, const std::array<Pixel, 256>& palette, PixelSurface& picture)
        : m_fourBits(fourBits), m_palette(palette), m_picture(picture) {}

    // A run of count pixels repeating the byte's colour (RLE8) or its two nibbles (RLE4).
    void run(int count, std::uint8_t value) {
        for (int i = 0; i < count; ++i) put(m_fourBits ? (i % 2 ? value & 15 : value >> 4) : value);
    }
    // count pixels given one by one: bytes, or nibbles high first; padded to a 16-bit boundary.
    bool literal(ByteReader& in, int count) {
        const int bytes = m_fourBits ? (count + 1) / 2 : count;
        std::uint8_t value = 0;
        for (int i = 0; i < count; ++i) {
            if (!m_fourBits || i % 2 == 0) {
                if (!in.next(value)) return false;
            }
            put(m_fourBits ? (i % 2 ? value & 15 : value >> 4) : value);
        }
        return bytes % 2 == 0 || in.next(value);
    }
    void endOfLine() {
        m_x = 0;
        ++m_y;
    }
    void jump(int dx, int dy) {
        m_x += dx;
        m_y += dy;
    }
    bool pastTheTop() const { return m_y >= m_picture.height(); }

private:
    void put(int index) {
        if (m_x < m_picture.width() && !pastTheTop())
            m_picture.row(m_picture.height() - 1 - m_y)[m_x] = m_palette[std::size_t(index)];
        ++m_x;
    }

    bool m_fourBits;
    const std::array<Pixel, 256>& m_palette;
    PixelSurface& m_picture;
    long m_x = 0, m_y = 0;
};

}  // namespace

Result<void> decodeRle(const InputFile& file, std::uint64_t dataOffset, bool fourBits,
                       const std::array<Pixel, 256>& palette, PixelSurface& picture) {
    picture.fill(palette[0]);
    ByteReader in(file, dataOffset);
    RleDecoder out(fourBits, palette, picture);
    std::uint8_t count = 0, value = 0;
    while (!out.pastTheTop()) {
        if (!in.next(count) || !in.next(value)) break;
        if (count > 0) {
            out.run(count, value);
        } else if (value == 0) {
            out.endOfLine();
        } else if (value == 1) {
            return {};  // end of the picture
        } else if (value == 2) {
            std::uint8_t dx = 0, dy = 0;
            if (!in.next(dx) || !in.next(dy)) break;
            out.jump(dx, dy);
        } else if (!out.literal(in, value)) {
            break;
        }
    }
    if (out.pastTheTop()) return {};
    if (!in.status()) return in.status().error();
    return Error::of(ErrorKind::BmpPixelDataMissing);
}

}  // namespace rimvista::files
