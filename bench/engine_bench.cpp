// Frame engine timings: the view-based engine against the plain approach of copying the whole
// picture into an array and back for every frame and keeping a whole copy for Undo.

#include <benchmark/benchmark.h>

#include <cstring>
#include <map>
#include <memory>
#include <utility>

#include "ReferenceFrame.h"
#include "core/FrameCommand.h"
#include "core/FrameRenderer.h"
#include "core/UndoSnapshot.h"

namespace {

using namespace rimvista;

class BenchPicture : public PictureTarget {
public:
    BenchPicture(int width, int height) : m_surface(width, height) {
        for (std::size_t i = 0; i < m_surface.byteCount(); ++i)
            m_surface.bits()[i] = static_cast<std::uint8_t>(i * 2654435761u >> 24);
    }
    PixelSurface* surface() override { return &m_surface; }
    void surfaceChanged(const PixelRect&) override {}

private:
    PixelSurface m_surface;
};

// Pictures live for the whole run: allocating 400 MB per benchmark would swamp the timings.
BenchPicture& picture(int width, int height) {
    static std::map<std::pair<int, int>, std::unique_ptr<BenchPicture>> pictures;
    auto& p = pictures[{width, height}];
    if (!p) p = std::make_unique<BenchPicture>(width, height);
    return *p;
}

FrameParams widths5() {
    FrameParams p;
    p.W = {5, 5, 5, 5};
    return p;
}

void pictureCounters(benchmark::State& state, const PixelSurface& s) {
    state.counters["picture_bytes"] = static_cast<double>(s.byteCount());
}

void BM_DrawFrame(benchmark::State& state) {
    BenchPicture& pic = picture(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    for (auto _ : state) benchmark::DoNotOptimize(DrawFrame(pic, 5, 5, 5, 5, 0, 0, 0, 0, 1.0f));
}

void BM_Execute(benchmark::State& state) {
    BenchPicture& pic = picture(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    std::size_t snapshotBytes = 0;
    for (auto _ : state) {
        auto undo = applyFrame(pic, widths5());
        snapshotBytes = undo ? undo->byteCount() : 0;
        benchmark::DoNotOptimize(undo);
    }
    pictureCounters(state, *pic.surface());
    state.counters["extra_bytes"] = static_cast<double>(snapshotBytes);
    state.counters["extra_percent"] = 100.0 * static_cast<double>(snapshotBytes) /
                                      static_cast<double>(pic.surface()->byteCount());
}

void BM_Undo(benchmark::State& state) {
    BenchPicture& pic = picture(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    const auto undo = applyFrame(pic, widths5());
    if (!undo) {
        state.SkipWithError("no snapshot");
        return;
    }
    for (auto _ : state) benchmark::DoNotOptimize(undo->restore(pic));
}

void BM_PlainDrawFrame(benchmark::State& state) {
    BenchPicture& pic = picture(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    for (auto _ : state) test::referenceDrawFrame(*pic.surface(), {5, 5, 5, 5, 0, 0, 0, 0, 1.0f});
}

void BM_PlainExecute(benchmark::State& state) {
    BenchPicture& pic = picture(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    for (auto _ : state) {
        PixelSurface undo = pic.surface()->clone();
        test::referenceDrawFrame(*pic.surface(), {5, 5, 5, 5, 0, 0, 0, 0, 1.0f});
        benchmark::DoNotOptimize(undo.bits());
    }
    pictureCounters(state, *pic.surface());
    state.counters["extra_percent"] = 100.0;
}

void BM_PlainUndo(benchmark::State& state) {
    BenchPicture& pic = picture(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    const PixelSurface undo = pic.surface()->clone();
    for (auto _ : state) {
        std::memcpy(pic.surface()->bits(), undo.bits(), undo.byteCount());
        benchmark::ClobberMemory();
    }
}

void sizes(benchmark::internal::Benchmark* b) {
    b->Args({640, 480})->Args({10000, 10000})->Unit(benchmark::kMillisecond);
}

BENCHMARK(BM_DrawFrame)->Apply(sizes);
BENCHMARK(BM_Execute)->Apply(sizes);
BENCHMARK(BM_Undo)->Apply(sizes);
BENCHMARK(BM_PlainDrawFrame)->Apply(sizes);
BENCHMARK(BM_PlainExecute)->Apply(sizes);
BENCHMARK(BM_PlainUndo)->Apply(sizes);

}  // namespace

BENCHMARK_MAIN();
