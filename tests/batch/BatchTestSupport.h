#pragma once
// Fixture for tests of the real rimvista-batch: a fresh folder per test, pictures written into
// it, the program run inside it, and the engine's own result to compare outputs with.

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "BatchProcess.h"
#include "core/FrameParams.h"
#include "core/PixelSurface.h"

namespace rimvista::test {

// The frame most tests use: 5 pixels wide on each side, convex, at the picture's edges.
inline const std::string kFrame = "5,5,5,5,0,0,0,0,0";

FrameParams frame(int w0, int w1, int w2, int w3, int x0, int x1, int y0, int y1, int kind);
// The command line's text form, the same as a recording's entry ("5,5,5,5,0,0,0,0,0").
std::string frameText(const FrameParams& p);

// What the window's Execute leaves: every frame checked, then painted, in order.
PixelSurface framedByEngine(const PixelSurface& picture, const std::vector<FrameParams>& frames);

// Whether text holds English prose: two English words in a row, the names of options, files,
// frames and formats aside. A Japanese message may name those, never explain in English.
bool holdsEnglishProse(const std::string& text);

// The summary line a run ends with (the last line of its standard error).
std::string summaryOf(const BatchRun& run);

class BatchTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    BatchRun batch(const std::vector<std::string>& args, const std::vector<std::string>& env = {},
                   const std::string& input = {}) const;
    std::filesystem::path path(const std::string& name) const { return m_dir / name; }

    // Writes a seeded random picture; returns the pixels as a reader will see them.
    PixelSurface writeBmp(const std::string& name, int width, int height, std::uint32_t seed = 1);
    PixelSurface writeJpeg(const std::string& name, int width, int height, int quality = 95,
                           std::uint32_t seed = 1);
    void writeText(const std::string& name, const std::string& bytes) const;
    std::string bytes(const std::string& name) const;
    PixelSurface load(const std::string& name) const;
    // Names of the files in a folder of the test, hidden ones included.
    std::vector<std::string> listing(const std::string& folder = ".") const;

    std::filesystem::path m_dir;
};

}  // namespace rimvista::test
