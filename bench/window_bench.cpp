// Execute as the user feels it on a 48-megapixel picture: from the press of 実行 to the
// repainted window, at 100 % and fitted, beside the straightforward fitted redraw that scales
// the whole picture on every paint.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QPainter>
#include <QPushButton>
#include <QTemporaryDir>
#include <memory>

#include "window/FrmMain.h"
#include "window/PictureBox.h"

namespace {

using rimvista::FrmMain;

constexpr int kWidth = 8000, kHeight = 6000;  // 48 megapixels

rimvista::PixelSurface photo() {
    rimvista::PixelSurface s(kWidth, kHeight);
    for (int y = 0; y < kHeight; ++y) {
        rimvista::Pixel* row = s.row(y);
        for (int x = 0; x < kWidth; ++x)
            row[x] = {std::uint8_t(x), std::uint8_t(y), std::uint8_t(x ^ y), 0};
    }
    return s;
}

struct Window {
    QTemporaryDir dir;
    std::unique_ptr<FrmMain> w;
    explicit Window(double zoom) {
        rimvista::FrmMainOptions o;
        o.settingsFile = dir.filePath("rimvista.ini");
        w = std::make_unique<FrmMain>(o);
        w->resize(1200, 900);
        w->show();
        w->pictureLoaded(photo());
        w->setZoom(zoom);
        QApplication::processEvents();
        w->repaint();
    }
};

// Press 実行 and let every repaint it caused happen; Undo (untimed) keeps the history short.
void executeToRepaint(benchmark::State& state, double zoom) {
    Window win(zoom);
    FrmMain& w = *win.w;
    for (auto _ : state) {
        w.cmdMeji->click();
        QApplication::processEvents();
        state.PauseTiming();
        w.cmdUndo->click();
        QApplication::processEvents();
        state.ResumeTiming();
    }
}

void BM_ExecuteToRepaint_100(benchmark::State& state) {
    executeToRepaint(state, 1.0);
}
void BM_ExecuteToRepaint_Fitted(benchmark::State& state) {
    executeToRepaint(state, 0);
}

// Repainting the whole fitted picture after Execute: from the reduced copy.
void BM_FittedRedraw(benchmark::State& state) {
    Window win(0);
    FrmMain& w = *win.w;
    w.cmdMeji->click();
    for (auto _ : state) w.Picture1->repaint();
}

// The straightforward way: scale the whole 48-megapixel picture, smoothed, on each paint.
void BM_FittedRedraw_ScaledEachTime(benchmark::State& state) {
    Window win(0);
    FrmMain& w = *win.w;
    const rimvista::PixelSurface& s = w.Picture1->picture();
    const QImage view(s.bits(), s.width(), s.height(), qsizetype(s.bytesPerLine()),
                      QImage::Format_RGB32);
    QImage target(w.Picture1->size(), QImage::Format_RGB32);
    for (auto _ : state) {
        QPainter p(&target);
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        p.drawImage(target.rect(), view);
    }
}

BENCHMARK(BM_ExecuteToRepaint_100)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_ExecuteToRepaint_Fitted)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_FittedRedraw)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FittedRedraw_ScaledEachTime)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
