#include "imageio/PngFile.h"

#include <fcntl.h>
#include <png.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <stdexcept>

#include "imageio/AtomicFile.h"
#include "imageio/CodecSupport.h"
#include "imageio/FormatRegistry.h"

namespace rimvista::files {

namespace {

constexpr char kXmpKey[] = "XML:com.adobe.xmp";
constexpr char kCommentKey[] = "Comment";
constexpr double kMetresPerInch = 0.0254;
// Deflate gives at most 1032 bytes for one; a byte of rows holds at most 8 one-bit pixels.
constexpr std::uint64_t kMostInflation = 1032;
constexpr std::uint64_t kMostPixelsPerByte = 8 * kMostInflation;

// libpng reports errors through a callback that must not return; an exception carries the
// reason out to the reading or writing function, whose guards then free the library's state.
struct PngFailure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// A failure of our own output under libpng, carried out the same way.
struct OutputFailure {
    Error error;
};

[[noreturn]] void raise(png_structp, png_const_charp message) {
    throw PngFailure(message ? message : "");
}
void ignoreWarning(png_structp, png_const_charp) {}

struct ReadState {
    png_structp png = nullptr;
    png_infop info = nullptr;
    std::FILE* file = nullptr;
    ~ReadState() {
        if (png) png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
        if (file) std::fclose(file);
    }
};

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

// libpng allocates what a chunk's length claims before reading the chunk, so a claim that runs
// past the end of the file is refused here, by the chunk heads alone, before libpng sees it.
// Such a file could never be read to its end anyway; nor can one that stops before its end
// chunk, which is reported as cut short.
Result<void> checkChunkLengths(int fd, std::uint64_t fileSize) {
    std::uint64_t at = 8;  // after the signature
    std::uint8_t head[8];
    while (fileSize - at >= sizeof head) {
        if (::pread(fd, head, sizeof head, static_cast<off_t>(at)) != ssize_t(sizeof head))
            return {};  // left to libpng to report
        const std::uint64_t length = std::uint64_t(head[0]) << 24 | std::uint64_t(head[1]) << 16 |
                                     std::uint64_t(head[2]) << 8 | head[3];
        if (length > fileSize - at - sizeof head) return Error::of(ErrorKind::PngChunkPastEnd);
        if (std::memcmp(head + 4, "IEND", 4) == 0) return {};  // what follows is not read
        at += sizeof head + length + 4;                        // and the CRC
        if (at > fileSize) break;
    }
    return Error::of(ErrorKind::FileCutShort);
}

LoadResult readPngFile(const std::string& path, PngExtras* extras) {
    ReadState s;
    // Non-blocking so that a pipe or device given as a picture is refused instead of hanging.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return Error::of(ErrorKind::CannotOpen, errno);
    s.file = ::fdopen(fd, "rb");
    if (!s.file) {
        const int error = errno;
        ::close(fd);
        return Error::of(ErrorKind::CannotOpen, error);
    }
    struct stat status {};
    if (::fstat(fd, &status) != 0) return Error::of(ErrorKind::CannotOpen, errno);
    if (!S_ISREG(status.st_mode)) return Error::of(ErrorKind::NotRegularFile);
    const auto fileSize = static_cast<std::uint64_t>(status.st_size);
    if (fileSize < 8) return Error::of(ErrorKind::FileCutShort);
    if (auto sound = checkChunkLengths(fd, fileSize); !sound) return sound.error();
    s.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, raise, ignoreWarning);
    if (!s.png) return Error::of(ErrorKind::OutOfMemory);
    s.info = png_create_info_struct(s.png);
    if (!s.info) return Error::of(ErrorKind::OutOfMemory);
    png_set_user_limits(s.png, 0x7FFFFFFF, 0x7FFFFFFF);
    png_set_chunk_malloc_max(s.png, chunkLimit(fileSize));
    // A profile that does not match its colour space is still the file's profile.
    png_set_option(s.png, PNG_SKIP_sRGB_CHECK_PROFILE, PNG_OPTION_ON);
    png_set_benign_errors(s.png, 1);
    png_init_io(s.png, s.file);
    png_read_info(s.png, s.info);

    const int width = static_cast<int>(png_get_image_width(s.png, s.info));
    const int height = static_cast<int>(png_get_image_height(s.png, s.info));
    const int colorType = png_get_color_type(s.png, s.info);
    const bool hasAlpha =
        (colorType & PNG_COLOR_MASK_ALPHA) != 0 || png_get_valid(s.png, s.info, PNG_INFO_tRNS);
    // The claimed size is weighed before anything is allocated for it: a small file cannot hold
    // it, and the picture with its alpha plane and row table must fit in the memory left.
    if (auto fits = checkFileHoldsPicture(width, height, fileSize, kMostPixelsPerByte); !fits)
        return fits.error();
    const std::uint64_t alphaPlane =
        extras && hasAlpha ? std::uint64_t(width) * std::uint64_t(height) : 0;
    // Besides the row table, libpng keeps two rows of up to 8 bytes a pixel while reading.
    const std::uint64_t rowTable = std::uint64_t(height) * sizeof(png_bytep);
    const std::uint64_t libraryRows = 2 * (std::uint64_t(width) * 8 + 64);
    const std::uint64_t alsoNeeded = alphaPlane + rowTable + libraryRows;
    if (auto fits = checkPictureSize(width, height, alsoNeeded); !fits) return fits.error();
    png_set_expand(s.png);  // palette to RGB, grey below 8 bits to 8, tRNS to alpha
    png_set_scale_16(s.png);
    if (!(colorType & PNG_COLOR_MASK_COLOR)) png_set_gray_to_rgb(s.png);
    png_set_bgr(s.png);
    if (!hasAlpha) png_set_filler(s.png, 0, PNG_FILLER_AFTER);
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
        readMetadata(s.png, s.info, extras->metadata);
    }
    clearReserved(picture);
    return result;
}

struct WriteState {
    png_structp png = nullptr;
    png_infop info = nullptr;
    ~WriteState() {
        if (png) png_destroy_write_struct(&png, info ? &info : nullptr);
    }
};

void writeToFile(png_structp png, png_bytep data, png_size_t size) {
    auto* file = static_cast<AtomicFile*>(png_get_io_ptr(png));
    if (auto written = file->write(data, size); !written) throw OutputFailure{written.error()};
}
void flushNothing(png_structp) {}

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

Result<void> writePngFile(const PixelSurface& surface, const std::string& path,
                          const PngExtras& extras) {
    if (surface.isNull() || surface.width() <= 0 || surface.height() <= 0)
        return Error::of(ErrorKind::NothingToSave);
    const int width = surface.width(), height = surface.height();
    const bool alpha = extras.alpha.size() == std::size_t(width) * std::size_t(height);
    const int channels = (extras.grey ? 1 : 3) + (alpha ? 1 : 0);
    AtomicFile file(path);
    if (auto opened = file.open(); !opened) return opened;
    WriteState s;
    s.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, raise, ignoreWarning);
    if (!s.png) return Error::of(ErrorKind::OutOfMemory);
    s.info = png_create_info_struct(s.png);
    if (!s.info) return Error::of(ErrorKind::OutOfMemory);
    png_set_option(s.png, PNG_SKIP_sRGB_CHECK_PROFILE, PNG_OPTION_ON);
    png_set_benign_errors(s.png, 1);
    png_set_write_fn(s.png, &file, writeToFile, flushNothing);
    const int colorType = extras.grey ? (alpha ? PNG_COLOR_TYPE_GRAY_ALPHA : PNG_COLOR_TYPE_GRAY)
                                      : (alpha ? PNG_COLOR_TYPE_RGBA : PNG_COLOR_TYPE_RGB);
    png_set_IHDR(s.png, s.info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height),
                 8, colorType, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_BASE, PNG_FILTER_TYPE_BASE);
    writeMetadata(s.png, s.info, extras.metadata);
    png_write_info(s.png, s.info);
    std::vector<png_byte> row(std::size_t(width) * std::size_t(channels));
    for (int y = 0; y < height; ++y) {
        const Pixel* in = surface.row(y);
        const std::uint8_t* a = alpha ? extras.alpha.data() + std::size_t(y) * width : nullptr;
        png_bytep out = row.data();
        for (int x = 0; x < width; ++x) {
            if (extras.grey) {
                *out++ = in[x].green;
            } else {
                *out++ = in[x].red;
                *out++ = in[x].green;
                *out++ = in[x].blue;
            }
            if (a) *out++ = a[x];
        }
        png_write_row(s.png, row.data());
    }
    png_write_end(s.png, s.info);
    return file.commit();
}

}  // namespace

bool isPng(const std::uint8_t* data, std::size_t size) {
    return size >= 8 && png_sig_cmp(const_cast<png_bytep>(data), 0, 8) == 0;
}

LoadResult readPng(const std::string& path, PngExtras* extras) {
    try {
        return readPngFile(path, extras);
    } catch (const PngFailure& e) {
        return Error::of(ErrorKind::DamagedData)
            .naming({formatName(FormatId::Png)})
            .saying(e.what());
    } catch (const std::bad_alloc&) {
        return Error::of(ErrorKind::OutOfMemory);
    }
}

Result<void> savePng(const PixelSurface& surface, const std::string& path,
                     const PngExtras& extras) {
    try {
        return writePngFile(surface, path, extras);
    } catch (const OutputFailure& failure) {
        return failure.error;
    } catch (const PngFailure& e) {
        return Error::of(ErrorKind::EncodeFailed)
            .naming({formatName(FormatId::Png)})
            .saying(e.what());
    } catch (const std::bad_alloc&) {
        return Error::of(ErrorKind::OutOfMemory);
    }
}

}  // namespace rimvista::files
