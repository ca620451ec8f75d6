#pragma once
// Where the four bands of a frame lie, in pixel array coordinates (x the 0-based column, y the
// 1-based row; see PixelArray.h). Every bound is computed from the parameters in double
// precision, the ratio of two widths first, times the step k, then the remaining terms left to
// right, and rounded by num::nearest (ties to even): the diagonal ends of the bands depend on
// exactly this rounding. Sums of a position and a width are wide, never 16-bit, so pictures past
// 16383 pixels cannot overflow them.

#include <cstdint>
#include <vector>

#include "core/FrameParams.h"
#include "core/PixelSurface.h"

namespace rimvista {

// An inclusive range of rows or columns; empty when last < first.
struct Span {
    std::int64_t first = 0;
    std::int64_t last = -1;

    bool isEmpty() const { return last < first; }
    std::int64_t length() const { return isEmpty() ? 0 : last - first + 1; }
    Span clippedTo(std::int64_t lo, std::int64_t hi) const;
};

class FrameBands {
public:
    // W and H are the picture's size in pixels. All four widths must be at least 1 (each is a
    // divisor); see hasValidWidths().
    FrameBands(int W, int H, const FrameParams& p);

    static bool hasValidWidths(const FrameParams& p);

    // Top band: rows Y0..Y0 + W0; in row y (k = y - Y0) the columns returned.
    Span topRows() const;
    Span topColumns(std::int64_t y) const;
    // Left band: columns X0..X0 + W2; in column x (k = x - X0) the rows returned.
    Span leftColumns() const;
    Span leftRows(std::int64_t x) const;
    // Right band: columns W - X1 - W3..W - X1; in column x (k = W - X1 - x) the rows returned,
    // whose last row is one higher than the left band's would be.
    Span rightColumns() const;
    Span rightRows(std::int64_t x) const;
    // Bottom band: rows H - Y1 - W1..H - Y1; in row y (k = H - Y1 - y) the columns returned.
    Span bottomRows() const;
    Span bottomColumns(std::int64_t y) const;

private:
    std::int64_t m_W, m_H;
    double m_w, m_h;  // the picture's size as the band formulas use it
    double m_W0, m_W1, m_W2, m_W3, m_X0, m_X1, m_Y0, m_Y1;
};

// Rectangles of picture pixels (y from the top, picture row = array row - 1) that hold every
// pixel DrawFrame can change with these parameters: the top and bottom bands' rows across the
// whole width and the left and right bands' columns down the whole height, clipped to the
// picture. The rectangles do not overlap, so their total area never exceeds the picture. Empty
// when a width is below 1 (DrawFrame paints nothing then).
std::vector<PixelRect> frameFootprint(int W, int H, const FrameParams& p);

}  // namespace rimvista
