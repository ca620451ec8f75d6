#include "ReferenceFrame.h"

#include <algorithm>
#include <stdexcept>

#include "core/NumberText.h"

namespace rimvista::test {

namespace {

// Elements x 0..W, y 0..H; x fastest.
class Array {
public:
    Array(int W, int H)
        : m_W(W),
          m_H(H),
          m_elements(static_cast<std::size_t>(W + 1) * static_cast<std::size_t>(H + 1)) {}

    Pixel* find(std::int64_t x, std::int64_t y) {
        if (x < 0 || x > m_W || y < 0 || y > m_H) return nullptr;
        return &m_elements[static_cast<std::size_t>(y * (m_W + 1) + x)];
    }
    Pixel& operator()(std::int64_t x, std::int64_t y) {
        Pixel* p = find(x, y);
        if (p == nullptr) throw std::out_of_range("reference array");
        return *p;
    }

private:
    int m_W, m_H;
    std::vector<Pixel> m_elements;
};

void readPixels(const PixelSurface& picture, Array& a) {
    const int W = picture.width(), H = picture.height();
    // Rows bottom-up, one spare element at the end.
    std::vector<Pixel> staging(static_cast<std::size_t>(W) * H + 1, Pixel{});
    for (int i = 0; i < H; ++i)
        std::copy_n(picture.row(H - 1 - i), W,
                    staging.begin() + static_cast<std::ptrdiff_t>(W) * i);
    for (int i = 0; i < H; ++i)
        for (int x = 0; x <= W; ++x) a(x, H - i) = staging[static_cast<std::size_t>(x + W * i)];
}

void writePixels(Array& a, PixelSurface& picture) {
    const int W = picture.width(), H = picture.height();
    std::vector<Pixel> staging(static_cast<std::size_t>(W) * H + 1, Pixel{});
    // x = W lands on the next row's first element and is overwritten by it at once.
    for (int i = 0; i < H; ++i)
        for (int x = 0; x <= W; ++x) staging[static_cast<std::size_t>(x + W * i)] = a(x, H - i);
    for (int i = 0; i < H; ++i)
        std::copy_n(staging.begin() + static_cast<std::ptrdiff_t>(W) * i, W,
                    picture.row(H - 1 - i));
}

void shadeByte(std::uint8_t& b, std::int32_t d) {
    const int v = b + d;
    if (v < 0)
        b = 0;
    else if (v > 255)
        b = 255;
    else
        b = static_cast<std::uint8_t>(v);
}

std::int64_t nearest64(double v) {
    return static_cast<std::int64_t>(num::nearest(v));
}

struct Painter {
    Array& a;
    int W, H;
    std::vector<bool>* shaded;

    // Elements beyond one outside the array on either side cannot exist; the loop skips them
    // without visiting each of what may be a billion.
    void shadeRow(std::int64_t y, std::int64_t xs, std::int64_t xe, std::int32_t d) {
        for (std::int64_t x = std::max<std::int64_t>(xs, -1);
             x <= std::min<std::int64_t>(xe, W + 1); ++x)
            shade(x, y, d);
    }
    void shadeColumn(std::int64_t x, std::int64_t ys, std::int64_t ye, std::int32_t d) {
        for (std::int64_t y = std::max<std::int64_t>(ys, -1);
             y <= std::min<std::int64_t>(ye, H + 1); ++y)
            shade(x, y, d);
    }
    void shade(std::int64_t x, std::int64_t y, std::int32_t d) {
        Pixel* p = a.find(x, y);
        if (p == nullptr) return;
        shadeByte(p->red, d);
        shadeByte(p->green, d);
        shadeByte(p->blue, d);
        if (shaded != nullptr && x < W && y >= 1)
            (*shaded)[static_cast<std::size_t>((y - 1) * W + x)] = true;
    }
};

}  // namespace

void referenceDrawFrame(PixelSurface& picture, const ReferenceFrame& f, std::vector<bool>* shaded) {
    const int W = picture.width(), H = picture.height();
    const double w = W, h = H;
    const double W0 = f.W0, W1 = f.W1, W2 = f.W2, W3 = f.W3;
    const double X0 = f.X0, X1 = f.X1, Y0 = f.Y0, Y1 = f.Y1;
    Array a(W, H);
    readPixels(picture, a);
    if (shaded != nullptr) shaded->assign(static_cast<std::size_t>(W) * H, false);
    Painter paint{a, W, H, shaded};

    const auto top = static_cast<std::int32_t>(num::nearest(f.strength * 100));
    for (std::int64_t y = f.Y0; y <= std::int64_t{f.Y0} + f.W0; ++y) {
        if (y < 0 || y > H) continue;  // no such row: nothing to shade
        const double k = static_cast<double>(y - f.Y0);
        paint.shadeRow(y, nearest64((W2 / W0) * k + X0), nearest64((w - X1) - (W3 / W0) * k), top);
    }
    const auto left = static_cast<std::int32_t>(num::nearest(f.strength * 50));
    for (std::int64_t x = f.X0; x <= std::int64_t{f.X0} + f.W2; ++x) {
        if (x < 0 || x > W) continue;  // no such column: nothing to shade
        const double k = static_cast<double>(x - f.X0);
        paint.shadeColumn(x, nearest64((W0 / W2) * k + Y0), nearest64((h - Y1) - (W1 / W2) * k),
                          left);
    }
    const auto right = static_cast<std::int32_t>(num::nearest(f.strength * -50));
    for (std::int64_t x = nearest64((w - W3) - X1); x <= nearest64(w - X1); ++x) {
        if (x < 0 || x > W) continue;  // no such column: nothing to shade
        const double k = static_cast<double>((W - f.X1) - x);
        paint.shadeColumn(x, nearest64((W0 / W3) * k + Y0),
                          nearest64(((h - Y1) - (W1 / W3) * k) - 1), right);
    }
    const auto bottom = static_cast<std::int32_t>(num::nearest(f.strength * -100));
    for (std::int64_t y = nearest64((h - W1) - Y1); y <= nearest64(h - Y1); ++y) {
        if (y < 0 || y > H) continue;  // no such row: nothing to shade
        const double k = static_cast<double>((H - f.Y1) - y);
        paint.shadeRow(y, nearest64((W2 / W1) * k + X0), nearest64((w - X1) - (W3 / W1) * k),
                       bottom);
    }
    writePixels(a, picture);
}

}  // namespace rimvista::test
