#pragma once
// The PNG row filters: each row is stored as its difference from a prediction made of the
// pixels to its left and above, which deflate then compresses far better than the pixels.

#include <cstddef>
#include <cstdint>

namespace rimvista::files::png {

// The five filter types by their numbers in the file, and Adaptive: per row the one whose
// output, read as signed bytes, has the smallest sum of magnitudes.
enum class Filter { None = 0, Sub = 1, Up = 2, Average = 3, Paeth = 4, Adaptive = 5 };

// Writes the filter type and the filtered row into out (rowBytes + 1 bytes). prior is the row
// above, or nullptr for the first row; bpp the bytes a pixel, at least 1.
void filterRow(Filter filter, const std::uint8_t* row, const std::uint8_t* prior,
               std::size_t rowBytes, std::size_t bpp, std::uint8_t* out);

}  // namespace rimvista::files::png
