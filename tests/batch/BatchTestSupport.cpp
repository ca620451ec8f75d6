#include "BatchTestSupport.h"

#include <algorithm>
#include <fstream>
#include <random>
#include <sstream>

#include "core/FrameCommand.h"
#include "core/RegistrationStore.h"
#include "imageio/PictureReader.h"
#include "imageio/PictureWriter.h"
#include "support/TestPictures.h"

namespace rimvista::test {

namespace fs = std::filesystem;

FrameParams frame(int w0, int w1, int w2, int w3, int x0, int x1, int y0, int y1, int kind) {
    const auto s = [](int v) { return static_cast<std::int16_t>(v); };
    return makeFrameParams(s(w0), s(w1), s(w2), s(w3), s(x0), s(x1), s(y0), s(y1), s(kind));
}

std::string frameText(const FrameParams& p) {
    return reg::formatEntry(p);
}

PixelSurface framedByEngine(const PixelSurface& picture, const std::vector<FrameParams>& frames) {
    PixelSurface framed = picture.clone();
    SurfacePicture target(framed);
    for (const FrameParams& p : frames) {
        EXPECT_EQ(checkExecute(p, picture.width(), picture.height(), true), FrameCheck::Ok);
        EXPECT_TRUE(applyFrame(target, p).has_value());
    }
    return framed;
}

bool holdsEnglishProse(const std::string& text) {
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        std::istringstream words(line);
        bool previousWasWord = false;
        for (std::string token; words >> token;) {
            while (!token.empty() &&
                   std::string_view("():;").find(token.back()) != std::string::npos)
                token.pop_back();
            if (!token.empty() && token.front() == '(') token.erase(0, 1);
            const bool word =
                token.size() >= 2 && std::all_of(token.begin(), token.end(), [](char c) {
                    return std::isalpha(static_cast<unsigned char>(c));
                });
            if (word && previousWasWord) return true;
            previousWasWord = word;
        }
    }
    return false;
}

void BatchTest::SetUp() {
    std::random_device seed;
    m_dir = fs::temp_directory_path() / ("rimvista-batch-test-" + std::to_string(seed()));
    ASSERT_TRUE(fs::create_directory(m_dir));
}

void BatchTest::TearDown() {
    std::error_code ec;
    fs::remove_all(m_dir, ec);
}

BatchRun BatchTest::batch(const std::vector<std::string>& args, const std::vector<std::string>& env,
                          const std::string& input) const {
    return runProgram(RIMVISTA_BATCH_EXE, args, m_dir, env, input);
}

std::string summaryOf(const BatchRun& run) {
    const std::size_t end = run.err.empty() ? 0 : run.err.size() - 1;
    const std::size_t start = run.err.rfind('\n', end == 0 ? 0 : end - 1);
    return run.err.substr(start == std::string::npos || end == 0 ? 0 : start + 1);
}

PixelSurface BatchTest::writeBmp(const std::string& name, int width, int height,
                                 std::uint32_t seed) {
    EXPECT_TRUE(files::saveBmp(randomSurface(width, height, seed), path(name).string()).ok());
    return load(name);
}

PixelSurface BatchTest::writeJpeg(const std::string& name, int width, int height, int quality,
                                  std::uint32_t seed) {
    EXPECT_TRUE(
        files::saveJpeg(randomSurface(width, height, seed), path(name).string(), quality).ok());
    return load(name);
}

void BatchTest::writeText(const std::string& name, const std::string& bytes) const {
    std::ofstream(path(name), std::ios::binary) << bytes;
}

std::string BatchTest::bytes(const std::string& name) const {
    std::ifstream in(path(name), std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

PixelSurface BatchTest::load(const std::string& name) const {
    files::LoadResult r = files::loadPicture(path(name).string());
    EXPECT_TRUE(r.ok()) << name << ": " << debugText(r.error());
    return r ? std::move(*r) : PixelSurface();
}

std::vector<std::string> BatchTest::listing(const std::string& folder) const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(path(folder)))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace rimvista::test
