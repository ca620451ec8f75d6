#pragma once
// A deliberately plain frame painter to compare the engine against: it copies the whole picture
// into a (W + 1) x (H + 1) array through a bottom-up staging buffer, runs every band loop
// literally, skipping only elements that do not exist in the array, and copies everything back.

#include <cstdint>
#include <vector>

#include "core/PixelSurface.h"

namespace rimvista::test {

struct ReferenceFrame {
    std::int16_t W0, W1, W2, W3, X0, X1, Y0, Y1;
    float strength;
};

// Paints into picture. When shaded is given it receives, per picture pixel (row by row), whether
// any band shaded it.
void referenceDrawFrame(PixelSurface& picture, const ReferenceFrame& f,
                        std::vector<bool>* shaded = nullptr);

}  // namespace rimvista::test
