#include <cstddef>
#include <new>

#include "imageio/AtomicFile.h"
#include "imageio/PngEncoder.h"
#include "imageio/RowStream.h"

namespace rimvista::files {

namespace {

// The alpha channel, when written, comes from each pixel's reserved byte, where the PNG row
// reader leaves it.
class PngRowWriter : public RowWriter {
public:
    PngRowWriter(const std::string& path, const PngLayout& layout)
        : m_file(path), m_encoder(m_file), m_layout(layout) {}

    Result<void> start(const PictureMetadata& metadata) {
        if (auto opened = m_file.open(); !opened) return opened;
        return m_encoder.start(m_layout, metadata);
    }

    bool topDownOnly() const override { return true; }

    Result<void> write(int y0, int y1, const Pixel* rows, std::size_t stride) override {
        if (y0 != m_next || y1 > m_layout.height || y0 >= y1)
            return Error::of(ErrorKind::RowsOutOfOrder).with(y0, y1);
        for (int y = y0; y < y1; ++y, rows += stride) {
            const auto* alpha =
                reinterpret_cast<const std::uint8_t*>(rows) + offsetof(Pixel, reserved);
            packPngRow(rows, m_layout, alpha, sizeof(Pixel), m_encoder.nextRow());
            if (auto done = m_encoder.rowDone(); !done) return failed(done.error());
        }
        m_next = y1;
        return {};
    }

    Result<void> commit() override {
        if (auto finished = m_encoder.finish(); !finished) return failed(finished.error());
        return m_file.commit();
    }

private:
    Error failed(Error why) {
        m_file.discard();
        return why;
    }

    AtomicFile m_file;
    PngEncoder m_encoder;
    PngLayout m_layout;
    int m_next = 0;
};

}  // namespace

Opened<RowWriter> openPngRowWriter(const std::string& path, int width, int height, bool grey,
                                   bool alpha, const PictureMetadata& metadata) {
    try {
        auto writer = std::make_unique<PngRowWriter>(path, PngLayout{width, height, grey, alpha});
        if (auto started = writer->start(metadata); !started) return started.error();
        return std::unique_ptr<RowWriter>(std::move(writer));
    } catch (const std::bad_alloc&) {
        return Error::of(ErrorKind::OutOfMemory);
    }
}

}  // namespace rimvista::files
