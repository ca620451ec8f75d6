#include "imageio/PngFile.h"

#include <fcntl.h>
#include <png.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

#include "imageio/AtomicFile.h"
#include "imageio/CodecSupport.h"
#include "imageio/PngEncoder.h"
#include "imageio/PngSupport.h"

namespace rimvista::files {

namespace {

struct ReadState {
    png::ReadStructs structs;
    std::FILE* file = nullptr;
    ~ReadState() {
        if (file) std::fclose(file);
    }
};

LoadResult readPngFile(const std::string& path, PngExtras* extras) {
    ReadState state;
    // Non-blocking so that a pipe or device given as a picture is refused instead of hanging.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return LoadResult::failure("ファイルを開けません: " + errorText(errno));
    state.file = ::fdopen(fd, "rb");
    if (!state.file) {
        ::close(fd);
        return LoadResult::failure("ファイルを開けません: " + errorText(errno));
    }
    struct stat status {};
    if (::fstat(fd, &status) != 0)
        return LoadResult::failure("ファイルを開けません: " + errorText(errno));
    if (!S_ISREG(status.st_mode))
        return LoadResult::failure("ファイルを開けません: 通常のファイルではありません");
    const auto fileSize = static_cast<std::uint64_t>(status.st_size);
    const auto readHead = [fd](std::uint64_t at, std::uint8_t* head) {
        return ::pread(fd, head, 8, static_cast<off_t>(at)) == 8;
    };
    if (auto refused = png::checkChunkLengths(fileSize, readHead))
        return LoadResult::failure(*refused);
    const png::ReadStructs& s = state.structs;
    png::limitReader(s.png, fileSize);
    png_init_io(s.png, state.file);
    png_read_info(s.png, s.info);

    const int width = static_cast<int>(png_get_image_width(s.png, s.info));
    const int height = static_cast<int>(png_get_image_height(s.png, s.info));
    const int colorType = png_get_color_type(s.png, s.info);
    const bool hasAlpha = png::hasAlpha(s.png, s.info);
    // The claimed size is weighed before anything is allocated for it: a small file cannot hold
    // it, and the picture with its alpha plane and row table must fit in the memory left.
    if (auto refused = checkFileHoldsPicture(width, height, fileSize, png::kMostPixelsPerByte))
        return LoadResult::failure(*refused);
    const std::uint64_t alphaPlane =
        extras && hasAlpha ? std::uint64_t(width) * std::uint64_t(height) : 0;
    // Besides the row table, libpng keeps two rows of up to 8 bytes a pixel while reading.
    const std::uint64_t rowTable = std::uint64_t(height) * sizeof(png_bytep);
    const std::uint64_t libraryRows = 2 * (std::uint64_t(width) * 8 + 64);
    const std::uint64_t alsoNeeded = alphaPlane + rowTable + libraryRows;
    if (auto refused = checkPictureSize(width, height, alsoNeeded))
        return LoadResult::failure(*refused);
    png::setRowTransforms(s.png, s.info);
    png_set_interlace_handling(s.png);
    png_read_update_info(s.png, s.info);
    if (png_get_rowbytes(s.png, s.info) != std::size_t(width) * 4)
        return LoadResult::failure("対応していない PNG 形式です");

    LoadResult result = allocatePicture(width, height, alsoNeeded);
    if (!result.ok()) return result;
    std::vector<png_bytep> rows(static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y)
        rows[static_cast<std::size_t>(y)] = reinterpret_cast<png_bytep>(result.picture.row(y));
    png_read_image(s.png, rows.data());
    png_read_end(s.png, s.info);

    if (extras) {
        extras->grey = !(colorType & PNG_COLOR_MASK_COLOR);
        extras->alpha.clear();
        if (hasAlpha) {
            extras->alpha.resize(std::size_t(width) * std::size_t(height));
            std::uint8_t* a = extras->alpha.data();
            for (int y = 0; y < height; ++y) {
                const Pixel* row = result.picture.row(y);
                for (int x = 0; x < width; ++x) *a++ = row[x].reserved;
            }
        }
        png::readMetadata(s.png, s.info, extras->metadata);
    }
    clearReserved(result.picture);
    return result;
}

std::optional<std::string> writePngFile(const PixelSurface& surface, const std::string& path,
                                        const PngExtras& extras) {
    if (surface.isNull() || surface.width() <= 0 || surface.height() <= 0)
        return "保存する画像がありません";
    const int width = surface.width(), height = surface.height();
    const bool alpha = extras.alpha.size() == std::size_t(width) * std::size_t(height);
    const PngLayout layout{width, height, extras.grey, alpha};
    AtomicFile file(path);
    if (auto error = file.open()) return error;
    // The row writer's encoder, so that both paths write the same file.
    PngEncoder encoder(file);
    if (auto error = encoder.start(layout, extras.metadata)) return error;
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* a = alpha ? extras.alpha.data() + std::size_t(y) * width : nullptr;
        packPngRow(surface.row(y), layout, a, 1, encoder.nextRow());
        if (auto error = encoder.rowDone()) return error;
    }
    if (auto error = encoder.finish()) return error;
    return file.commit();
}

}  // namespace

bool isPng(const std::uint8_t* data, std::size_t size) {
    return size >= 8 && png_sig_cmp(const_cast<png_bytep>(data), 0, 8) == 0;
}

LoadResult readPng(const std::string& path, PngExtras* extras) {
    try {
        return readPngFile(path, extras);
    } catch (const png::Failure& e) {
        return LoadResult::failure(std::string("PNG ファイルが壊れています: ") + e.what());
    } catch (const std::bad_alloc&) {
        return LoadResult::failure("メモリが足りません");
    }
}

std::optional<std::string> savePng(const PixelSurface& surface, const std::string& path,
                                   const PngExtras& extras) {
    try {
        return writePngFile(surface, path, extras);
    } catch (const std::bad_alloc&) {
        return "メモリが足りません";
    }
}

}  // namespace rimvista::files
