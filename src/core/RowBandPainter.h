#pragma once
// Paints every frame of a run into a block of picture rows at a time, so a picture never has to
// be held whole. For any split of the picture into blocks the result is byte for byte what
// DrawFrame gives when called on the whole picture once per frame: each pixel goes through the
// same clamped additions in the same order (frame by frame; within a frame top, left, right,
// bottom), because within one band a pixel is shaded at most once and the band order is kept
// per row.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/FrameBands.h"
#include "core/FrameParams.h"
#include "core/PixelSurface.h"
#include "core/ShadeTable.h"

namespace rimvista {

// One frame as DrawFrame takes it: the parameters and the strength (+1 convex, -1 concave).
struct PaintedFrame {
    FrameParams params;
    float strength = 1.0f;
};

class RowBandPainter {
public:
    // width x height is the picture's size in pixels; frames in the order they are applied.
    // A frame with a width below 1 paints nothing, as DrawFrame paints nothing then.
    RowBandPainter(int width, int height, const std::vector<PaintedFrame>& frames);

    int width() const { return m_width; }
    int height() const { return m_height; }

    // Picture rows y0..y1 - 1 (0-based from the top), row y at rows + (y - y0) * stride pixels,
    // each width pixels long. Blocks may come in any order; each row must be painted once.
    void paintRows(int y0, int y1, Pixel* rows, std::size_t stride) const;
    void paintRow(int y, Pixel* row) const;

private:
    // A left or right band as per-row column spans. Each column's run of rows starts later and
    // ends earlier the further it lies from the outer edge, so in any row the columns it covers
    // are one contiguous stretch found by two binary searches instead of a scan of the band.
    struct ColumnBand {
        std::int64_t firstColumn = 0;
        bool outerEdgeLeft = true;  // left band: stretch from firstColumn; right: to the end
        bool monotone = true;       // false only if rounding ever broke the order (scan then)
        std::vector<std::int64_t> starts, ends;  // array rows, clipped to 1..H
        Span columnsIn(std::int64_t y) const;
    };
    struct Frame {
        FrameBands bands;
        Span topRows, bottomRows;  // array rows, clipped to 1..H
        ColumnBand left, right;
        ShadeTable top, leftShade, rightShade, bottom;
    };

    static ColumnBand columnBand(Span columns, bool outerEdgeLeft, std::int64_t width,
                                 std::int64_t height, const auto& rowsOf);
    void paintColumnBand(const ColumnBand& band, std::int64_t y, Pixel* row,
                         const ShadeTable& shade) const;

    int m_width, m_height;
    std::vector<Frame> m_frames;
};

}  // namespace rimvista
