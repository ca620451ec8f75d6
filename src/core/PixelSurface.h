#pragma once
// The persistent bitmap of a picture: 32-bit pixels in blue, green, red, reserved byte order,
// rows top to bottom without padding. Every subsystem (window, loaders, writers, batch tool)
// shares this one surface type so a picture is never converted between representations.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>

namespace rimvista {

struct Pixel {
    std::uint8_t blue;
    std::uint8_t green;
    std::uint8_t red;
    std::uint8_t reserved;
};
static_assert(sizeof(Pixel) == 4);

struct PixelRect {
    int x = 0, y = 0, width = 0, height = 0;  // picture pixels, y from the top
    bool isEmpty() const { return width <= 0 || height <= 0; }
};

class PixelSurface {
public:
    PixelSurface() = default;
    // Allocates width x height pixels, contents unspecified. Throws std::bad_alloc when the
    // memory cannot be had, std::length_error for sizes that cannot be addressed.
    PixelSurface(int width, int height);
    // The same, reporting failure instead of throwing.
    static std::optional<PixelSurface> tryCreate(int width, int height);

    PixelSurface(PixelSurface&&) noexcept = default;
    PixelSurface& operator=(PixelSurface&&) noexcept = default;
    PixelSurface(const PixelSurface&) = delete;
    PixelSurface& operator=(const PixelSurface&) = delete;

    PixelSurface clone() const;

    bool isNull() const { return m_data == nullptr; }
    int width() const { return m_width; }
    int height() const { return m_height; }
    std::size_t bytesPerLine() const { return static_cast<std::size_t>(m_width) * 4; }
    std::size_t byteCount() const { return bytesPerLine() * static_cast<std::size_t>(m_height); }

    Pixel* row(int y) { return reinterpret_cast<Pixel*>(m_data.get() + bytesPerLine() * y); }
    const Pixel* row(int y) const {
        return reinterpret_cast<const Pixel*>(m_data.get() + bytesPerLine() * y);
    }
    std::uint8_t* bits() { return m_data.get(); }
    const std::uint8_t* bits() const { return m_data.get(); }

    void fill(Pixel p);

private:
    struct Release {
        // No initializer: it would make the deleter look non-default-constructible here.
        std::size_t size;
        void operator()(std::uint8_t* p) const;
    };
    std::unique_ptr<std::uint8_t, Release> m_data;
    int m_width = 0;
    int m_height = 0;
};

// What the engine paints into: a picture box's persistent bitmap, or the batch tool's picture.
// The engine tells its holder which pixels changed so a view can repaint just those.
class PictureTarget {
public:
    virtual ~PictureTarget() = default;
    // The surface to read and write, or null when the holder has no picture (transfers then fail).
    virtual PixelSurface* surface() = 0;
    virtual void surfaceChanged(const PixelRect& changed) = 0;
};

// A bare surface as a picture: nothing to repaint (the batch tool, comparisons in tests).
class SurfacePicture : public PictureTarget {
public:
    explicit SurfacePicture(PixelSurface& surface) : m_surface(surface) {}
    PixelSurface* surface() override { return &m_surface; }
    void surfaceChanged(const PixelRect&) override {}

private:
    PixelSurface& m_surface;
};

}  // namespace rimvista
