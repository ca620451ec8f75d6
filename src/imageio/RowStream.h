#pragma once
// Reading and writing pictures a block of rows at a time, so that a picture of any height
// passes through a few blocks of memory. Rows are numbered 0..height - 1 from the top and
// handed over as 32-bit pixels (blue, green, red, reserved), stride pixels apart.
//
// Only formats whose rows can be produced without the whole picture stream: BMP without
// run-length compression, baseline JPEG in colour or grey that needs no turning (Exif
// orientation 1), and PNG that is not interlaced. Everything else reports that it cannot stream,
// and the caller takes the whole-picture path; an output file is only ever created once its input
// has streamed open.

#include <cstddef>
#include <memory>
#include <string>

#include "core/Error.h"
#include "core/PixelSurface.h"
#include "imageio/CodecSupport.h"
#include "imageio/JpegMetadata.h"

namespace rimvista::files {

class RowReader {
public:
    virtual ~RowReader() = default;
    int width() const { return m_width; }
    int height() const { return m_height; }
    // True when blocks must come top to bottom, each starting where the last one ended;
    // otherwise any block may be read at any time.
    virtual bool topDownOnly() const = 0;
    // Rows y0..y1 - 1 into rows.
    virtual Result<void> read(int y0, int y1, Pixel* rows, std::size_t stride) = 0;

protected:
    int m_width = 0, m_height = 0;
};

class RowWriter {
public:
    virtual ~RowWriter() = default;
    // As for RowReader; a writer that is not top-down only takes blocks in any order.
    virtual bool topDownOnly() const = 0;
    virtual Result<void> write(int y0, int y1, const Pixel* rows, std::size_t stride) = 0;
    // Once every row is written: completes the file and puts it in place (atomically). A writer
    // destroyed without commit leaves the target as it was.
    virtual Result<void> commit() = 0;
};

// An opened stream, or why not: NotStreamable when the whole-picture path can still take the
// file, any other error when it failed.
template <typename T>
using Opened = Result<std::unique_ptr<T>>;

// Tells the format from the file's first bytes, as loadPicture does.
Opened<RowReader> openRowReader(const std::string& path);
Opened<RowReader> openBmpRowReader(std::unique_ptr<InputFile> file);
Opened<RowReader> openJpegRowReader(std::unique_ptr<InputFile> file);
// Rows as readPng gives them, but with the alpha, where the picture has one, left in each
// pixel's reserved byte.
Opened<RowReader> openPngRowReader(std::unique_ptr<InputFile> file);

// The same files saveBmp and saveJpeg write for a width x height picture.
Opened<RowWriter> openBmpRowWriter(const std::string& path, int width, int height,
                                   const PictureMetadata* metadata = nullptr);
Opened<RowWriter> openJpegRowWriter(const std::string& path, int width, int height, int quality);
// The file saveJpegWith writes: that sampling, and with metadata its segments in place of the
// plain JFIF segment (metadata stays the caller's and must outlive the call only).
Opened<RowWriter> openJpegRowWriter(const std::string& path, int width, int height, int quality,
                                    ChromaSampling sampling, const PictureMetadata* metadata);
// The file savePng writes for a picture of that colour type with that metadata; with alpha,
// the alpha channel is taken from each pixel's reserved byte.
Opened<RowWriter> openPngRowWriter(const std::string& path, int width, int height, bool grey,
                                   bool alpha, const PictureMetadata& metadata);

}  // namespace rimvista::files
