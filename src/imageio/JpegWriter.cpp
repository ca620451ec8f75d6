#include <turbojpeg.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "imageio/AtomicFile.h"
#include "imageio/CodecSupport.h"
#include "imageio/FormatRegistry.h"
#include "imageio/JpegMetadata.h"
#include "imageio/PictureWriter.h"
#include "imageio/TurboHandle.h"

namespace rimvista::files {

namespace {

// Encodes the top-left width x height pixels, reading the 32-bit rows in place (the fourth
// byte is skipped by the encoder, so no converted copy is made).
Error encoderUnavailable() {
    return Error::of(ErrorKind::EncoderUnavailable).naming({formatName(FormatId::Jpeg)});
}
Error tooLarge(int width, int height) {
    return Error::of(ErrorKind::TooLargeForFormat)
        .with(width, height)
        .naming({formatName(FormatId::Jpeg)});
}
Error encodeFailed(tjhandle handle) {
    Error error = Error::of(ErrorKind::EncodeFailed)
                      .naming({formatName(FormatId::Jpeg)})
                      .saying(tjGetErrorStr2(handle));
    Compressor::forThisThread().release();
    return error;
}

Result<void> writeJpeg(const PixelSurface& surface, int width, int height, const std::string& path,
                       int quality) {
    if (surface.isNull()) return Error::of(ErrorKind::NothingToSave);
    width = std::min(width, surface.width());
    height = std::min(height, surface.height());
    if (width <= 0 || height <= 0) return Error::of(ErrorKind::InvalidSaveSize).with(width, height);
    tjhandle handle = Compressor::forThisThread().get();
    if (!handle) return encoderUnavailable();
    const unsigned long bound = tjBufSize(width, height, TJSAMP_444);
    if (bound == 0 || bound == static_cast<unsigned long>(-1)) return tooLarge(width, height);
    // Worst-case output size, so the encoder never grows (and copies) its buffer; only the
    // pages actually written get memory.
    auto buffer = PageBuffer::tryCreate(bound);
    if (!buffer) return Error::of(ErrorKind::OutOfMemory);
    unsigned char* out = buffer->data();
    unsigned long outSize = bound;
    // The accurate transform costs nothing measurable at high quality and keeps lower
    // qualities from adding the fast transform's rounding on top of quantisation.
    const int flags = TJFLAG_NOREALLOC | TJFLAG_ACCURATEDCT;
    if (tjCompress2(handle, surface.bits(), width, static_cast<int>(surface.bytesPerLine()), height,
                    TJPF_BGRX, &out, &outSize, TJSAMP_444, std::clamp(quality, 1, 100), flags) != 0)
        return encodeFailed(handle);
    return writeFileAtomically(path, out, outSize);
}

}  // namespace

Result<void> saveJpeg(const PixelSurface& surface, const std::string& path, int quality) {
    try {
        return writeJpeg(surface, surface.width(), surface.height(), path, quality);
    } catch (const std::exception&) {
        return Error::of(ErrorKind::OutOfMemory);
    }
}

int DCSavetoJPEG(const PixelSurface& surface, int width, int height, const char* path,
                 unsigned char quality, int /*reserved*/) {
    if (!path) return 0;
    try {
        return writeJpeg(surface, width, height, path, quality) ? 1 : 0;
    } catch (const std::exception&) {
        return 0;
    }
}

namespace {

constexpr char kExifId[] = "Exif\0";                       // with the terminating NUL: six bytes
constexpr char kXmpId[] = "http://ns.adobe.com/xap/1.0/";  // followed by a NUL
constexpr char kIccId[] = "ICC_PROFILE";                   // followed by a NUL
constexpr std::size_t kMaxSegmentBody = 65533;

int be16(const std::uint8_t* p) {
    return (p[0] << 8) | p[1];
}

}  // namespace

namespace {

void appendSegment(std::vector<std::uint8_t>& out, int marker, const void* id, std::size_t idSize,
                   const std::uint8_t* body, std::size_t size) {
    const std::size_t length = 2 + idSize + size;
    const std::uint8_t head[] = {0xFF, static_cast<std::uint8_t>(marker),
                                 static_cast<std::uint8_t>(length >> 8),
                                 static_cast<std::uint8_t>(length & 0xFF)};
    out.reserve(out.size() + sizeof head + idSize + size);
    out.insert(out.end(), std::begin(head), std::end(head));
    const auto* i = static_cast<const std::uint8_t*>(id);
    out.insert(out.end(), i, i + idSize);
    out.insert(out.end(), body, body + size);
}

std::vector<std::uint8_t> jfifSegment(const std::optional<Density>& density) {
    int unit = 0, x = 1, y = 1;
    if (density) {
        unit = density->unit == Density::Unit::PerInch         ? 1
               : density->unit == Density::Unit::PerCentimetre ? 2
                                                               : 0;
        x = std::clamp(static_cast<int>(std::lround(density->x)), 1, 65535);
        y = std::clamp(static_cast<int>(std::lround(density->y)), 1, 65535);
    }
    const std::uint8_t body[] = {1,
                                 2,
                                 static_cast<std::uint8_t>(unit),
                                 static_cast<std::uint8_t>(x >> 8),
                                 static_cast<std::uint8_t>(x & 0xFF),
                                 static_cast<std::uint8_t>(y >> 8),
                                 static_cast<std::uint8_t>(y & 0xFF),
                                 0,
                                 0};
    std::vector<std::uint8_t> out;
    appendSegment(out, 0xE0, "JFIF", 5, body, sizeof body);
    return out;
}

}  // namespace

// Segments that do not fit JPEG's 64 KiB limit are left out: Exif and the main XMP packet
// cannot be split; profiles and comments can.
std::vector<std::uint8_t> jpegMetadataSegments(const PictureMetadata& m) {
    std::vector<std::uint8_t> out = jfifSegment(m.density);
    if (!m.exif.empty() && m.exif.size() + 6 <= kMaxSegmentBody)
        appendSegment(out, 0xE1, kExifId, 6, m.exif.data(), m.exif.size());
    if (!m.xmp.empty() && m.xmp.size() + sizeof kXmpId <= kMaxSegmentBody)
        appendSegment(out, 0xE1, kXmpId, sizeof kXmpId,
                      reinterpret_cast<const std::uint8_t*>(m.xmp.data()), m.xmp.size());
    if (!m.icc.empty()) {
        constexpr std::size_t kChunk = kMaxSegmentBody - sizeof kIccId - 2;
        const std::size_t count = (m.icc.size() + kChunk - 1) / kChunk;
        if (count <= 255) {
            for (std::size_t i = 0; i < count; ++i) {
                std::uint8_t id[sizeof kIccId + 2];
                std::memcpy(id, kIccId, sizeof kIccId);
                id[sizeof kIccId] = static_cast<std::uint8_t>(i + 1);
                id[sizeof kIccId + 1] = static_cast<std::uint8_t>(count);
                const std::size_t start = i * kChunk;
                appendSegment(out, 0xE2, id, sizeof id, m.icc.data() + start,
                              std::min(kChunk, m.icc.size() - start));
            }
        }
    }
    for (const std::string& comment : m.comments) {
        const auto* text = reinterpret_cast<const std::uint8_t*>(comment.data());
        for (std::size_t start = 0; start < comment.size(); start += kMaxSegmentBody)
            appendSegment(out, 0xFE, "", 0, text + start,
                          std::min(kMaxSegmentBody, comment.size() - start));
    }
    return out;
}

namespace {

int turboSampling(ChromaSampling s) {
    switch (s) {
        case ChromaSampling::S422:
            return TJSAMP_422;
        case ChromaSampling::S420:
            return TJSAMP_420;
        case ChromaSampling::S440:
            return TJSAMP_440;
        case ChromaSampling::S411:
            return TJSAMP_411;
        case ChromaSampling::Grey:
            return TJSAMP_GRAY;
        case ChromaSampling::S444:
            break;
    }
    return TJSAMP_444;
}

}  // namespace

Result<void> saveJpegWith(const PixelSurface& surface, const std::string& path, int quality,
                          ChromaSampling sampling, const PictureMetadata& metadata) {
    try {
        if (surface.isNull() || surface.width() <= 0 || surface.height() <= 0)
            return Error::of(ErrorKind::NothingToSave);
        const int width = surface.width(), height = surface.height();
        const int samp = turboSampling(sampling);
        tjhandle handle = Compressor::forThisThread().get();
        if (!handle) return encoderUnavailable();
        const unsigned long bound = tjBufSize(width, height, TJSAMP_444);
        if (bound == 0 || bound == static_cast<unsigned long>(-1)) return tooLarge(width, height);
        auto buffer = PageBuffer::tryCreate(bound);
        if (!buffer) return Error::of(ErrorKind::OutOfMemory);
        unsigned char* out = buffer->data();
        unsigned long outSize = bound;
        if (tjCompress2(handle, surface.bits(), width, static_cast<int>(surface.bytesPerLine()),
                        height, TJPF_BGRX, &out, &outSize, samp, std::clamp(quality, 1, 100),
                        TJFLAG_NOREALLOC | TJFLAG_ACCURATEDCT) != 0)
            return encodeFailed(handle);
        // The encoder's own JFIF segment is replaced by one that carries the density.
        std::size_t rest = 2;
        if (outSize > 6 && out[2] == 0xFF && out[3] == 0xE0) rest = 4 + be16(out + 4);
        const std::vector<std::uint8_t> segments = jpegMetadataSegments(metadata);
        AtomicFile file(path);
        if (auto opened = file.open(); !opened) return opened;
        if (auto written = file.write(out, 2); !written) return written;
        if (auto written = file.write(segments.data(), segments.size()); !written) return written;
        if (auto written = file.write(out + rest, outSize - rest); !written) return written;
        return file.commit();
    } catch (const std::exception&) {
        return Error::of(ErrorKind::OutOfMemory);
    }
}

}  // namespace rimvista::files
