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
    if (fd < 0) return Error::of(ErrorKind::CannotOpen, errno);
    state.file = ::fdopen(fd, "rb");
    if (!state.file) {
        const int error = errno;
        ::close(fd);
        return Error::of(ErrorKind::CannotOpen, error);
    }
    struct stat status {};
    if (::fstat(fd, &status) != 0) return Error::of(ErrorKind::CannotOpen, errno);
    if (!S_ISREG(status.st_mode)) return Error::of(ErrorKind::NotRegularFile);
    const auto fileSize = static_cast<std::uint64_t>(status.st_size);
    const auto readHead = [fd](std::uint64_t at, std::uint8_t* head) {
        return ::pread(fd, head, 8, static_cast<off_t>(at)) == 8;
    };
    if (auto sound = png::checkChunkLengths(fileSize, readHead); !sound) return sound.error();
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
    if (auto fits = checkFileHoldsPicture(width, height, fileSize, png::kMostPixelsPerByte); !fits)
        return fits.error();
    const std::uint64_t alphaPlane =
        extras && hasAlpha ? std::uint64_t(width) * std::uint64_t(height) : 0;
    // Besides the row table, libpng keeps two rows of up to 8 bytes a pixel while reading.
    const std::uint64_t rowTable = std::uint64_t(height) * sizeof(png_bytep);
    const std::uint64_t libraryRows = 2 * (std::uint64_t(width) * 8 + 64);
    const std::uint64_t alsoNeeded = alphaPlane + rowTable + libraryRows;
    if (auto fits = checkPictureSize(width, height, alsoNeeded); !fits) return fits.error();
    png::setRowTransforms(s.png, s.info);
    png_set_interlace_handling(s.png);
    png_read_update_info(s.png, s.info);
    if (png_get_rowbytes(s.png, s.info) != std::size_t(width) * 4)
        return Error::of(ErrorKind::PngUnsupported);

    LoadResult result = allocatePicture(width, height, alsoNeeded);
    if (!result) return result;
    PixelSurface& picture = *result;
    std::vector<png_bytep> rows(static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y)
        rows[static_cast<std::size_t>(y)] = reinterpret_cast<png_bytep>(picture.row(y));
    png_read_image(s.png, rows.data());
    png_read_end(s.png, s.info);

    if (extras) {
        extras->grey = !(colorType & PNG_COLOR_MASK_COLOR);
        extras->alpha.clear();
        if (hasAlpha) {
            extras->alpha.resize(std::size_t(width) * std::size_t(height));
            std::uint8_t* a = extras->alpha.data();
            for (int y = 0; y < height; ++y) {
                const Pixel* row = picture.row(y);
                for (int x = 0; x < width; ++x) *a++ = row[x].reserved;
            }
        }
        png::readMetadata(s.png, s.info, extras->metadata);
    }
    clearReserved(picture);
    return result;
}

Result<void> writePngFile(const PixelSurface& surface, const std::string& path,
                          const PngExtras& extras) {
    if (surface.isNull() || surface.width() <= 0 || surface.height() <= 0)
        return Error::of(ErrorKind::NothingToSave);
    const int width = surface.width(), height = surface.height();
    const bool alpha = extras.alpha.size() == std::size_t(width) * std::size_t(height);
    const PngLayout layout{width, height, extras.grey, alpha};
    AtomicFile file(path);
    if (auto opened = file.open(); !opened) return opened;
    // The row writer's encoder, so that both paths write the same file.
    PngEncoder encoder(file);
    if (auto started = encoder.start(layout, extras.metadata); !started) return started;
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* a = alpha ? extras.alpha.data() + std::size_t(y) * width : nullptr;
        packPngRow(surface.row(y), layout, a, 1, encoder.nextRow());
        if (auto done = encoder.rowDone(); !done) return done;
    }
    if (auto finished = encoder.finish(); !finished) return finished;
    return file.commit();
}

}  // namespace

bool isPng(const std::uint8_t* data, std::size_t size) {
    return size >= 8 && png_sig_cmp(const_cast<png_bytep>(data), 0, 8) == 0;
}

LoadResult readPng(const std::string& path, PngExtras* extras) {
    return png::guardedRead([&] { return readPngFile(path, extras); });
}

Result<void> savePng(const PixelSurface& surface, const std::string& path,
                     const PngExtras& extras) {
    try {
        return writePngFile(surface, path, extras);
    } catch (const std::bad_alloc&) {
        return Error::of(ErrorKind::OutOfMemory);
    }
}

}  // namespace rimvista::files
