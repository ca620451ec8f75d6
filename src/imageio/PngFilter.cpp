#include "imageio/PngFilter.h"

#include <cstdlib>
#include <cstring>
#include <vector>

namespace rimvista::files::png {

namespace {

using Byte = std::uint8_t;

// Written without branches the processor would mispredict on grainy pictures.
inline int predictPaeth(int a, int b, int c) {
    const int pa = std::abs(b - c), pb = std::abs(a - c), pc = std::abs(a + b - 2 * c);
    const int nearer = pa <= pb ? a : b, distance = pa <= pb ? pa : pb;
    return distance <= pc ? nearer : c;
}

void sub(const Byte* x, std::size_t n, std::size_t bpp, Byte* out) {
    std::memcpy(out, x, bpp < n ? bpp : n);
    for (std::size_t i = bpp; i < n; ++i) out[i] = Byte(x[i] - x[i - bpp]);
}
void up(const Byte* x, const Byte* b, std::size_t n, Byte* out) {
    for (std::size_t i = 0; i < n; ++i) out[i] = Byte(x[i] - b[i]);
}
void average(const Byte* x, const Byte* b, std::size_t n, std::size_t bpp, Byte* out) {
    for (std::size_t i = 0; i < n && i < bpp; ++i) out[i] = Byte(x[i] - (b[i] >> 1));
    for (std::size_t i = bpp; i < n; ++i) out[i] = Byte(x[i] - ((x[i - bpp] + b[i]) >> 1));
}
void paeth(const Byte* x, const Byte* b, std::size_t n, std::size_t bpp, Byte* out) {
    for (std::size_t i = 0; i < n && i < bpp; ++i) out[i] = Byte(x[i] - b[i]);
    for (std::size_t i = bpp; i < n; ++i) {
        out[i] = Byte(x[i] - predictPaeth(x[i - bpp], b[i], b[i - bpp]));
    }
}

void apply(Filter filter, const Byte* x, const Byte* b, std::size_t n, std::size_t bpp, Byte* out) {
    switch (filter) {
        case Filter::None:
        case Filter::Adaptive:
            std::memcpy(out, x, n);
            break;
        case Filter::Sub:
            sub(x, n, bpp, out);
            break;
        case Filter::Up:
            up(x, b, n, out);
            break;
        case Filter::Average:
            average(x, b, n, bpp, out);
            break;
        case Filter::Paeth:
            paeth(x, b, n, bpp, out);
            break;
    }
}

// The size of a filtered byte read as signed.
unsigned magnitude(int difference) {
    const auto v = static_cast<Byte>(difference);
    return v < 128 ? v : 256u - v;
}

// The filter whose output would have the smallest sum of magnitudes, all five weighed in one
// pass over the row; on a tie the lower type.
Filter cheapest(const Byte* x, const Byte* b, std::size_t n, std::size_t bpp) {
    std::uint64_t sum[5] = {};
    const auto weigh = [&](std::size_t i, int a, int up, int c) {
        sum[0] += magnitude(x[i]);
        sum[1] += magnitude(x[i] - a);
        sum[2] += magnitude(x[i] - up);
        sum[3] += magnitude(x[i] - ((a + up) >> 1));
        sum[4] += magnitude(x[i] - predictPaeth(a, up, c));
    };
    for (std::size_t i = 0; i < n && i < bpp; ++i) weigh(i, 0, b[i], 0);
    for (std::size_t i = bpp; i < n; ++i) weigh(i, x[i - bpp], b[i], b[i - bpp]);
    int best = 0;
    for (int f = 1; f < 5; ++f)
        if (sum[f] < sum[best]) best = f;
    return static_cast<Filter>(best);
}

}  // namespace

void filterRow(Filter filter, const Byte* row, const Byte* prior, std::size_t rowBytes,
               std::size_t bpp, Byte* out) {
    thread_local std::vector<Byte> zeros;
    if (!prior) {
        if (zeros.size() < rowBytes) zeros.assign(rowBytes, 0);
        prior = zeros.data();
    }
    if (filter == Filter::Adaptive) filter = cheapest(row, prior, rowBytes, bpp);
    out[0] = static_cast<Byte>(filter);
    apply(filter, row, prior, rowBytes, bpp, out + 1);
}

}  // namespace rimvista::files::png
