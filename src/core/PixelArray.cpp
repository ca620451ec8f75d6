#include "core/PixelArray.h"

#include <stdexcept>

namespace rimvista {

Pixel& PixelArray::at(int x, int y) {
    return const_cast<Pixel&>(static_cast<const PixelArray&>(*this).at(x, y));
}

const Pixel& PixelArray::at(int x, int y) const {
    if (!isBound() || x < 0 || x > m_width || y < 0 || y > m_height)
        throw std::out_of_range("pixel array subscript out of range");
    if (y == 0) return m_outside[static_cast<std::size_t>(x)];
    if (x == m_width) return m_outside[static_cast<std::size_t>(m_width + y)];
    const auto* r =
        reinterpret_cast<const Pixel*>(m_bits + static_cast<std::size_t>(y - 1) * m_stride);
    return r[x];
}

void PixelArray::bind(PixelSurface& surface) {
    m_outside.assign(static_cast<std::size_t>(surface.width()) + 1 + surface.height(), Pixel{});
    m_surface = &surface;
    m_bits = surface.bits();
    m_stride = surface.bytesPerLine();
    m_width = surface.width();
    m_height = surface.height();
}

bool PixelArray::isBoundTo(const PixelSurface* surface) const {
    // The same object can be given a new picture by move assignment, so the pixels and the size
    // are compared as well as the address.
    return isBound() && surface == m_surface && surface->bits() == m_bits &&
           surface->width() == m_width && surface->height() == m_height;
}

void PixelArray::release() {
    m_surface = nullptr;
    m_bits = nullptr;
    m_stride = 0;
    m_width = 0;
    m_height = 0;
    m_outside = {};
}

bool ReadPixels(PictureTarget& picture, PixelArray& pixels) {
    PixelSurface* surface = picture.surface();
    if (surface == nullptr || surface->isNull()) return true;
    pixels.bind(*surface);
    return false;
}

bool WritePixels(PictureTarget& picture, PixelArray& pixels) {
    const PixelSurface* surface = picture.surface();
    if (surface == nullptr || !pixels.isBoundTo(surface)) return true;
    const PixelRect whole{0, 0, pixels.width(), pixels.height()};
    pixels.release();
    if (!whole.isEmpty()) picture.surfaceChanged(whole);
    return false;
}

}  // namespace rimvista
