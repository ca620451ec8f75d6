#include "core/FrameRenderer.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "core/FrameBands.h"
#include "core/NumberText.h"
#include "core/PixelArray.h"
#include "core/ShadeTable.h"

namespace rimvista {

namespace {

int amount(float strength, float factor) {
    // The product is a 32-bit float, as strength is; only then is it rounded.
    const float v = strength * factor;
    if (std::isnan(v)) return 0;
    return static_cast<int>(std::clamp(num::nearest(v), -255.0, 255.0));
}

// A band made of rows, each with its own span of columns. Both are clipped to the picture: array
// row 0 and column W are discarded by WritePixels anyway, and nothing beyond them exists.
template <typename ColumnsOfRow>
void paintRowBand(PixelArray& pixels, Span rows, ColumnsOfRow columnsOf, const ShadeTable& shade) {
    rows = rows.clippedTo(1, pixels.height());
    for (std::int64_t y = rows.first; y <= rows.last; ++y) {
        const Span cols = columnsOf(y).clippedTo(0, pixels.width() - 1);
        if (!cols.isEmpty())
            shade.apply(pixels.row(static_cast<int>(y)) + cols.first, cols.length());
    }
}

// A band made of columns, each with its own span of rows. Within one band every pixel is shaded
// at most once, so the band is walked row by row (one pass down the picture instead of one per
// column) with the same result.
template <typename RowsOfColumn>
void paintColumnBand(PixelArray& pixels, Span columns, RowsOfColumn rowsOf,
                     const ShadeTable& shade) {
    columns = columns.clippedTo(0, pixels.width() - 1);
    if (columns.isEmpty()) return;
    std::vector<Span> runs(static_cast<std::size_t>(columns.length()));
    Span reach{pixels.height() + 1, 0};
    for (std::size_t c = 0; c < runs.size(); ++c) {
        runs[c] =
            rowsOf(columns.first + static_cast<std::int64_t>(c)).clippedTo(1, pixels.height());
        if (runs[c].isEmpty()) continue;
        reach.first = std::min(reach.first, runs[c].first);
        reach.last = std::max(reach.last, runs[c].last);
    }
    for (std::int64_t y = reach.first; y <= reach.last; ++y) {
        Pixel* row = pixels.row(static_cast<int>(y)) + columns.first;
        for (std::size_t c = 0; c < runs.size(); ++c) {
            if (runs[c].first <= y && y <= runs[c].last) shade.apply(row[c]);
        }
    }
}

}  // namespace

ShadeAmounts shadeAmounts(float strength) {
    return ShadeAmounts{amount(strength, 100.0f), amount(strength, 50.0f), amount(strength, -50.0f),
                        amount(strength, -100.0f)};
}

bool DrawFrame(PictureTarget& picture, std::int16_t W0, std::int16_t W1, std::int16_t W2,
               std::int16_t W3, std::int16_t X0, std::int16_t X1, std::int16_t Y0, std::int16_t Y1,
               float strength) {
    const FrameParams p = makeFrameParams(W0, W1, W2, W3, X0, X1, Y0, Y1);
    if (!FrameBands::hasValidWidths(p)) return false;

    PixelArray pixels;
    if (ReadPixels(picture, pixels)) return false;
    const FrameBands bands(pixels.width(), pixels.height(), p);
    const ShadeAmounts d = shadeAmounts(strength);

    // The band order is fixed: where two bands overlap, clamping after each one makes the order
    // visible.
    paintRowBand(
        pixels, bands.topRows(), [&](std::int64_t y) { return bands.topColumns(y); },
        ShadeTable(d.top));
    paintColumnBand(
        pixels, bands.leftColumns(), [&](std::int64_t x) { return bands.leftRows(x); },
        ShadeTable(d.left));
    paintColumnBand(
        pixels, bands.rightColumns(), [&](std::int64_t x) { return bands.rightRows(x); },
        ShadeTable(d.right));
    paintRowBand(
        pixels, bands.bottomRows(), [&](std::int64_t y) { return bands.bottomColumns(y); },
        ShadeTable(d.bottom));

    // The view design makes a failed commit possible only if the picture was replaced between
    // reading and writing; the picture now held was then not painted.
    return !WritePixels(picture, pixels);
}

}  // namespace rimvista
