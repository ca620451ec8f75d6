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

    std::optional<std::string> start(const PictureMetadata& metadata) {
        if (auto error = m_file.open()) return error;
        return m_encoder.start(m_layout, metadata);
    }

    bool topDownOnly() const override { return true; }

    std::optional<std::string> write(int y0, int y1, const Pixel* rows,
                                     std::size_t stride) override {
        if (y0 != m_next || y1 > m_layout.height || y0 >= y1)
            return "PNG の行は上から順にしか書けません";
        for (int y = y0; y < y1; ++y, rows += stride) {
            const auto* alpha =
                reinterpret_cast<const std::uint8_t*>(rows) + offsetof(Pixel, reserved);
            packPngRow(rows, m_layout, alpha, sizeof(Pixel), m_encoder.nextRow());
            if (auto error = m_encoder.rowDone()) return failed(*error);
        }
        m_next = y1;
        return std::nullopt;
    }

    std::optional<std::string> commit() override {
        if (auto error = m_encoder.finish()) return failed(*error);
        return m_file.commit();
    }

private:
    std::string failed(std::string why) {
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
        if (auto error = writer->start(metadata)) return Opened<RowWriter>::failure(*error);
        return Opened<RowWriter>::success(std::move(writer));
    } catch (const std::bad_alloc&) {
        return Opened<RowWriter>::failure("メモリが足りません");
    }
}

}  // namespace rimvista::files
