#include "batch/SamplePicture.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <thread>
#include <vector>

#include "batch/OutputPlan.h"
#include "batch/OutputWriter.h"

namespace rimvista::batch {

namespace {

std::uint8_t byte(float v) {
    return static_cast<std::uint8_t>(std::clamp(v, 0.0f, 255.0f));
}

// Cheap, well-mixed per-pixel grain in -6..6.
int grain(std::uint32_t x, std::uint32_t y) {
    std::uint32_t h = x * 0x9E3779B1u ^ y * 0x85EBCA77u;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 12;
    return static_cast<int>(h % 13) - 6;
}

struct Scene {
    int width, height;
    std::vector<float> horizon;  // per column, in rows
    float sunX, sunY, sunRadius;

    Scene(int w, int h) : width(w), height(h), horizon(static_cast<std::size_t>(w)) {
        for (int x = 0; x < w; ++x) {
            const float t = static_cast<float>(x) / static_cast<float>(w);
            horizon[static_cast<std::size_t>(x)] =
                h * (0.62f + 0.07f * std::sin(t * 3.0f * std::numbers::pi_v<float>) +
                     0.02f * std::sin(t * 17.0f * std::numbers::pi_v<float>));
        }
        sunX = 0.74f * static_cast<float>(w);
        sunY = 0.24f * static_cast<float>(h);
        sunRadius = 0.07f * static_cast<float>(std::min(w, h));
    }

    Pixel at(int x, int y) const {
        const float fy = static_cast<float>(y) / static_cast<float>(height);
        float r, g, b;
        const float dx = static_cast<float>(x) - sunX, dy = static_cast<float>(y) - sunY;
        if (dx * dx + dy * dy < sunRadius * sunRadius) {
            r = 252, g = 226, b = 120;
        } else if (static_cast<float>(y) < horizon[static_cast<std::size_t>(x)]) {
            r = 90 + 120 * fy, g = 140 + 90 * fy, b = 235 - 20 * fy;
        } else {
            const bool furrow = ((x / 24 + y / 16) & 1) != 0;
            r = 70 + 60 * fy + (furrow ? 18 : 0), g = 120 + 40 * fy, b = 50 + 10 * fy;
        }
        const int n = grain(static_cast<std::uint32_t>(x), static_cast<std::uint32_t>(y));
        return Pixel{byte(b + n), byte(g + n), byte(r + n), 0};
    }
};

}  // namespace

void drawSample(PixelSurface& picture, int threads) {
    const int width = picture.width(), height = picture.height();
    const Scene scene(width, height);
    const auto fill = [&](int first, int step) {
        for (int y = first; y < height; y += step) {
            Pixel* row = picture.row(y);
            for (int x = 0; x < width; ++x) row[x] = scene.at(x, y);
        }
    };
    threads = std::clamp(threads, 1, std::max(1, height));
    std::vector<std::thread> workers;
    for (int t = 1; t < threads; ++t) workers.emplace_back(fill, t, threads);
    fill(0, threads);
    for (std::thread& w : workers) w.join();
}

std::optional<std::string> writeSample(const std::string& path, int width, int height, int quality,
                                       bool overwrite, int threads) {
    const files::PictureFormat* format = files::formatOfName(path);
    if (!format) {
        std::string extensions;
        for (const files::PictureFormat* f : files::pictureFormats())
            extensions += (extensions.empty() ? "." : ", .") + std::string(f->primaryExtension());
        return "a sample is written as one of " + extensions + ": " + path;
    }
    if (!overwrite && outputTaken(path)) return path + " already exists (--overwrite replaces it)";
    auto picture = PixelSurface::tryCreate(width, height);
    if (!picture) return "not enough memory for a sample of that size";
    drawSample(*picture, threads);
    Encoding encoding;
    encoding.quality = quality;
    return writeOutput(*picture, PictureJob{path, path, format->id, format->id}, encoding,
                       overwrite);
}

}  // namespace rimvista::batch
