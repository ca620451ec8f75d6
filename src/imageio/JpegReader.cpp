#include "imageio/JpegReader.h"

#include <turbojpeg.h>

#include <cstring>

#include "imageio/ExifOrientation.h"
#include "imageio/TurboHandle.h"

namespace rimvista::files {

namespace {

// Huffman-coded data needs at least one bit for each 8 x 8 block, 512 pixels a byte; arithmetic
// coding of a flat picture packs more, so eight times that is still believed.
constexpr std::uint64_t kMostPixelsPerByte = 4096;

// Stray bytes between segments: common in files from some cameras and editors, and the
// picture decodes whole despite them.
bool harmlessWarning(tjhandle handle) {
    return tjGetErrorCode(handle) == TJERR_WARNING &&
           std::strstr(tjGetErrorStr2(handle), "extraneous bytes") != nullptr;
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
bool decodeInto(tjhandle handle, const std::uint8_t* data, std::size_t size, PixelSurface& out) {
    const auto decode = [&](int flags) {
        return tjDecompress2(handle, data, static_cast<unsigned long>(size), out.bits(),
                             out.width(), static_cast<int>(out.bytesPerLine()), out.height(),
                             TJPF_BGRX, flags | TJFLAG_LIMITSCANS);
    };
    if (decode(TJFLAG_STOPONWARNING) == 0) return true;
    if (!harmlessWarning(handle)) return false;
    return decode(0) == 0 || harmlessWarning(handle);
}

LoadResult damaged(Decompressor& decompressor) {
    const std::string reason = tjGetErrorStr2(decompressor.get());
    decompressor.release();
    return LoadResult::failure("JPEG ファイルが壊れています: " + reason);
}

}  // namespace

std::optional<LoadResult> readJpeg(const std::uint8_t* data, std::size_t size) {
    Decompressor& decompressor = Decompressor::forThisThread();
    if (!decompressor.get())
        return LoadResult::failure("JPEG を読み込めません: デコーダーを作れません");
    int width = 0, height = 0, colorspace = 0;
    if (!readHeader(decompressor, data, size, width, height, colorspace))
        return damaged(decompressor);
    if (colorspace == TJCS_CMYK || colorspace == TJCS_YCCK) return std::nullopt;
    if (auto refused = checkFileHoldsPicture(width, height, size, kMostPixelsPerByte))
        return LoadResult::failure(*refused);
    const int orientation = exifOrientation(data, size);
    const std::uint64_t turnedCopy =
        orientation >= 5 ? std::uint64_t(width) * std::uint64_t(height) * 4 : 0;
    LoadResult result = allocatePicture(width, height, turnedCopy);
    if (!result.ok()) return result;
    bool decoded = false;
    {
        BackgroundPrefault prefault(result.picture, BackgroundPrefault::Order::TopDown);
        decoded = decodeInto(decompressor.get(), data, size, result.picture);
    }
    if (!decoded) return damaged(decompressor);
    // The decoder writes 0xFF into the fourth byte; loaded pictures carry 0 there.
    clearReserved(result.picture);
    auto upright = orientUpright(std::move(result.picture), orientation);
    if (!upright) return LoadResult::failure("メモリが足りません (画像の回転)");
    return LoadResult::success(std::move(*upright));
}

}  // namespace rimvista::files
