#include "imageio/PngEncoder.h"

#include <png.h>
#include <zlib.h>

#include <algorithm>
#include <new>

#include "imageio/FormatRegistry.h"
#include "imageio/PngFilter.h"
#include "imageio/PngSupport.h"

namespace rimvista::files {

namespace {

// Chosen by measuring photographs and screenshots against a general image tool's PNG files
// (README, "PNG files"). Each row takes the filter that leaves the smallest differences. Each
// block is deflated twice: by zlib's level 3, which finds the repeats of drawn pictures and
// screenshots, and by Huffman codes alone, which on the grain of a photograph does as well as
// the slowest levels at a fraction of their time; the shorter is kept.
constexpr png::Filter kFilter = png::Filter::Adaptive;
const std::vector<ParallelDeflate::Setting> kSettings = {{3, Z_DEFAULT_STRATEGY},
                                                         {1, Z_HUFFMAN_ONLY}};
// Rows go to the workers in blocks of about this many filtered bytes: large enough that the
// restart at each block costs next to nothing, small enough that each core gets several.
constexpr std::size_t kBlockBytes = std::size_t{512} << 10;
constexpr std::size_t kWindow = 32768;  // deflate's reach back, the dictionary of a block
constexpr std::size_t kIdatBytes = std::size_t{256} << 10;
// Beyond this a row could not be held in a block at all.
constexpr std::size_t kMostRowBytes = std::size_t{1} << 30;

// The rows of the previous block whose filtered bytes make up a block's dictionary.
std::size_t dictionaryRows(std::size_t rowBytes) {
    return (kWindow + rowBytes) / (rowBytes + 1);
}

// At least one row more than the dictionary takes, so that every row filtered for it has the
// row above it in the same block.
int rowsPerBlock(std::size_t rowBytes) {
    const std::size_t rows = std::max(kBlockBytes / (rowBytes + 1), dictionaryRows(rowBytes) + 1);
    return static_cast<int>(std::min<std::size_t>(rows, 1 << 20));
}

void writeToFile(png_structp png, png_bytep data, png_size_t size) {
    auto* file = static_cast<AtomicFile*>(png_get_io_ptr(png));
    if (auto written = file->write(data, size); !written) throw png::OwnFailure{written.error()};
}

// The deflate's own failures name no format.
Result<void> asPng(Result<void> result) {
    if (result || result.error().kind != ErrorKind::EncodeFailed || !result.error().names.empty())
        return result;
    return png::notEncoded(result.error().detail);
}
void flushNothing(png_structp) {}

struct WriteStructs {
    png_structp png = nullptr;
    png_infop info = nullptr;
    WriteStructs() {
        png =
            png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, png::raise, png::ignoreWarning);
        if (png) info = png_create_info_struct(png);
        if (!info) {
            if (png) png_destroy_write_struct(&png, nullptr);
            throw std::bad_alloc();
        }
    }
    ~WriteStructs() { png_destroy_write_struct(&png, &info); }
};

// The signature, the header and the metadata chunks, as libpng writes them.
void writeHead(AtomicFile& file, const PngLayout& layout, const PictureMetadata& metadata) {
    WriteStructs s;
    png_set_option(s.png, PNG_SKIP_sRGB_CHECK_PROFILE, PNG_OPTION_ON);
    png_set_benign_errors(s.png, 1);
    png_set_write_fn(s.png, &file, writeToFile, flushNothing);
    const int colorType = layout.grey
                              ? (layout.alpha ? PNG_COLOR_TYPE_GRAY_ALPHA : PNG_COLOR_TYPE_GRAY)
                              : (layout.alpha ? PNG_COLOR_TYPE_RGBA : PNG_COLOR_TYPE_RGB);
    png_set_IHDR(s.png, s.info, static_cast<png_uint_32>(layout.width),
                 static_cast<png_uint_32>(layout.height), 8, colorType, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_BASE, PNG_FILTER_TYPE_BASE);
    png::writeMetadata(s.png, s.info, metadata);
    png_write_info(s.png, s.info);
}

}  // namespace

void packPngRow(const Pixel* row, const PngLayout& layout, const std::uint8_t* alpha,
                std::size_t alphaStep, std::uint8_t* out) {
    for (int x = 0; x < layout.width; ++x) {
        if (layout.grey) {
            *out++ = row[x].green;
        } else {
            *out++ = row[x].red;
            *out++ = row[x].green;
            *out++ = row[x].blue;
        }
        if (layout.alpha) *out++ = alpha[std::size_t(x) * alphaStep];
    }
}

PngEncoder::PngEncoder(AtomicFile& file) : m_file(file) {}

PngEncoder::~PngEncoder() = default;

std::size_t PngEncoder::memoryNeed(int width) {
    const std::size_t rowBytes = std::size_t(std::max(width, 1)) * 4;
    const std::size_t block = std::size_t(rowsPerBlock(rowBytes)) * (rowBytes + 1);
    const auto inWork = std::size_t(ParallelDeflate::blocksInWork());
    const auto workers = std::size_t(ParallelDeflate::workerCount());
    // The rows of every block in work and of the two the encoder holds, the output of every
    // block in work; on each worker a filtered block, trial outputs of its start and the deflate
    // states of both settings.
    const std::size_t rows = (inWork + 2) * block + inWork * block;
    const std::size_t working =
        block + 2 * (std::size_t{64} << 10) + kWindow + (std::size_t{600} << 10);
    return rows + workers * working + kIdatBytes;
}

Result<void> PngEncoder::start(const PngLayout& layout, const PictureMetadata& metadata) {
    if (layout.width <= 0 || layout.height <= 0) return Error::of(ErrorKind::NothingToSave);
    m_layout = layout;
    m_rowBytes = std::size_t(layout.width) * std::size_t(layout.channels());
    if (m_rowBytes > kMostRowBytes)
        return Error::of(ErrorKind::TooLargeForFormat)
            .with(layout.width, layout.height)
            .naming({formatName(FormatId::Png)});
    m_rowsPerBlock = rowsPerBlock(m_rowBytes);
    try {
        writeHead(m_file, layout, metadata);
    } catch (const png::Failure& e) {
        return png::notEncoded(e.what());
    } catch (const png::OwnFailure& failure) {
        return failure.error;
    }
    m_deflate = std::make_unique<ParallelDeflate>(
        kSettings,
        [this](const std::uint8_t* data, std::size_t size) { return addCompressed(data, size); });
    return {};
}

std::uint8_t* PngEncoder::nextRow() {
    if (!m_block)
        m_block =
            std::make_shared<std::vector<std::uint8_t>>(std::size_t(m_rowsPerBlock) * m_rowBytes);
    return m_block->data() + std::size_t(m_rowsInBlock) * m_rowBytes;
}

Result<void> PngEncoder::rowDone() {
    ++m_rowsDone;
    if (++m_rowsInBlock == m_rowsPerBlock || m_rowsDone == m_layout.height) return submitBlock();
    return {};
}

Result<void> PngEncoder::submitBlock() {
    const Rows rows = std::move(m_block), previous = m_previous;
    const std::size_t count = std::size_t(m_rowsInBlock), rowBytes = m_rowBytes,
                      bpp = std::size_t(m_layout.channels()), full = std::size_t(m_rowsPerBlock);
    m_block.reset();
    m_rowsInBlock = 0;
    m_previous = rows;
    // Every block before the last is full, so the previous block holds full rows.
    return asPng(m_deflate->add([=] {
        ParallelDeflate::Block block;
        const std::size_t filtered = rowBytes + 1;
        if (previous) {
            const std::uint8_t* p = previous->data();
            const std::size_t tail = dictionaryRows(rowBytes);
            std::vector<std::uint8_t> end(tail * filtered);
            for (std::size_t r = 0, y = full - tail; r < tail; ++r, ++y)
                png::filterRow(kFilter, p + y * rowBytes, p + (y - 1) * rowBytes, rowBytes, bpp,
                               end.data() + r * filtered);
            block.dictionary.assign(end.end() - std::ptrdiff_t(std::min(kWindow, end.size())),
                                    end.end());
        }
        block.data.resize(count * filtered);
        const std::uint8_t* r0 = rows->data();
        for (std::size_t r = 0; r < count; ++r) {
            const std::uint8_t* prior = r > 0      ? r0 + (r - 1) * rowBytes
                                        : previous ? previous->data() + (full - 1) * rowBytes
                                                   : nullptr;
            png::filterRow(kFilter, r0 + r * rowBytes, prior, rowBytes, bpp,
                           block.data.data() + r * filtered);
        }
        return block;
    }));
}

Result<void> PngEncoder::addCompressed(const std::uint8_t* data, std::size_t size) {
    while (size > 0) {
        const std::size_t n = std::min(size, kIdatBytes - m_idat.size());
        m_idat.insert(m_idat.end(), data, data + n);
        data += n, size -= n;
        if (m_idat.size() == kIdatBytes) {
            if (auto written = writeChunk("IDAT", m_idat.data(), m_idat.size()); !written)
                return written;
            m_idat.clear();
        }
    }
    return {};
}

Result<void> PngEncoder::finish() {
    if (!m_deflate || m_rowsDone != m_layout.height)
        return Error::of(ErrorKind::RowsMissing).with(m_rowsDone, m_layout.height);
    if (auto finished = asPng(m_deflate->finish()); !finished) return finished;
    if (!m_idat.empty()) {
        if (auto written = writeChunk("IDAT", m_idat.data(), m_idat.size()); !written)
            return written;
        m_idat.clear();
    }
    return writeChunk("IEND", nullptr, 0);
}

Result<void> PngEncoder::writeChunk(const char* type, const std::uint8_t* data, std::size_t size) {
    std::uint8_t head[8] = {static_cast<std::uint8_t>(size >> 24),
                            static_cast<std::uint8_t>(size >> 16),
                            static_cast<std::uint8_t>(size >> 8), static_cast<std::uint8_t>(size)};
    std::copy(type, type + 4, head + 4);
    uLong crc = crc32(0, head + 4, 4);
    if (size > 0) crc = crc32(crc, data, static_cast<uInt>(size));
    const std::uint8_t tail[4] = {
        static_cast<std::uint8_t>(crc >> 24), static_cast<std::uint8_t>(crc >> 16),
        static_cast<std::uint8_t>(crc >> 8), static_cast<std::uint8_t>(crc)};
    if (auto written = m_file.write(head, sizeof head); !written) return written;
    if (size > 0) {
        if (auto written = m_file.write(data, size); !written) return written;
    }
    return m_file.write(tail, sizeof tail);
}

}  // namespace rimvista::files
