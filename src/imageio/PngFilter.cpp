#include "imageio/PngFilter.h"

#include <cstdlib>
#include <cstring>
#include <vector>

namespace rimvista::files::png {

namespace {

using Byte = std::uint8_t;

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
        const int a = x[i - bpp], up = b[i], c = b[i - bpp];
        const int pa = std::abs(up - c), pb = std::abs(a - c), pc = std::abs(a + up - 2 * c);
        const int predicted = pa <= pb && pa <= pc ? a : pb <= pc ? up : c;
        out[i] = Byte(x[i] - predicted);
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

std::uint64_t magnitude(const Byte* p, std::size_t n) {
    std::uint64_t sum = 0;
    for (std::size_t i = 0; i < n; ++i)
        sum += static_cast<std::uint64_t>(std::abs(int(std::int8_t(p[i]))));
    return sum;
}

}  // namespace

void filterRow(Filter filter, const Byte* row, const Byte* prior, std::size_t rowBytes,
               std::size_t bpp, Byte* out) {
    thread_local std::vector<Byte> zeros, trial;
    if (!prior) {
        if (zeros.size() < rowBytes) zeros.assign(rowBytes, 0);
        prior = zeros.data();
    }
    if (filter != Filter::Adaptive) {
        out[0] = static_cast<Byte>(filter);
        apply(filter, row, prior, rowBytes, bpp, out + 1);
        return;
    }
    if (trial.size() < rowBytes) trial.resize(rowBytes);
    std::uint64_t best = UINT64_MAX;
    for (const Filter f : {Filter::None, Filter::Sub, Filter::Up, Filter::Average, Filter::Paeth}) {
        apply(f, row, prior, rowBytes, bpp, trial.data());
        const std::uint64_t sum = magnitude(trial.data(), rowBytes);
        if (sum < best) {
            best = sum;
            out[0] = static_cast<Byte>(f);
            std::memcpy(out + 1, trial.data(), rowBytes);
        }
    }
}

}  // namespace rimvista::files::png
