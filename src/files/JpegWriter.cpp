#include <turbojpeg.h>

#include <algorithm>

#include "files/AtomicFile.h"
#include "files/CodecSupport.h"
#include "files/PictureWriter.h"
#include "files/TurboHandle.h"

namespace rimvista::files {

namespace {

// Encodes the top-left width x height pixels, reading the 32-bit rows in place (the fourth
// byte is skipped by the encoder, so no converted copy is made).
std::optional<std::string> writeJpeg(const PixelSurface& surface, int width, int height,
                                     const std::string& path, int quality) {
    if (surface.isNull()) return "保存する画像がありません";
    width = std::min(width, surface.width());
    height = std::min(height, surface.height());
    if (width <= 0 || height <= 0) return "保存する大きさが不正です";
    tjhandle handle = Compressor::forThisThread().get();
    if (!handle) return "JPEG で保存できません: エンコーダーを作れません";
    const unsigned long bound = tjBufSize(width, height, TJSAMP_444);
    if (bound == 0 || bound == static_cast<unsigned long>(-1)) return "JPEG にするには大きすぎます";
    // Worst-case output size, so the encoder never grows (and copies) its buffer; only the
    // pages actually written get memory.
    auto buffer = PageBuffer::tryCreate(bound);
    if (!buffer) return "メモリが足りません";
    unsigned char* out = buffer->data();
    unsigned long outSize = bound;
    // The accurate transform costs nothing measurable at high quality and keeps lower
    // qualities from adding the fast transform's rounding on top of quantisation.
    const int flags = TJFLAG_NOREALLOC | TJFLAG_ACCURATEDCT;
    if (tjCompress2(handle, surface.bits(), width, static_cast<int>(surface.bytesPerLine()), height,
                    TJPF_BGRX, &out, &outSize, TJSAMP_444, std::clamp(quality, 1, 100),
                    flags) != 0) {
        const std::string reason = std::string("JPEG で保存できません: ") + tjGetErrorStr2(handle);
        Compressor::forThisThread().release();
        return reason;
    }
    return writeFileAtomically(path, out, outSize);
}

}  // namespace

std::optional<std::string> saveJpeg(const PixelSurface& surface, const std::string& path,
                                    int quality) {
    try {
        return writeJpeg(surface, surface.width(), surface.height(), path, quality);
    } catch (const std::exception&) {
        return "メモリが足りません";
    }
}

int DCSavetoJPEG(const PixelSurface& surface, int width, int height, const char* path,
                 unsigned char quality, int /*reserved*/) {
    if (!path) return 0;
    try {
        return writeJpeg(surface, width, height, path, quality) ? 0 : 1;
    } catch (const std::exception&) {
        return 0;
    }
}

}  // namespace rimvista::files
