#include "core/FrameBands.h"

#include <algorithm>

#include "core/NumberText.h"

namespace rimvista {

namespace {

std::int64_t round64(double v) {
    return static_cast<std::int64_t>(num::nearest(v));
}

// Up to two spans as disjoint, ascending spans (touching ones merged).
std::vector<Span> unite(Span a, Span b) {
    std::vector<Span> out;
    if (a.isEmpty()) std::swap(a, b);
    if (a.isEmpty()) return out;
    if (b.isEmpty()) return {a};
    if (b.first < a.first) std::swap(a, b);
    if (b.first <= a.last + 1) return {Span{a.first, std::max(a.last, b.last)}};
    return {a, b};
}

// The parts of 0..n - 1 not covered by the disjoint, ascending spans.
std::vector<Span> gaps(const std::vector<Span>& covered, std::int64_t n) {
    std::vector<Span> out;
    std::int64_t next = 0;
    for (const Span& s : covered) {
        if (s.first > next) out.push_back(Span{next, s.first - 1});
        next = s.last + 1;
    }
    if (next < n) out.push_back(Span{next, n - 1});
    return out;
}

PixelRect rectOf(const Span& columns, const Span& rows) {
    return PixelRect{static_cast<int>(columns.first), static_cast<int>(rows.first),
                     static_cast<int>(columns.length()), static_cast<int>(rows.length())};
}

Span shifted(const Span& s, std::int64_t by) {
    return Span{s.first + by, s.last + by};
}

}  // namespace

Span Span::clippedTo(std::int64_t lo, std::int64_t hi) const {
    return Span{std::max(first, lo), std::min(last, hi)};
}

FrameBands::FrameBands(int W, int H, const FrameParams& p)
    : m_W(W),
      m_H(H),
      m_w(W),
      m_h(H),
      m_W0(p.W[0]),
      m_W1(p.W[1]),
      m_W2(p.W[2]),
      m_W3(p.W[3]),
      m_X0(p.X0),
      m_X1(p.X1),
      m_Y0(p.Y0),
      m_Y1(p.Y1) {}

bool FrameBands::hasValidWidths(const FrameParams& p) {
    return std::all_of(p.W.begin(), p.W.end(), [](std::int16_t w) { return w >= 1; });
}

Span FrameBands::topRows() const {
    const auto y0 = static_cast<std::int64_t>(m_Y0);
    return Span{y0, y0 + static_cast<std::int64_t>(m_W0)};
}

Span FrameBands::topColumns(std::int64_t y) const {
    const double k = static_cast<double>(y) - m_Y0;
    return Span{round64((m_W2 / m_W0) * k + m_X0), round64((m_w - m_X1) - (m_W3 / m_W0) * k)};
}

Span FrameBands::leftColumns() const {
    const auto x0 = static_cast<std::int64_t>(m_X0);
    return Span{x0, x0 + static_cast<std::int64_t>(m_W2)};
}

Span FrameBands::leftRows(std::int64_t x) const {
    const double k = static_cast<double>(x) - m_X0;
    return Span{round64((m_W0 / m_W2) * k + m_Y0), round64((m_h - m_Y1) - (m_W1 / m_W2) * k)};
}

Span FrameBands::rightColumns() const {
    return Span{round64((m_w - m_W3) - m_X1), round64(m_w - m_X1)};
}

Span FrameBands::rightRows(std::int64_t x) const {
    const double k = static_cast<double>((m_W - static_cast<std::int64_t>(m_X1)) - x);
    return Span{round64((m_W0 / m_W3) * k + m_Y0),
                round64(((m_h - m_Y1) - (m_W1 / m_W3) * k) - 1.0)};
}

Span FrameBands::bottomRows() const {
    return Span{round64((m_h - m_W1) - m_Y1), round64(m_h - m_Y1)};
}

Span FrameBands::bottomColumns(std::int64_t y) const {
    const double k = static_cast<double>((m_H - static_cast<std::int64_t>(m_Y1)) - y);
    return Span{round64((m_W2 / m_W1) * k + m_X0), round64((m_w - m_X1) - (m_W3 / m_W1) * k)};
}

std::vector<PixelRect> frameFootprint(int W, int H, const FrameParams& p) {
    std::vector<PixelRect> rects;
    if (W <= 0 || H <= 0 || !FrameBands::hasValidWidths(p)) return rects;
    const FrameBands bands(W, H, p);
    // Array rows 1..H are picture rows 0..H - 1.
    const auto rows = unite(shifted(bands.topRows().clippedTo(1, H), -1),
                            shifted(bands.bottomRows().clippedTo(1, H), -1));
    const auto columns =
        unite(bands.leftColumns().clippedTo(0, W - 1), bands.rightColumns().clippedTo(0, W - 1));
    for (const Span& r : rows) rects.push_back(rectOf(Span{0, W - 1}, r));
    for (const Span& c : columns) {
        for (const Span& g : gaps(rows, H)) rects.push_back(rectOf(c, g));
    }
    return rects;
}

}  // namespace rimvista
