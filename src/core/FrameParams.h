#pragma once
// One frame application as the window reads it and the settings file stores it.

#include <array>
#include <cstdint>
#include <vector>

namespace rimvista {

struct FrameParams {
    // Widths: top, bottom, left, right, in pixels.
    std::array<std::int16_t, 4> W{};
    std::int16_t X0 = 0;    // left margin
    std::int16_t Y0 = 0;    // top margin
    std::int16_t X1 = 0;    // right margin, from the picture's right end
    std::int16_t Y1 = 0;    // bottom margin, from the picture's bottom end
    std::int16_t Kind = 0;  // 0 convex, 1 concave

    friend bool operator==(const FrameParams&, const FrameParams&) = default;
};

// In the order of a recorded entry: widths top, bottom, left, right; positions left, right,
// top, bottom (not the storage order above); kind.
constexpr FrameParams makeFrameParams(std::int16_t W0, std::int16_t W1, std::int16_t W2,
                                      std::int16_t W3, std::int16_t X0, std::int16_t X1,
                                      std::int16_t Y0, std::int16_t Y1, std::int16_t Kind = 0) {
    FrameParams p;
    p.W = {W0, W1, W2, W3};
    p.X0 = X0;
    p.X1 = X1;
    p.Y0 = Y0;
    p.Y1 = Y1;
    p.Kind = Kind;
    return p;
}

// Applications on the current picture. Element 0 exists and is never an application;
// elements 1..n (n at most kMaxApplications) are the applications in order.
class FrameHistory {
public:
    static constexpr int kMaxApplications = 10;

    FrameHistory() : m_items(1) {}
    int upperBound() const { return static_cast<int>(m_items.size()) - 1; }
    const FrameParams& operator[](int i) const { return m_items.at(static_cast<std::size_t>(i)); }
    void append(const FrameParams& p) { m_items.push_back(p); }
    void removeLast() {
        if (m_items.size() > 1) m_items.pop_back();
    }
    void clear() { m_items.assign(1, FrameParams{}); }

private:
    std::vector<FrameParams> m_items;
};

}  // namespace rimvista
