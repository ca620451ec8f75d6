#include "imageio/JpegReader.h"

#include <turbojpeg.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "imageio/ExifOrientation.h"
#include "imageio/FormatRegistry.h"
#include "imageio/JpegSegments.h"
#include "imageio/TurboHandle.h"

namespace rimvista::files {

namespace {

// Huffman-coded data needs at least one bit for each 8 x 8 block, 512 pixels a byte; arithmetic
// coding of a flat picture packs more, so eight times that is still believed.
constexpr std::uint64_t kMostPixelsPerByte = 4096;

// Stray bytes between segments: common in files from some cameras and editors, and the
// picture decodes whole despite them.
bool harmlessWarning(tjhandle handle) {
    return tjGetErrorCode(handle) == TJERR_WARNING && harmlessJpegWarning(tjGetErrorStr2(handle));
}

// The library keeps the stop-on-warning choice of the previous decode in the handle, so a
// header with a harmless warning gets a second look with a fresh, tolerant handle.
bool readHeader(Decompressor& decompressor, const std::uint8_t* data, std::size_t size, int& width,
                int& height, int& colorspace) {
    const auto read = [&] {
        int subsampling = 0;
        return tjDecompressHeader3(decompressor.get(), data, static_cast<unsigned long>(size),
                                   &width, &height, &subsampling, &colorspace);
    };
    if (read() == 0) return true;
    if (!harmlessWarning(decompressor.get())) return false;
    decompressor.release();
    return read() == 0 || harmlessWarning(decompressor.get());
}

// A cut-off or corrupt file is a failure, not a picture with a grey or garbled lower part.
// The first pass stops at the first warning, so a small damaged file that claims a huge size
// never gets its whole picture filled; only a harmless warning earns a second, tolerant pass.
// tolerant: whatever the warnings, for a viewer that shows a damaged picture as far as it goes.
bool decodeInto(tjhandle handle, const std::uint8_t* data, std::size_t size, PixelSurface& out,
                int pixelFormat, bool tolerant = false) {
    const auto decode = [&](int flags) {
        return tjDecompress2(handle, data, static_cast<unsigned long>(size), out.bits(),
                             out.width(), static_cast<int>(out.bytesPerLine()), out.height(),
                             pixelFormat, flags | TJFLAG_LIMITSCANS);
    };
    if (tolerant) return decode(0) == 0;
    if (decode(TJFLAG_STOPONWARNING) == 0) return true;
    if (!harmlessWarning(handle)) return false;
    return decode(0) == 0 || harmlessWarning(handle);
}

// A file without its end marker is read with one put back: if that decodes without a warning,
// every row was there and only the marker was missing. A file cut inside its coded data still
// fails, now on the data the marker interrupts.
bool decodeWithEndMarker(Decompressor& decompressor, const std::uint8_t* data, std::size_t size,
                         PixelSurface& out, bool cmyk) {
    std::vector<std::uint8_t> whole(data, data + size);
    whole.push_back(0xFF);
    whole.push_back(0xD9);
    decompressor.release();
    if (!decompressor.get()) return false;
    return decodeInto(decompressor.get(), whole.data(), whole.size(), out,
                      cmyk ? TJPF_CMYK : TJPF_BGRX);
}

Error damaged(Decompressor& decompressor, const std::uint8_t* data, std::size_t size) {
    const std::string reason = tjGetErrorStr2(decompressor.get());
    decompressor.release();
    if (jpegCutShort(data, size)) return Error::of(ErrorKind::FileCutShort);
    return Error::of(ErrorKind::DamagedData).naming({formatName(FormatId::Jpeg)}).saying(reason);
}

// CMYK as common viewers show it: each colour is its ink's complement darkened by black. Files
// written with an Adobe segment store every ink inverted (0 is full ink), the others plainly.
void cmykToBgr(PixelSurface& picture, bool adobeInverted) {
    for (int y = 0; y < picture.height(); ++y) {
        Pixel* p = picture.row(y);
        for (int x = 0; x < picture.width(); ++x) {
            int c = p[x].blue, m = p[x].green, ye = p[x].red, k = p[x].reserved;
            if (!adobeInverted) c = 255 - c, m = 255 - m, ye = 255 - ye, k = 255 - k;
            p[x] = Pixel{std::uint8_t(ye * k / 255), std::uint8_t(m * k / 255),
                         std::uint8_t(c * k / 255), 0};
        }
    }
}

bool hasAdobeSegment(const std::uint8_t* data, std::size_t size) {
    bool adobe = false;
    walkJpegSegments(data, size, [&](const JpegSegment& s) {
        adobe = adobe || (s.marker == kJpegApp14 &&
                          segmentStartsWith(data + s.bodyAt, s.bodySize, "Adobe", 5));
        return !adobe;
    });
    return adobe;
}

}  // namespace

bool harmlessJpegWarning(const char* text) {
    const char* found = std::strstr(text, "extraneous bytes before marker 0x");
    if (!found) return false;
    const unsigned marker = static_cast<unsigned>(std::strtoul(found + 33, nullptr, 16));
    return marker < 0xD0 || marker > 0xD9;
}

bool jpegCutShort(const std::uint8_t* data, std::size_t size) {
    std::uint64_t scan = 0;
    const JpegWalkEnd end = walkJpegSegments(data, size, [&](const JpegSegment& s) {
        if (s.marker == kJpegStartOfScan) scan = s.bodyAt + s.bodySize;
        return true;
    });
    if (end != JpegWalkEnd::Scan) return end == JpegWalkEnd::CutShort;
    for (std::size_t i = static_cast<std::size_t>(scan); i + 1 < size; ++i)
        if (data[i] == 0xFF && data[i + 1] == 0xD9) return false;
    return true;
}

LoadResult readJpeg(const std::uint8_t* data, std::size_t size, PictureExtras* extras) {
    Decompressor& decompressor = Decompressor::forThisThread();
    if (!decompressor.get())
        return Error::of(ErrorKind::DecoderUnavailable).naming({formatName(FormatId::Jpeg)});
    int width = 0, height = 0, colorspace = 0;
    if (!readHeader(decompressor, data, size, width, height, colorspace))
        return damaged(decompressor, data, size);
    const bool cmyk = colorspace == TJCS_CMYK || colorspace == TJCS_YCCK;
    if (auto fits = checkFileHoldsPicture(width, height, size, kMostPixelsPerByte); !fits)
        return fits.error();
    const int orientation = exifOrientation(data, size);
    const std::uint64_t turnedCopy =
        orientation >= 5 ? std::uint64_t(width) * std::uint64_t(height) * 4 : 0;
    LoadResult result = allocatePicture(width, height, turnedCopy);
    if (!result) return result;
    bool decoded = false;
    {
        BackgroundPrefault prefault(*result, BackgroundPrefault::Order::TopDown);
        decoded = decodeInto(decompressor.get(), data, size, *result, cmyk ? TJPF_CMYK : TJPF_BGRX);
        if (!decoded && jpegCutShort(data, size))
            decoded = decodeWithEndMarker(decompressor, data, size, *result, cmyk);
    }
    if (!decoded) {
        Error damage = damaged(decompressor, data, size);
        // A file cut short is refused even so: what is missing is not damage to be shown.
        if (!extras || !extras->acceptDamage || damage.kind == ErrorKind::FileCutShort)
            return damage;
        decodeInto(decompressor.get(), data, size, *result, cmyk ? TJPF_CMYK : TJPF_BGRX, true);
        decompressor.release();
        extras->damage = std::move(damage);
    }
    if (cmyk)
        cmykToBgr(*result, hasAdobeSegment(data, size));
    else
        clearReserved(*result);  // the decoder writes 0xFF there; loaded pictures carry 0
    auto upright = orientUpright(std::move(*result), orientation);
    if (!upright) return Error::of(ErrorKind::OutOfMemory);
    return std::move(*upright);
}

}  // namespace rimvista::files
