// Picture files at 48 megapixels (8000 x 6000): our readers and writers side by side with bare
// TurboJPEG (the floor for JPEG) and Qt's readers and writers (what we replace). The ratios
// that matter are printed after the table.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <stdlib.h>
#include <turbojpeg.h>
#include <unistd.h>

#include <QImage>
#include <QImageReader>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "imageio/PictureReader.h"
#include "imageio/PictureWriter.h"

namespace {

using namespace rimvista;

constexpr int kWidth = 8000, kHeight = 6000;

struct Fixture {
    std::filesystem::path folder;
    PixelSurface photo;
    std::vector<unsigned char> jpeg;  // the quality-92 file's bytes
    std::string jpegPath, bmpPath;

    Fixture() {
        std::string pattern = (std::filesystem::temp_directory_path() / "io-bench-XXXXXX").string();
        folder = ::mkdtemp(pattern.data());
        photo = PixelSurface(kWidth, kHeight);
        paintPhotoLike();
        jpeg = encode(92, TJSAMP_420, 0);
        jpegPath = (folder / "photo.jpg").string();
        bmpPath = (folder / "photo.bmp").string();
        std::FILE* f = std::fopen(jpegPath.c_str(), "wb");
        std::fwrite(jpeg.data(), 1, jpeg.size(), f);
        std::fclose(f);
        if (!files::saveBmp(photo, bmpPath)) std::abort();
    }
    ~Fixture() { std::filesystem::remove_all(folder); }

    // Smooth gradients with a soft wave and sensor-like noise: compresses like a photograph,
    // unlike flat colour or pure noise.
    void paintPhotoLike() {
        std::uint32_t state = 12345;
        for (int y = 0; y < kHeight; ++y) {
            Pixel* row = photo.row(y);
            for (int x = 0; x < kWidth; ++x) {
                state ^= state << 13, state ^= state >> 17, state ^= state << 5;
                const int noise = int(state & 15) - 8;
                const int wave = ((x / 40 + y / 30) & 31) - 16;
                row[x].blue = std::uint8_t(std::clamp(40 + x * 160 / kWidth + noise, 0, 255));
                row[x].green =
                    std::uint8_t(std::clamp(60 + y * 150 / kHeight + wave + noise, 0, 255));
                row[x].red = std::uint8_t(
                    std::clamp(200 - (x + y) * 120 / (kWidth + kHeight) + wave, 0, 255));
                row[x].reserved = 0;
            }
        }
    }

    std::vector<unsigned char> encode(int quality, int subsampling, int flags) const {
        tjhandle h = tjInitCompress();
        unsigned char* out = nullptr;
        unsigned long size = 0;
        if (tjCompress2(h, photo.bits(), kWidth, int(photo.bytesPerLine()), kHeight, TJPF_BGRX,
                        &out, &size, subsampling, quality, flags) != 0)
            std::abort();
        std::vector<unsigned char> bytes(out, out + size);
        tjFree(out);
        tjDestroy(h);
        return bytes;
    }
};

Fixture& fixture() {
    static Fixture f;
    return f;
}

void checkLoaded(benchmark::State& state, const files::LoadResult& r) {
    if (!r.ok()) return state.SkipWithError(debugText(r.error()).c_str());
    if (r->width() != kWidth || r->height() != kHeight) state.SkipWithError("wrong size");
}

void JpegOpen_BareTurboJpeg(benchmark::State& state) {
    Fixture& f = fixture();
    std::vector<unsigned char> out(std::size_t(kWidth) * kHeight * 4, 0);  // touched once
    tjhandle h = tjInitDecompress();
    for (auto _ : state)
        if (tjDecompress2(h, f.jpeg.data(), f.jpeg.size(), out.data(), kWidth, kWidth * 4, kHeight,
                          TJPF_BGRX, 0) != 0)
            state.SkipWithError(tjGetErrorStr2(h));
    tjDestroy(h);
}

void JpegOpen_LoadPicture(benchmark::State& state) {
    Fixture& f = fixture();
    for (auto _ : state) checkLoaded(state, files::loadPicture(f.jpegPath));
}

void JpegOpen_QImageReader(benchmark::State& state) {
    Fixture& f = fixture();
    for (auto _ : state) {
        QImageReader reader(QString::fromStdString(f.jpegPath));
        const QImage image = reader.read();
        if (image.width() != kWidth) state.SkipWithError(reader.errorString().toUtf8().constData());
    }
}

void JpegSave_BareTurboJpeg(benchmark::State& state) {
    Fixture& f = fixture();
    const unsigned long bound = tjBufSize(kWidth, kHeight, TJSAMP_444);
    std::vector<unsigned char> buffer(bound, 0);
    tjhandle h = tjInitCompress();
    const int flags = TJFLAG_NOREALLOC | TJFLAG_ACCURATEDCT;  // as saveJpeg
    for (auto _ : state) {
        unsigned char* out = buffer.data();
        unsigned long size = bound;
        if (tjCompress2(h, f.photo.bits(), kWidth, kWidth * 4, kHeight, TJPF_BGRX, &out, &size,
                        TJSAMP_444, 100, flags) != 0)
            state.SkipWithError(tjGetErrorStr2(h));
    }
    tjDestroy(h);
}

void JpegSave_SaveJpeg(benchmark::State& state) {
    Fixture& f = fixture();
    const std::string path = (f.folder / "saved.jpg").string();
    for (auto _ : state)
        if (auto saved = files::saveJpeg(f.photo, path, 100); !saved)
            state.SkipWithError(debugText(saved.error()).c_str());
}

void JpegSave_DCSavetoJPEG(benchmark::State& state) {
    Fixture& f = fixture();
    const std::string path = (f.folder / "saved-call.jpg").string();
    for (auto _ : state)
        if (files::DCSavetoJPEG(f.photo, kWidth, kHeight, path.c_str(), 100, 0) != 1)
            state.SkipWithError("DCSavetoJPEG failed");
}

void BmpOpen_LoadPicture(benchmark::State& state) {
    Fixture& f = fixture();
    for (auto _ : state) checkLoaded(state, files::loadPicture(f.bmpPath));
}

void BmpOpen_QImage(benchmark::State& state) {
    Fixture& f = fixture();
    for (auto _ : state) {
        const QImage image(QString::fromStdString(f.bmpPath));
        if (image.width() != kWidth) state.SkipWithError("QImage could not read the bitmap");
    }
}

void BmpSave_SaveBmp(benchmark::State& state) {
    Fixture& f = fixture();
    const std::string path = (f.folder / "saved.bmp").string();
    for (auto _ : state)
        if (auto saved = files::saveBmp(f.photo, path); !saved)
            state.SkipWithError(debugText(saved.error()).c_str());
}

void BmpSave_QImage(benchmark::State& state) {
    Fixture& f = fixture();
    // The surface's bytes seen as a Qt image without a copy, as a Qt program would hold it.
    const QImage image(f.photo.bits(), kWidth, kHeight, int(f.photo.bytesPerLine()),
                       QImage::Format_RGB32);
    const QString path = QString::fromStdString((f.folder / "saved-qt.bmp").string());
    for (auto _ : state)
        if (!image.save(path, "BMP")) state.SkipWithError("QImage could not save");
}

// Qt's writer made as durable as ours: the same file flushed to disk after saving.
void BmpSave_QImageThenFsync(benchmark::State& state) {
    Fixture& f = fixture();
    const QImage image(f.photo.bits(), kWidth, kHeight, int(f.photo.bytesPerLine()),
                       QImage::Format_RGB32);
    const std::string path = (f.folder / "saved-qt-sync.bmp").string();
    for (auto _ : state) {
        if (!image.save(QString::fromStdString(path), "BMP")) state.SkipWithError("save failed");
        const int fd = ::open(path.c_str(), O_RDONLY);
        ::fsync(fd);
        ::close(fd);
    }
}

// Medians of repetitions: the first pass through fresh memory is slower in a virtual machine
// (the host backs guest pages on first touch), which says nothing about the code measured.
#define IO_BENCH(fn)                    \
    BENCHMARK(fn)                       \
        ->Unit(benchmark::kMillisecond) \
        ->UseRealTime()                 \
        ->Iterations(3)                 \
        ->Repetitions(3)                \
        ->ReportAggregatesOnly(true)
IO_BENCH(JpegOpen_BareTurboJpeg);
IO_BENCH(JpegOpen_LoadPicture);
IO_BENCH(JpegOpen_QImageReader);
IO_BENCH(JpegSave_BareTurboJpeg);
IO_BENCH(JpegSave_SaveJpeg);
IO_BENCH(JpegSave_DCSavetoJPEG);
IO_BENCH(BmpOpen_LoadPicture);
IO_BENCH(BmpOpen_QImage);
IO_BENCH(BmpSave_SaveBmp);
IO_BENCH(BmpSave_QImage);
IO_BENCH(BmpSave_QImageThenFsync);

// Keeps each benchmark's mean wall time per iteration for the ratio summary.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs)
            if (!run.error_occurred && run.run_type == Run::RT_Aggregate &&
                run.aggregate_name == "median")
                m_ms[run.run_name.function_name + argumentOf(run)] =
                    run.GetAdjustedRealTime();  // already in the benchmark's unit, ms
        ConsoleReporter::ReportRuns(runs);
    }
    void printRatio(const char* what, const std::string& ours, const std::string& other,
                    const char* target) const {
        const auto a = m_ms.find(ours), b = m_ms.find(other);
        if (a == m_ms.end() || b == m_ms.end()) return;
        std::printf("%-48s %7.1f ms vs %7.1f ms  ratio %5.2f  (%s)\n", what, a->second, b->second,
                    a->second / b->second, target);
    }

private:
    static std::string argumentOf(const Run& run) {
        return run.run_name.args.empty() ? "" : "/" + run.run_name.args;
    }
    std::map<std::string, double> m_ms;
};

}  // namespace

int main(int argc, char** argv) {
    QImageReader::setAllocationLimit(0);  // Qt's 256 MB default refuses 48-megapixel pictures
    benchmark::Initialize(&argc, argv);
    fixture();
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\nMedians, ours / other (lower is better)\n");
    reporter.printRatio("JPEG open: loadPicture / bare decode", "JpegOpen_LoadPicture",
                        "JpegOpen_BareTurboJpeg", "target <= 1.5");
    reporter.printRatio("JPEG open: loadPicture / QImageReader", "JpegOpen_LoadPicture",
                        "JpegOpen_QImageReader", "target <= 0.5");
    reporter.printRatio("JPEG save: saveJpeg / bare encode", "JpegSave_SaveJpeg",
                        "JpegSave_BareTurboJpeg", "target <= 1.5");
    reporter.printRatio("JPEG save: DCSavetoJPEG / bare encode", "JpegSave_DCSavetoJPEG",
                        "JpegSave_BareTurboJpeg", "target <= 1.5");
    reporter.printRatio("BMP open: loadPicture / QImage", "BmpOpen_LoadPicture", "BmpOpen_QImage",
                        "target <= 0.5");
    reporter.printRatio("BMP save: saveBmp / QImage::save", "BmpSave_SaveBmp", "BmpSave_QImage",
                        "target <= 0.5");
    reporter.printRatio("BMP save: saveBmp / QImage::save + fsync", "BmpSave_SaveBmp",
                        "BmpSave_QImageThenFsync", "information");
    benchmark::Shutdown();
    return 0;
}
