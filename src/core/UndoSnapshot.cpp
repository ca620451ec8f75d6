#include "core/UndoSnapshot.h"

#include <algorithm>
#include <new>

#include "core/FrameBands.h"

namespace rimvista {

std::optional<UndoSnapshot> UndoSnapshot::capture(const PixelSurface& surface,
                                                  std::vector<PixelRect> rects) {
    UndoSnapshot s;
    s.m_width = surface.width();
    s.m_height = surface.height();
    std::size_t total = 0;
    for (const PixelRect& r : rects) {
        if (r.isEmpty()) continue;
        if (r.x < 0 || r.y < 0 || r.width > s.m_width - r.x || r.height > s.m_height - r.y)
            return std::nullopt;
        total += static_cast<std::size_t>(r.width) * static_cast<std::size_t>(r.height);
    }
    try {
        s.m_pixels.resize(total);
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
    Pixel* out = s.m_pixels.data();
    for (const PixelRect& r : rects) {
        if (r.isEmpty()) continue;
        for (int y = r.y; y < r.y + r.height; ++y)
            out = std::copy_n(surface.row(y) + r.x, r.width, out);
    }
    s.m_rects = std::move(rects);
    return s;
}

std::optional<UndoSnapshot> UndoSnapshot::capture(PictureTarget& picture, const FrameParams& p) {
    const PixelSurface* surface = picture.surface();
    if (surface == nullptr || surface->isNull()) return std::nullopt;
    return capture(*surface, frameFootprint(surface->width(), surface->height(), p));
}

bool UndoSnapshot::restore(PictureTarget& picture) const {
    PixelSurface* surface = picture.surface();
    if (surface == nullptr || surface->isNull() || surface->width() != m_width ||
        surface->height() != m_height)
        return false;
    const Pixel* in = m_pixels.data();
    for (const PixelRect& r : m_rects) {
        if (r.isEmpty()) continue;
        for (int y = r.y; y < r.y + r.height; ++y) {
            std::copy_n(in, r.width, surface->row(y) + r.x);
            in += r.width;
        }
    }
    for (const PixelRect& r : m_rects) {
        if (!r.isEmpty()) picture.surfaceChanged(r);
    }
    return true;
}

}  // namespace rimvista
