#include "core/RowBandPainter.h"

#include <algorithm>

#include "core/FrameRenderer.h"

namespace rimvista {

namespace {

void shadeSpan(Span columns, std::int64_t width, Pixel* row, const ShadeTable& shade) {
    columns = columns.clippedTo(0, width - 1);
    if (!columns.isEmpty()) shade.apply(row + columns.first, columns.length());
}

}  // namespace

RowBandPainter::ColumnBand RowBandPainter::columnBand(Span columns, bool outerEdgeLeft,
                                                      std::int64_t width, std::int64_t height,
                                                      const auto& rowsOf) {
    ColumnBand band;
    band.outerEdgeLeft = outerEdgeLeft;
    columns = columns.clippedTo(0, width - 1);
    if (columns.isEmpty()) return band;
    band.firstColumn = columns.first;
    for (std::int64_t x = columns.first; x <= columns.last; ++x) {
        const Span rows = rowsOf(x).clippedTo(1, height);
        band.starts.push_back(rows.first);
        band.ends.push_back(rows.last);
    }
    // Left band: starts rise and ends fall from the outer edge inwards; the right band is the
    // mirror image. Checked rather than assumed, so a rounding surprise costs speed, not pixels.
    const auto& s = band.starts;
    const auto& e = band.ends;
    band.monotone =
        outerEdgeLeft ? std::is_sorted(s.begin(), s.end()) && std::is_sorted(e.rbegin(), e.rend())
                      : std::is_sorted(s.rbegin(), s.rend()) && std::is_sorted(e.begin(), e.end());
    return band;
}

Span RowBandPainter::ColumnBand::columnsIn(std::int64_t y) const {
    const auto n = static_cast<std::int64_t>(starts.size());
    if (n == 0) return Span{};
    std::int64_t from = 0, to = n;  // columns [from, to) relative to firstColumn
    if (outerEdgeLeft) {
        const auto started = std::upper_bound(starts.begin(), starts.end(), y) - starts.begin();
        const auto notEnded =
            std::partition_point(ends.begin(), ends.end(), [y](auto e) { return e >= y; }) -
            ends.begin();
        to = std::min<std::int64_t>(started, notEnded);
    } else {
        const auto waiting =
            std::partition_point(starts.begin(), starts.end(), [y](auto s) { return s > y; }) -
            starts.begin();
        const auto ended =
            std::partition_point(ends.begin(), ends.end(), [y](auto e) { return e < y; }) -
            ends.begin();
        from = std::max<std::int64_t>(waiting, ended);
    }
    return Span{firstColumn + from, firstColumn + to - 1};
}

RowBandPainter::RowBandPainter(int width, int height, const std::vector<PaintedFrame>& frames)
    : m_width(width), m_height(height) {
    if (width <= 0 || height <= 0) return;
    for (const PaintedFrame& f : frames) {
        if (!FrameBands::hasValidWidths(f.params)) continue;
        const FrameBands bands(width, height, f.params);
        const ShadeAmounts d = shadeAmounts(f.strength);
        m_frames.push_back(Frame{
            bands, bands.topRows().clippedTo(1, height), bands.bottomRows().clippedTo(1, height),
            columnBand(bands.leftColumns(), true, width, height,
                       [&](std::int64_t x) { return bands.leftRows(x); }),
            columnBand(bands.rightColumns(), false, width, height,
                       [&](std::int64_t x) { return bands.rightRows(x); }),
            ShadeTable(d.top), ShadeTable(d.left), ShadeTable(d.right), ShadeTable(d.bottom)});
    }
}

void RowBandPainter::paintColumnBand(const ColumnBand& band, std::int64_t y, Pixel* row,
                                     const ShadeTable& shade) const {
    if (band.monotone) return shadeSpan(band.columnsIn(y), m_width, row, shade);
    for (std::size_t c = 0; c < band.starts.size(); ++c) {
        if (band.starts[c] <= y && y <= band.ends[c])
            shade.apply(row[band.firstColumn + static_cast<std::int64_t>(c)]);
    }
}

void RowBandPainter::paintRow(int y, Pixel* row) const {
    const std::int64_t ay = std::int64_t{y} + 1;  // the bands count rows from 1
    for (const Frame& f : m_frames) {
        if (f.topRows.first <= ay && ay <= f.topRows.last)
            shadeSpan(f.bands.topColumns(ay), m_width, row, f.top);
        paintColumnBand(f.left, ay, row, f.leftShade);
        paintColumnBand(f.right, ay, row, f.rightShade);
        if (f.bottomRows.first <= ay && ay <= f.bottomRows.last)
            shadeSpan(f.bands.bottomColumns(ay), m_width, row, f.bottom);
    }
}

void RowBandPainter::paintRows(int y0, int y1, Pixel* rows, std::size_t stride) const {
    for (int y = std::max(y0, 0); y < std::min(y1, m_height); ++y)
        paintRow(y, rows + static_cast<std::size_t>(y - y0) * stride);
}

}  // namespace rimvista
