#pragma once
// The renderer's pixel array: elements (x, y) with x 0..W and y 0..H inclusive for a W x H picture,
// 4-byte pixels blue, green, red, reserved. Picture pixel (column m, row n) is element (m, n + 1):
// x is the 0-based column, y the 1-based row. Column W and row 0 lie outside the picture; they
// hold scratch pixels whose contents mean nothing and never reach the picture.
//
// The array is a view onto the picture's surface, not a copy: ReadPixels binds it in O(H) time
// and memory instead of copying W x H pixels twice, so a change to an element inside the picture
// reaches the surface as it is made, and WritePixels only commits (tells the view to repaint).
// That is safe for the one caller, DrawFrame, which reads, paints and writes without anything in
// between; a failed ReadPixels never binds, so a failed read can change nothing.

#include <cstdint>
#include <vector>

#include "core/PixelSurface.h"

namespace rimvista {

class PixelArray {
public:
    PixelArray() = default;
    PixelArray(PixelArray&&) noexcept = default;
    PixelArray& operator=(PixelArray&&) noexcept = default;
    PixelArray(const PixelArray&) = delete;
    PixelArray& operator=(const PixelArray&) = delete;

    bool isBound() const { return m_bits != nullptr; }
    // W and H of the bound picture; 0 when unbound.
    int width() const { return m_width; }
    int height() const { return m_height; }

    // Any element x 0..W, y 0..H; throws std::out_of_range outside those bounds or when unbound.
    Pixel& at(int x, int y);
    const Pixel& at(int x, int y) const;

    // Elements x 0..W - 1 of row y (1..H), i.e. picture row y - 1. Element W is not reachable
    // through this pointer (it would be the next picture row); use at() for it.
    Pixel* row(int y) {
        return reinterpret_cast<Pixel*>(m_bits + static_cast<std::size_t>(y - 1) * m_stride);
    }

private:
    friend bool ReadPixels(PictureTarget& picture, PixelArray& pixels);
    friend bool WritePixels(PictureTarget& picture, PixelArray& pixels);

    void bind(PixelSurface& surface);
    bool isBoundTo(const PixelSurface* surface) const;
    void release();

    const PixelSurface* m_surface = nullptr;
    std::uint8_t* m_bits = nullptr;
    std::size_t m_stride = 0;
    int m_width = 0;
    int m_height = 0;
    // Row 0 (W + 1 elements) followed by column W of rows 1..H (H elements).
    std::vector<Pixel> m_outside;
};

// Binds pixels to the picture's surface. Returns true (failed) when the picture has no surface;
// pixels is then left as it was.
bool ReadPixels(PictureTarget& picture, PixelArray& pixels);

// Commits the changes made through pixels: reports the whole picture as changed so the view
// repaints, and releases the view. Returns true (failed) when pixels is not bound to the surface
// the picture holds now (it was never read, or the picture was replaced since).
bool WritePixels(PictureTarget& picture, PixelArray& pixels);

}  // namespace rimvista
