// Streaming a picture through one frame against the whole-picture path (load, DrawFrame, save),
// each run in a fresh child process so its wall time and peak memory (the child's maxrss) are
// its own. Prints medians side by side, and ImageMagick's convert (-raise 6x6) for reference
// when it is installed.
//
//   stream_bench [--runs N] [--giga] [--keep DIR]
//
// --giga also streams a 40000 x 25000 JPEG (generated a block at a time, about a minute);
// the whole-picture path is not run on it (it needs about 4 GB).

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "core/FrameRenderer.h"
#include "imageio/FrameStream.h"
#include "imageio/PictureReader.h"
#include "imageio/PictureWriter.h"

namespace {

using namespace rimvista;
namespace fs = std::filesystem;

// One frame six pixels wide on every side, like convert -raise 6x6.
const std::vector<PaintedFrame> kRun{{makeFrameParams(6, 6, 6, 6, 0, 0, 0, 0), 1.0f}};

// Smooth gradients with a soft wave and sensor-like noise: compresses like a photograph.
void photoRow(int y, int width, int height, Pixel* row, std::uint32_t& state, bool noisy) {
    for (int x = 0; x < width; ++x) {
        state ^= state << 13, state ^= state >> 17, state ^= state << 5;
        const int noise = noisy ? int(state & 15) - 8 : 0;
        const int wave = ((x / 40 + y / 30) & 31) - 16;
        const long long w = width, h = height;
        row[x].blue = std::uint8_t(std::clamp<long long>(40 + x * 160 / w + noise, 0, 255));
        row[x].green = std::uint8_t(std::clamp<long long>(60 + y * 150 / h + wave + noise, 0, 255));
        row[x].red =
            std::uint8_t(std::clamp<long long>(200 - (x + y) * 120 / (w + h) + wave, 0, 255));
        row[x].reserved = 0;
    }
}

// Written a block at a time, so even a gigapixel picture needs only a few rows of memory.
void makePicture(const std::string& path, int width, int height, int quality, bool noisy) {
    if (fs::exists(path)) return;
    auto writer = path.ends_with(".bmp") ? files::openBmpRowWriter(path, width, height)
                                         : files::openJpegRowWriter(path, width, height, quality);
    if (!writer) std::fprintf(stderr, "%s\n", debugText(writer.error()).c_str()), std::exit(1);
    constexpr int kRows = 64;
    std::vector<Pixel> rows(std::size_t(width) * kRows);
    std::uint32_t state = 12345;
    for (int y0 = 0; y0 < height; y0 += kRows) {
        const int y1 = std::min(height, y0 + kRows);
        for (int y = y0; y < y1; ++y)
            photoRow(y, width, height, rows.data() + std::size_t(y - y0) * width, state, noisy);
        if (auto written = (*writer)->write(y0, y1, rows.data(), std::size_t(width)); !written)
            std::fprintf(stderr, "%s\n", debugText(written.error()).c_str()), std::exit(1);
    }
    if (auto committed = (*writer)->commit(); !committed)
        std::fprintf(stderr, "%s\n", debugText(committed.error()).c_str()), std::exit(1);
}

// The work of one child: mode is stream or whole, quality 0 means BMP output.
int child(const std::string& mode, const std::string& in, const std::string& out, int quality) {
    files::StreamOptions options;
    options.format = quality > 0 ? files::FormatId::Jpeg : files::FormatId::Bmp;
    options.encoding.quality = quality;
    if (mode == "stream") {
        const auto outcome = files::streamFramePicture(in, out, kRun, options);
        if (!outcome.written()) std::fprintf(stderr, "%s\n", debugText(outcome.error).c_str());
        return outcome.written() ? 0 : 1;
    }
    files::LoadResult loaded = files::loadPicture(in);
    if (!loaded) return std::fprintf(stderr, "%s\n", debugText(loaded.error()).c_str()), 1;
    SurfacePicture target(*loaded);
    const FrameParams& p = kRun[0].params;
    DrawFrame(target, p.W[0], p.W[1], p.W[2], p.W[3], p.X0, p.X1, p.Y0, p.Y1, kRun[0].strength);
    const auto saved =
        quality > 0 ? files::saveJpeg(*loaded, out, quality) : files::saveBmp(*loaded, out);
    if (!saved) std::fprintf(stderr, "%s\n", debugText(saved.error()).c_str());
    return saved ? 0 : 1;
}

struct Measure {
    double seconds = 0;
    long peakMB = 0;
};

Measure runChild(std::vector<std::string> args) {
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    int status = 0;
    rusage usage{};
    ::wait4(pid, &status, 0, &usage);
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        std::fprintf(stderr, "failed: %s\n", args[0].c_str()), std::exit(1);
    return {took.count(), usage.ru_maxrss / 1024};
}

Measure median(std::vector<Measure> m) {
    std::sort(m.begin(), m.end(), [](auto& a, auto& b) { return a.seconds < b.seconds; });
    Measure mid = m[m.size() / 2];
    for (auto& x : m) mid.peakMB = std::max(mid.peakMB, x.peakMB);  // the worst peak counts
    return mid;
}

// Runs the commands in turn, runs times over, so all of them see the same machine load.
std::vector<Measure> sideBySide(const std::vector<std::vector<std::string>>& commands, int runs) {
    std::vector<std::vector<Measure>> all(commands.size());
    for (int r = 0; r < runs; ++r)
        for (std::size_t c = 0; c < commands.size(); ++c) all[c].push_back(runChild(commands[c]));
    std::vector<Measure> out;
    for (auto& m : all) out.push_back(median(m));
    return out;
}

void report(const char* work, const std::vector<std::string>& names,
            const std::vector<Measure>& m) {
    std::printf("%s\n", work);
    for (std::size_t i = 0; i < m.size(); ++i)
        std::printf("  %-8s %7.3f s %6ld MB peak   %5.2fx the whole-picture time\n",
                    names[i].c_str(), m[i].seconds, m[i].peakMB, m[1].seconds / m[i].seconds);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 6 && std::string(argv[1]) == "--child")
        return child(argv[2], argv[3], argv[4], std::atoi(argv[5]));
    int runs = 3;
    bool giga = false;
    std::string keep;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--runs" && i + 1 < argc)
            runs = std::max(1, std::atoi(argv[++i]));
        else if (a == "--giga")
            giga = true;
        else if (a == "--keep" && i + 1 < argc)
            keep = argv[++i];
        else
            return std::fprintf(stderr, "unknown argument %s\n", a.c_str()), 2;
    }
    std::string pattern = (fs::temp_directory_path() / "stream-bench-XXXXXX").string();
    const fs::path folder = keep.empty() ? fs::path(::mkdtemp(pattern.data())) : fs::path(keep);
    fs::create_directories(folder);
    const std::string self = fs::read_symlink("/proc/self/exe").string();
    const auto file = [&](const char* name) { return (folder / name).string(); };
    const bool haveConvert = fs::exists("/usr/bin/convert");

    std::printf("generating pictures in %s ...\n", folder.c_str());
    makePicture(file("in48.jpg"), 8000, 6000, 92, true);
    makePicture(file("in48.bmp"), 8000, 6000, 0, true);

    for (const auto& [in, out, quality, title] :
         {std::tuple{"in48.jpg", "out.jpg", 100, "48 MP JPEG -> one frame -> JPEG q100 4:4:4"},
          std::tuple{"in48.bmp", "out.bmp", 0, "48 MP BMP -> one frame -> BMP"}}) {
        const std::string q = std::to_string(quality);
        std::vector<std::vector<std::string>> commands{
            {self, "--child", "stream", file(in), file(out), q},
            {self, "--child", "whole", file(in), file(out), q}};
        std::vector<std::string> names{"stream", "whole"};
        if (haveConvert) {
            std::vector<std::string> c{"/usr/bin/convert", file(in), "-raise", "6x6"};
            if (quality > 0) c.insert(c.end(), {"-quality", q});
            c.push_back(file(out));
            commands.push_back(c);
            names.push_back("convert");
        }
        const auto m = sideBySide(commands, runs);
        report(title, names, m);
        if (haveConvert)
            std::printf("  stream vs convert: %.2fx faster\n", m[2].seconds / m[0].seconds);
    }

    if (giga) {
        std::printf("generating the 40000 x 25000 picture ...\n");
        makePicture(file("in1g.jpg"), 40000, 25000, 90, false);
        const auto m =
            sideBySide({{self, "--child", "stream", file("in1g.jpg"), file("out1g.jpg"), "90"}}, 1);
        std::printf(
            "1 GP JPEG (%ld MB) -> one frame -> JPEG q90\n  stream   %7.3f s %6ld MB peak\n",
            long(fs::file_size(file("in1g.jpg")) >> 20), m[0].seconds, m[0].peakMB);
    }
    if (keep.empty()) fs::remove_all(folder);
    return 0;
}
