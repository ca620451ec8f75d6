#include "imageio/PngSupport.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <vector>

#include "imageio/CodecSupport.h"
#include "imageio/FormatRegistry.h"

namespace rimvista::files::png {

namespace {

constexpr char kXmpKey[] = "XML:com.adobe.xmp";
constexpr char kCommentKey[] = "Comment";
constexpr double kMetresPerInch = 0.0254;

// The most a compressed metadata chunk (text, profile) may take once inflated. libpng allocates
// what an embedded profile claims before inflating it, so the claim is bounded by what the file
// could hold at deflate's best; and a large file of such chunks could still ask for more than the
// machine has, so each is also held to a share of the memory left, the picture still to come.
png_alloc_size_t chunkLimit(std::uint64_t fileSize) {
    const std::uint64_t fileCould =
        fileSize > UINT64_MAX / kMostInflation ? UINT64_MAX : fileSize * kMostInflation;
    const std::uint64_t limit = std::min(fileCould, availableMemory() / 4);
    return static_cast<png_alloc_size_t>(std::max<std::uint64_t>(limit, 1));
}

}  // namespace

Error damaged(const Failure& failure) {
    return Error::of(ErrorKind::DamagedData)
        .naming({formatName(FormatId::Png)})
        .saying(failure.what());
}

Error notEncoded(std::string detail) {
    return Error::of(ErrorKind::EncodeFailed)
        .naming({formatName(FormatId::Png)})
        .saying(std::move(detail));
}

void raise(png_structp, png_const_charp message) {
    throw Failure(message ? message : "");
}
void ignoreWarning(png_structp, png_const_charp) {}

ReadStructs::ReadStructs() {
    png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, raise, ignoreWarning);
    if (png) info = png_create_info_struct(png);
    if (!info) {
        if (png) png_destroy_read_struct(&png, nullptr, nullptr);
        throw std::bad_alloc();
    }
}

ReadStructs::~ReadStructs() {
    png_destroy_read_struct(&png, &info, nullptr);
}

Result<void> checkChunkLengths(std::uint64_t fileSize, const ReadHead& readHead) {
    std::uint64_t at = 8;  // after the signature
    if (fileSize < at) return Error::of(ErrorKind::FileCutShort);
    std::uint8_t head[8];
    while (fileSize - at >= sizeof head) {
        if (!readHead(at, head)) return {};  // left to libpng to report
        const std::uint64_t length = std::uint64_t(head[0]) << 24 | std::uint64_t(head[1]) << 16 |
                                     std::uint64_t(head[2]) << 8 | head[3];
        if (length > fileSize - at - sizeof head) return Error::of(ErrorKind::PngChunkPastEnd);
        if (std::memcmp(head + 4, "IEND", 4) == 0) return {};  // what follows is not read
        at += sizeof head + length + 4;                        // and the CRC
        if (at > fileSize) break;
    }
    return Error::of(ErrorKind::FileCutShort);
}

void ByteSource::addFile(std::uint64_t offset, std::uint64_t length) {
    // Chunks that follow each other in the file are one piece, however many there are.
    if (!m_pieces.empty() && m_pieces.back().bytes.empty() &&
        m_pieces.back().offset + m_pieces.back().length == offset)
        m_pieces.back().length += length;
    else
        m_pieces.push_back({offset, length, {}});
}

void ByteSource::addBytes(std::vector<std::uint8_t> bytes) {
    const auto length = static_cast<std::uint64_t>(bytes.size());
    m_pieces.push_back({0, length, std::move(bytes)});
}

void ByteSource::read(png_structp png, png_bytep data, std::size_t size) {
    static_cast<ByteSource*>(png_get_io_ptr(png))->take(data, size);
}

void ByteSource::take(std::uint8_t* data, std::size_t size) {
    constexpr std::size_t kBuffer = std::size_t{64} << 10;
    while (size > 0) {
        if (m_piece == m_pieces.size()) throw OwnFailure{Error::of(ErrorKind::FileCutShort)};
        const Piece& piece = m_pieces[m_piece];
        const std::size_t n =
            static_cast<std::size_t>(std::min<std::uint64_t>(size, piece.length - m_at));
        if (!piece.bytes.empty()) {
            std::memcpy(data, piece.bytes.data() + m_at, n);
        } else {
            const std::uint64_t at = piece.offset + m_at;
            if (at < m_bufferOffset || at + n > m_bufferOffset + m_buffer.size()) {
                const std::uint64_t left = m_file.size() - std::min(at, m_file.size());
                m_buffer.resize(
                    static_cast<std::size_t>(std::min<std::uint64_t>(std::max(kBuffer, n), left)));
                if (m_buffer.size() < n) throw OwnFailure{Error::of(ErrorKind::FileCutShort)};
                if (auto read = m_file.readAt(at, m_buffer.data(), m_buffer.size()); !read)
                    throw OwnFailure{read.error()};
                m_bufferOffset = at;
            }
            std::memcpy(data, m_buffer.data() + (at - m_bufferOffset), n);
        }
        data += n, size -= n, m_at += n;
        if (m_at == piece.length) ++m_piece, m_at = 0;
    }
}

void limitReader(png_structp png, std::uint64_t fileSize) {
    png_set_user_limits(png, 0x7FFFFFFF, 0x7FFFFFFF);
    png_set_chunk_malloc_max(png, chunkLimit(fileSize));
    // A profile that does not match its colour space is still the file's profile.
    png_set_option(png, PNG_SKIP_sRGB_CHECK_PROFILE, PNG_OPTION_ON);
    png_set_benign_errors(png, 1);
}

bool hasAlpha(png_structp png, png_infop info) {
    return (png_get_color_type(png, info) & PNG_COLOR_MASK_ALPHA) != 0 ||
           png_get_valid(png, info, PNG_INFO_tRNS);
}

void setRowTransforms(png_structp png, png_infop info) {
    png_set_expand(png);  // palette to RGB, grey below 8 bits to 8, tRNS to alpha
    png_set_scale_16(png);
    if (!(png_get_color_type(png, info) & PNG_COLOR_MASK_COLOR)) png_set_gray_to_rgb(png);
    png_set_bgr(png);
    if (!hasAlpha(png, info)) png_set_filler(png, 0, PNG_FILLER_AFTER);
}

void readMetadata(png_structp png, png_infop info, PictureMetadata& m) {
    png_charp name = nullptr;
    int compression = 0;
    png_bytep profile = nullptr;
    png_uint_32 profileSize = 0;
    if (png_get_iCCP(png, info, &name, &compression, &profile, &profileSize) && profile)
        m.icc.assign(profile, profile + profileSize);
    png_bytep exif = nullptr;
    png_uint_32 exifSize = 0;
    if (png_get_eXIf_1(png, info, &exifSize, &exif) && exif) m.exif.assign(exif, exif + exifSize);
    png_textp texts = nullptr;
    int count = 0;
    png_get_text(png, info, &texts, &count);
    for (int i = 0; i < count; ++i) {
        const std::string key = texts[i].key ? texts[i].key : "";
        const std::size_t length = texts[i].compression >= PNG_ITXT_COMPRESSION_NONE
                                       ? texts[i].itxt_length
                                       : texts[i].text_length;
        const std::string value(texts[i].text ? texts[i].text : "", length);
        if (key == kXmpKey && m.xmp.empty())
            m.xmp = value;
        else if (key == kCommentKey)
            m.comments.push_back(value);
    }
    png_uint_32 x = 0, y = 0;
    int unit = 0;
    if (png_get_pHYs(png, info, &x, &y, &unit) && x > 0 && y > 0) {
        if (unit == PNG_RESOLUTION_METER)
            m.density = Density{Density::Unit::PerInch, x * kMetresPerInch, y * kMetresPerInch};
        else if (x != y)
            m.density = Density{Density::Unit::AspectOnly, double(x), double(y)};
    }
}

void writeMetadata(png_structp png, png_infop info, const PictureMetadata& m) {
    if (!m.icc.empty())
        png_set_iCCP(png, info, "ICC profile", PNG_COMPRESSION_TYPE_BASE, m.icc.data(),
                     static_cast<png_uint_32>(m.icc.size()));
    if (!m.exif.empty())
        png_set_eXIf_1(png, info, static_cast<png_uint_32>(m.exif.size()),
                       const_cast<png_bytep>(m.exif.data()));
    std::vector<png_text> texts;
    const auto add = [&](const char* key, const std::string& value, bool international) {
        png_text t{};
        t.compression = international ? PNG_ITXT_COMPRESSION_NONE : PNG_TEXT_COMPRESSION_NONE;
        t.key = const_cast<png_charp>(key);
        t.text = const_cast<png_charp>(value.c_str());
        if (international)
            t.itxt_length = value.size();
        else
            t.text_length = value.size();
        texts.push_back(t);
    };
    if (!m.xmp.empty()) add(kXmpKey, m.xmp, true);
    for (const std::string& c : m.comments) {
        // tEXt holds Latin-1 only; anything else goes into an international text.
        bool ascii = true;
        for (unsigned char ch : c) ascii = ascii && ch < 0x80;
        add(kCommentKey, c, !ascii);
    }
    if (!texts.empty()) png_set_text(png, info, texts.data(), static_cast<int>(texts.size()));
    if (m.density) {
        const Density& d = *m.density;
        const double scale = d.unit == Density::Unit::PerInch         ? 1 / kMetresPerInch
                             : d.unit == Density::Unit::PerCentimetre ? 100.0
                                                                      : 1.0;
        png_set_pHYs(
            png, info, static_cast<png_uint_32>(std::lround(d.x * scale)),
            static_cast<png_uint_32>(std::lround(d.y * scale)),
            d.unit == Density::Unit::AspectOnly ? PNG_RESOLUTION_UNKNOWN : PNG_RESOLUTION_METER);
    }
}

}  // namespace rimvista::files::png
