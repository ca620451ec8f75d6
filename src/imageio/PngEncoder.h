#pragma once
// Writes a PNG file row by row with its image data deflated on every core: the rows are cut into
// blocks of a fixed number of rows (a function of the row's length alone), and each block is
// filtered and deflated on a worker. The file's bytes therefore depend only on the rows, the
// colour type and the metadata, so the whole-picture writer and the row writer, which both come
// here, write the same file for the same picture.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "core/Error.h"
#include "core/PixelSurface.h"
#include "imageio/AtomicFile.h"
#include "imageio/ParallelDeflate.h"
#include "imageio/PictureMetadata.h"

namespace rimvista::files {

struct PngLayout {
    int width = 0, height = 0;
    bool grey = false;   // one channel (the green of each pixel), else red, green, blue
    bool alpha = false;  // an alpha channel after the colour
    int channels() const { return (grey ? 1 : 3) + (alpha ? 1 : 0); }
};

// One row in the file's channel order. alpha, when the layout has it, points at the first
// pixel's alpha, the next alphaStep bytes further on (1 for a plane, 4 for reserved bytes).
void packPngRow(const Pixel* row, const PngLayout& layout, const std::uint8_t* alpha,
                std::size_t alphaStep, std::uint8_t* out);

class PngEncoder {
public:
    explicit PngEncoder(AtomicFile& file);
    ~PngEncoder();
    PngEncoder(const PngEncoder&) = delete;
    PngEncoder& operator=(const PngEncoder&) = delete;

    // Writes everything before the image data.
    Result<void> start(const PngLayout& layout, const PictureMetadata& metadata);
    // Where the next row's bytes go (layout.width * channels), then rowDone once they are there.
    std::uint8_t* nextRow();
    Result<void> rowDone();
    // Once every row is done: the rest of the image data and the end of the file.
    Result<void> finish();

    // Bytes a writer of pictures this wide holds at its most, for a memory gate.
    static std::size_t memoryNeed(int width);

private:
    using Rows = std::shared_ptr<std::vector<std::uint8_t>>;
    Result<void> submitBlock();
    Result<void> addCompressed(const std::uint8_t* data, std::size_t size);
    Result<void> writeChunk(const char* type, const std::uint8_t* data, std::size_t size);

    AtomicFile& m_file;
    PngLayout m_layout;
    std::size_t m_rowBytes = 0;
    int m_rowsPerBlock = 0, m_rowsInBlock = 0, m_rowsDone = 0;
    Rows m_block, m_previous;
    std::vector<std::uint8_t> m_idat;
    std::unique_ptr<ParallelDeflate> m_deflate;
};

}  // namespace rimvista::files
