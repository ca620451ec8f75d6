#pragma once
// Twips (1440 to the inch) to pixels at a screen's logical DPI, for every window of the program.

#include <QRect>

class QScreen;

namespace rimvista {

struct TwipsPerPixel {
    float x = 15.0f;  // 96 DPI
    float y = 15.0f;
};

// The screen's twips per pixel; 15 when there is no screen.
TwipsPerPixel twipsPerPixel(const QScreen* screen);

// Lengths and rectangles in twips as whole pixels, rounded ties to even.
int twipsToPixels(double twips, float perPixel);
QRect twipsToPixels(const QRectF& twips, const TwipsPerPixel& scale);

}  // namespace rimvista
