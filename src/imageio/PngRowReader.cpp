#include <new>

#include "imageio/PngSupport.h"
#include "imageio/RowStream.h"

namespace rimvista::files {

namespace {

// Rows come with the transforms the whole-picture reader uses, so the pixels are the same; the
// alpha, when the picture has it, stays in each pixel's reserved byte for a PNG writer to keep.
class PngRowReader : public RowReader {
public:
    explicit PngRowReader(std::unique_ptr<InputFile> file)
        : m_file(std::move(file)), m_source(*m_file) {}

    // Success when the rows can come; NotStreamable when the whole-picture path can still take
    // the file.
    Result<void> start() {
        const std::uint64_t fileSize = m_file->size();
        const auto readHead = [&](std::uint64_t at, std::uint8_t* head) {
            return m_file->readAt(at, head, 8).ok();
        };
        if (auto sound = png::checkChunkLengths(fileSize, readHead); !sound) return sound;
        m_source.addFile(0, fileSize);
        png_structp png = m_png.png;
        png_infop info = m_png.info;
        png::limitReader(png, fileSize);
        png_set_read_fn(png, &m_source, png::ByteSource::read);
        png_read_info(png, info);
        if (png_get_interlace_type(png, info) != PNG_INTERLACE_NONE)
            return Error::of(ErrorKind::NotStreamable);
        m_width = static_cast<int>(png_get_image_width(png, info));
        m_height = static_cast<int>(png_get_image_height(png, info));
        if (auto fits = checkFileHoldsPicture(m_width, m_height, fileSize, png::kMostPixelsPerByte);
            !fits)
            return fits;
        // libpng keeps two rows of up to 8 bytes a pixel while reading.
        if (auto fits = checkPictureSize(m_width, 1, 2 * (std::uint64_t(m_width) * 8 + 64)); !fits)
            return fits;
        png::setRowTransforms(png, info);
        png_read_update_info(png, info);
        if (png_get_rowbytes(png, info) != std::size_t(m_width) * 4)
            return Error::of(ErrorKind::PngUnsupported);
        return {};
    }

    bool topDownOnly() const override { return true; }

    Result<void> read(int y0, int y1, Pixel* rows, std::size_t stride) override {
        if (y0 != m_next || y1 > m_height || y0 >= y1)
            return Error::of(ErrorKind::RowsOutOfOrder).with(y0, y1);
        return png::guardedRead([&]() -> Result<void> {
            for (int y = y0; y < y1; ++y, rows += stride)
                png_read_row(m_png.png, reinterpret_cast<png_bytep>(rows), nullptr);
            m_next = y1;
            // The whole-picture reader reads on to the end, so a file cut short after its
            // image data fails here just the same.
            if (m_next == m_height) png_read_end(m_png.png, m_png.info);
            return {};
        });
    }

private:
    std::unique_ptr<InputFile> m_file;
    png::ByteSource m_source;
    png::ReadStructs m_png;
    int m_next = 0;
};

}  // namespace

Opened<RowReader> openPngRowReader(std::unique_ptr<InputFile> file) {
    return png::guardedRead([&]() -> Opened<RowReader> {
        auto reader = std::make_unique<PngRowReader>(std::move(file));
        if (auto started = reader->start(); !started) return started.error();
        return std::unique_ptr<RowReader>(std::move(reader));
    });
}

}  // namespace rimvista::files
