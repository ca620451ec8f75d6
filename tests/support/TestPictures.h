#pragma once
// Pictures for tests: uniform, gradient and seeded random surfaces.

#include <cstdint>

#include "core/PixelSurface.h"

namespace rimvista::test {

PixelSurface uniformSurface(int width, int height, Pixel p);
// Deterministic pseudo-random pixels (reserved byte included) from a seed.
PixelSurface randomSurface(int width, int height, std::uint32_t seed);
bool samePixels(const PixelSurface& a, const PixelSurface& b);

}  // namespace rimvista::test
