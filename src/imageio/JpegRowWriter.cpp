#include <algorithm>
#include <utility>
#include <vector>

#include "imageio/AtomicFile.h"
#include "imageio/FormatRegistry.h"
#include "imageio/JpegMetadata.h"
#include "imageio/JpegStream.h"
#include "imageio/RowStream.h"

namespace rimvista::files {

namespace {

constexpr std::size_t kWriteChunk = std::size_t{256} << 10;

// Encoded bytes go to the file a chunk at a time.
struct FileDestination {
    jpeg_destination_mgr manager{};
    AtomicFile* file = nullptr;
    std::vector<JOCTET> buffer = std::vector<JOCTET>(kWriteChunk);
    Result<void> writeStatus;

    static FileDestination& of(j_compress_ptr cinfo) {
        return *reinterpret_cast<FileDestination*>(cinfo->dest);
    }
    void reset() {
        manager.next_output_byte = buffer.data();
        manager.free_in_buffer = buffer.size();
    }
    void flush(j_compress_ptr cinfo, std::size_t size) {
        writeStatus = file->write(buffer.data(), size);
        if (!writeStatus) ERREXIT(cinfo, JERR_FILE_WRITE);
        reset();
    }
    static void init(j_compress_ptr cinfo) { of(cinfo).reset(); }
    static boolean empty(j_compress_ptr cinfo) {
        of(cinfo).flush(cinfo, kWriteChunk);
        return TRUE;
    }
    static void term(j_compress_ptr cinfo) {
        FileDestination& self = of(cinfo);
        self.flush(cinfo, self.buffer.size() - self.manager.free_in_buffer);
    }
};

std::pair<int, int> lumaFactors(ChromaSampling sampling) {
    switch (sampling) {
        case ChromaSampling::S422:
            return {2, 1};
        case ChromaSampling::S420:
            return {2, 2};
        case ChromaSampling::S440:
            return {1, 2};
        case ChromaSampling::S411:
            return {4, 1};
        case ChromaSampling::S444:
        case ChromaSampling::Grey:
            break;
    }
    return {1, 1};
}

class JpegRowWriter : public RowWriter {
public:
    JpegRowWriter(const std::string& path, int width, int height)
        : m_file(path), m_width(width), m_height(height) {
        m_cinfo.err = m_errors.install();
        m_destination.file = &m_file;
        m_destination.manager.init_destination = FileDestination::init;
        m_destination.manager.empty_output_buffer = FileDestination::empty;
        m_destination.manager.term_destination = FileDestination::term;
    }
    ~JpegRowWriter() override {
        if (m_created) jpeg_destroy_compress(&m_cinfo);
    }

    // The settings the whole-picture encoders use, so both write the same bytes: the accurate
    // transform, standard tables scaled to quality, the luminance sampled as the chroma sampling
    // says and the chroma once per block. With metadata, the library's own JFIF segment gives way
    // to the segments saveJpegWith writes, in the same place: right after the start of the file.
    Result<void> start(int quality, ChromaSampling sampling, const PictureMetadata* metadata) {
        if (auto opened = m_file.open(); !opened) return opened;
        if (setjmp(m_errors.jump)) return failed();
        jpeg_create_compress(&m_cinfo);
        m_created = true;
        m_cinfo.dest = &m_destination.manager;
        m_cinfo.image_width = static_cast<JDIMENSION>(m_width);
        m_cinfo.image_height = static_cast<JDIMENSION>(m_height);
        m_cinfo.input_components = 4;
        m_cinfo.in_color_space = JCS_EXT_BGRX;
        jpeg_set_defaults(&m_cinfo);
        jpeg_set_quality(&m_cinfo, std::clamp(quality, 1, 100), TRUE);
        m_cinfo.dct_method = JDCT_ISLOW;
        jpeg_set_colorspace(&m_cinfo, sampling == ChromaSampling::Grey ? JCS_GRAYSCALE : JCS_YCbCr);
        const auto [h, v] = lumaFactors(sampling);
        for (int c = 0; c < m_cinfo.num_components; ++c) {
            m_cinfo.comp_info[c].h_samp_factor = c == 0 ? h : 1;
            m_cinfo.comp_info[c].v_samp_factor = c == 0 ? v : 1;
        }
        if (metadata) {
            m_segments = jpegMetadataSegments(*metadata);
            m_cinfo.write_JFIF_header = FALSE;
        }
        const std::vector<std::uint8_t>& segments = m_segments;
        jpeg_start_compress(&m_cinfo, TRUE);
        // Each segment in its file form: marker, two length bytes counting themselves, body.
        for (std::size_t at = 0; at + 4 <= segments.size();) {
            const unsigned length = (unsigned(segments[at + 2]) << 8) | segments[at + 3];
            jpeg_write_marker(&m_cinfo, segments[at + 1], segments.data() + at + 4, length - 2);
            at += 2 + length;
        }
        return {};
    }

    bool topDownOnly() const override { return true; }

    Result<void> write(int y0, int y1, const Pixel* rows, std::size_t stride) override {
        if (y0 != static_cast<int>(m_cinfo.next_scanline) || y1 > m_height || y0 >= y1)
            return Error::of(ErrorKind::RowsOutOfOrder).with(y0, y1);
        m_rows.resize(static_cast<std::size_t>(y1 - y0));
        for (std::size_t r = 0; r < m_rows.size(); ++r)
            m_rows[r] = const_cast<JSAMPROW>(reinterpret_cast<const JSAMPLE*>(rows + r * stride));
        if (setjmp(m_errors.jump)) return failed();
        jpeg_write_scanlines(&m_cinfo, m_rows.data(), static_cast<JDIMENSION>(m_rows.size()));
        return {};
    }

    Result<void> commit() override {
        if (static_cast<int>(m_cinfo.next_scanline) != m_height)
            return Error::of(ErrorKind::RowsMissing)
                .with(static_cast<int>(m_cinfo.next_scanline), m_height);
        if (setjmp(m_errors.jump)) return failed();
        jpeg_finish_compress(&m_cinfo);
        return m_file.commit();
    }

private:
    Error failed() {
        m_file.discard();
        if (!m_destination.writeStatus) return m_destination.writeStatus.error();
        return Error::of(ErrorKind::EncodeFailed)
            .naming({formatName(FormatId::Jpeg)})
            .saying(m_errors.message);
    }

    AtomicFile m_file;
    int m_width, m_height;
    jpeg_compress_struct m_cinfo{};
    JpegErrors m_errors;
    FileDestination m_destination;
    bool m_created = false;
    std::vector<JSAMPROW> m_rows;
    // A member, not a local of start(): the library's error jump would skip a local's destructor.
    std::vector<std::uint8_t> m_segments;
};

}  // namespace

Opened<RowWriter> openJpegRowWriter(const std::string& path, int width, int height, int quality) {
    return openJpegRowWriter(path, width, height, quality, ChromaSampling::S444, nullptr);
}

Opened<RowWriter> openJpegRowWriter(const std::string& path, int width, int height, int quality,
                                    ChromaSampling sampling, const PictureMetadata* metadata) {
    // The format's own limit on either side.
    if (width <= 0 || height <= 0) return Error::of(ErrorKind::NothingToSave);
    if (width > JPEG_MAX_DIMENSION || height > JPEG_MAX_DIMENSION)
        return Error::of(ErrorKind::TooLargeForFormat)
            .with(width, height)
            .naming({formatName(FormatId::Jpeg)});
    auto writer = std::make_unique<JpegRowWriter>(path, width, height);
    if (auto started = writer->start(quality, sampling, metadata); !started) return started.error();
    return std::unique_ptr<RowWriter>(std::move(writer));
}

}  // namespace rimvista::files
