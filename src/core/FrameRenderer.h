#pragma once
// DrawFrame: brightens and darkens the four bands of a bevelled frame in the picture.

#include <cstdint>

#include "core/PixelSurface.h"

namespace rimvista {

// The amounts each band adds to blue, green and red: strength x 100, x 50, x -50, x -100, each
// rounded separately to the nearest integer (ties to even). Amounts beyond +-255 are capped
// there; they shade every byte exactly as a larger amount would. A NaN strength shades nothing.
struct ShadeAmounts {
    int top = 0;
    int left = 0;
    int right = 0;
    int bottom = 0;
};
ShadeAmounts shadeAmounts(float strength);

// Paints one frame into the picture: the top band (W0 + 1 rows from row Y0), then the left
// (W2 + 1 columns from column X0), the right (W3 + 1 columns ending at column W - X1) and the
// bottom band (W1 + 1 rows ending at row H - Y1), in pixel array coordinates (PixelArray.h).
// strength is +1 for a convex frame and -1 for a concave one. Each band is clipped to the
// picture, so parameters that reach outside paint only the part inside.
// Returns true when it painted; false, with the picture untouched, when a width is below 1
// (the widths are divisors) or the picture could not be read.
bool DrawFrame(PictureTarget& picture, std::int16_t W0, std::int16_t W1, std::int16_t W2,
               std::int16_t W3, std::int16_t X0, std::int16_t X1, std::int16_t Y0, std::int16_t Y1,
               float strength);

}  // namespace rimvista
