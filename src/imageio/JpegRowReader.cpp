#include <algorithm>
#include <vector>

#include "imageio/ExifOrientation.h"
#include "imageio/FormatRegistry.h"
#include "imageio/JpegSegments.h"
#include "imageio/JpegStream.h"
#include "imageio/RowStream.h"

namespace rimvista::files {

namespace {

constexpr std::size_t kReadChunk = std::size_t{256} << 10;

// The file's bytes come in chunks through positioned reads, never the whole file at once.
struct FileSource {
    jpeg_source_mgr manager{};
    InputFile* file = nullptr;
    std::uint64_t offset = 0;
    std::vector<JOCTET> buffer = std::vector<JOCTET>(kReadChunk);
    Result<void> readStatus;
    bool endReached = false;

    static FileSource& of(j_decompress_ptr cinfo) {
        return *reinterpret_cast<FileSource*>(cinfo->src);
    }
    static void init(j_decompress_ptr) {}
    static void term(j_decompress_ptr) {}
    static boolean fill(j_decompress_ptr cinfo) {
        FileSource& self = of(cinfo);
        const std::uint64_t left = self.file->size() - std::min(self.offset, self.file->size());
        const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(left, kReadChunk));
        if (n == 0) {
            // The end marker put in: a row that needed more data then fails the picture.
            static const JOCTET eoi[2] = {0xFF, JPEG_EOI};
            self.endReached = true;
            WARNMS(cinfo, JWRN_JPEG_EOF);
            self.manager.next_input_byte = eoi;
            self.manager.bytes_in_buffer = 2;
            return TRUE;
        }
        self.readStatus = self.file->readAt(self.offset, self.buffer.data(), n);
        if (!self.readStatus) ERREXIT(cinfo, JERR_FILE_READ);
        self.offset += n;
        self.manager.next_input_byte = self.buffer.data();
        self.manager.bytes_in_buffer = n;
        return TRUE;
    }
    static void skip(j_decompress_ptr cinfo, long count) {
        FileSource& self = of(cinfo);
        while (count > 0) {
            if (self.manager.bytes_in_buffer == 0) fill(cinfo);
            const auto step = std::min<std::size_t>(static_cast<std::size_t>(count),
                                                    self.manager.bytes_in_buffer);
            self.manager.next_input_byte += step;
            self.manager.bytes_in_buffer -= step;
            count -= static_cast<long>(step);
        }
    }
};

// The orientation in the first saved Exif segment; 1 without one.
int orientationOf(j_decompress_ptr cinfo) {
    for (jpeg_saved_marker_ptr m = cinfo->marker_list; m; m = m->next) {
        if (m->marker != kJpegApp1 || !segmentStartsWith(m->data, m->data_length, "Exif\0", 6))
            continue;
        return exifOrientationInTiff(m->data + 6, m->data_length - 6);
    }
    return 1;
}

class JpegRowReader : public RowReader {
public:
    explicit JpegRowReader(std::unique_ptr<InputFile> file) : m_file(std::move(file)) {
        m_cinfo.err = m_errors.install();
        m_source.file = m_file.get();
        m_source.manager.init_source = FileSource::init;
        m_source.manager.fill_input_buffer = FileSource::fill;
        m_source.manager.skip_input_data = FileSource::skip;
        m_source.manager.resync_to_restart = jpeg_resync_to_restart;
        m_source.manager.term_source = FileSource::term;
    }
    ~JpegRowReader() override {
        if (m_created) jpeg_destroy_decompress(&m_cinfo);
    }

    // Reads the headers and starts decoding: success when the rows can come, NotStreamable when
    // the whole-picture path can still take the file, otherwise the error.
    Result<void> start() {
        if (setjmp(m_errors.jump)) return damaged();
        jpeg_create_decompress(&m_cinfo);
        m_created = true;
        m_cinfo.src = &m_source.manager;
        jpeg_save_markers(&m_cinfo, JPEG_APP0 + 1, 0xFFFF);
        jpeg_read_header(&m_cinfo, TRUE);
        // Inks need converting, progressive files their whole picture, turned ones both sides.
        if (m_cinfo.jpeg_color_space == JCS_CMYK || m_cinfo.jpeg_color_space == JCS_YCCK ||
            jpeg_has_multiple_scans(&m_cinfo) || orientationOf(&m_cinfo) != 1)
            return Error::of(ErrorKind::NotStreamable);
        // The settings the whole-picture reader decodes with, so the pixels are the same.
        m_cinfo.out_color_space = JCS_EXT_BGRX;
        m_cinfo.dct_method = JDCT_ISLOW;
        m_cinfo.do_fancy_upsampling = TRUE;
        jpeg_start_decompress(&m_cinfo);
        m_width = static_cast<int>(m_cinfo.output_width);
        m_height = static_cast<int>(m_cinfo.output_height);
        return {};
    }

    bool topDownOnly() const override { return true; }

    Result<void> read(int y0, int y1, Pixel* rows, std::size_t stride) override {
        if (y0 != static_cast<int>(m_cinfo.output_scanline) || y1 > m_height || y0 >= y1)
            return Error::of(ErrorKind::RowsOutOfOrder).with(y0, y1);
        m_rows.resize(static_cast<std::size_t>(y1 - y0));
        for (std::size_t r = 0; r < m_rows.size(); ++r)
            m_rows[r] = reinterpret_cast<JSAMPROW>(rows + r * stride);
        if (setjmp(m_errors.jump)) return damaged();
        while (static_cast<int>(m_cinfo.output_scanline) < y1) {
            const auto done = static_cast<int>(m_cinfo.output_scanline) - y0;
            jpeg_read_scanlines(&m_cinfo, m_rows.data() + done,
                                static_cast<JDIMENSION>(y1 - y0 - done));
        }
        // Read on to the end marker: coded data left over after the last row means the rows
        // were decoded from data that was not theirs.
        if (y1 == m_height) jpeg_finish_decompress(&m_cinfo);
        return {};
    }

private:
    Error damaged() {
        if (!m_source.readStatus) return m_source.readStatus.error();
        if (m_source.endReached) return Error::of(ErrorKind::FileCutShort);
        return Error::of(ErrorKind::DamagedData)
            .naming({formatName(FormatId::Jpeg)})
            .saying(m_errors.message);
    }

    std::unique_ptr<InputFile> m_file;
    jpeg_decompress_struct m_cinfo{};
    JpegErrors m_errors;
    FileSource m_source;
    bool m_created = false;
    std::vector<JSAMPROW> m_rows;
};

}  // namespace

Opened<RowReader> openJpegRowReader(std::unique_ptr<InputFile> file) {
    auto reader = std::make_unique<JpegRowReader>(std::move(file));
    if (auto started = reader->start(); !started) return started.error();
    return std::unique_ptr<RowReader>(std::move(reader));
}

}  // namespace rimvista::files
