#pragma once
// Layout rules of the main window in twips (1440 per inch), and the rule that keeps the framed
// window on the screen, kept apart from the widgets so they can be checked with plain numbers.

#include <QRect>
#include <QRectF>

namespace rimvista {

struct WindowLayout {
    QRectF viewport;   // picCont
    QRectF vScroll;    // VScroll1
    QRectF hScroll;    // HScroll1
    QPointF panel;     // Frame1's top-left corner; its size stays as designed
    QRectF sizeLabel;  // lblSize
};

// Designed sizes that the layout keeps.
constexpr double kScrollBarThickness = 255;
constexpr double kPanelWidth = 1935;
constexpr double kPanelHeight = 5235;
constexpr double kSizeLabelHeight = 195;

// Smallest inner size (twips) for which the layout leaves a usable viewport and the whole panel.
constexpr double kMinInnerWidth = 3500;
constexpr double kMinInnerHeight = 5500;

// Places the controls for a window whose inner size is width x height twips. A window too small
// for the viewport gets a viewport of zero size rather than a negative one.
WindowLayout computeLayout(double width, double height);

// Edge of the picture inside the viewport for a scroll bar value 0..100: value 0 puts the
// picture's near edge on the viewport's near edge, 100 its far edge on the far edge, whether
// the picture is larger or smaller than the viewport.
float scrollPosition(double pictureExtent, double viewportInnerExtent, int value);

// The framed window's rectangle `frame`, shrunk where it is larger than `area` (a screen's work
// area) and moved so that all of it lies inside, but never smaller than `minimum`. When even the
// minimum does not fit, the top-left corner, with the title bar, stays inside.
QRect fitFrameInto(const QRect& frame, const QRect& area, QSize minimum);

}  // namespace rimvista
