#pragma once
// Adding an amount to a colour byte and clamping to 0..255, looked up instead of computed per
// byte. Shared by the whole-picture renderer and the row-band painter so both shade alike.

#include <algorithm>
#include <array>
#include <cstdint>

#include "core/PixelSurface.h"

namespace rimvista {

class ShadeTable {
public:
    ShadeTable() : ShadeTable(0) {}
    explicit ShadeTable(int d) {
        for (int v = 0; v < 256; ++v)
            m_table[static_cast<std::size_t>(v)] =
                static_cast<std::uint8_t>(std::clamp(v + d, 0, 255));
    }
    // The reserved byte is never touched.
    void apply(Pixel& p) const {
        p.red = m_table[p.red];
        p.green = m_table[p.green];
        p.blue = m_table[p.blue];
    }
    void apply(Pixel* first, std::int64_t count) const {
        for (std::int64_t i = 0; i < count; ++i) apply(first[i]);
    }

private:
    std::array<std::uint8_t, 256> m_table{};
};

}  // namespace rimvista
