// Opening the registration list on a file with every slot used (ten entries each): the list reads
// the file once, in one pass, where reading it key by key (BM_ReadAllNames, the straightforward
// way) reads it a hundred times. On a file grown to 100 MB the one pass must stay under 2 s.

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <QApplication>
#include <algorithm>
#include <filesystem>
#include <fstream>

#include "core/RegistrationStore.h"
#include "core/cInifile.h"
#include "window/frmList.h"

namespace {

using namespace rimvista;

std::filesystem::path g_dir;

// Every slot used, ten entries each; names of `nameLength` characters.
std::string fullSettingsFile(std::size_t nameLength) {
    std::string text = "[Position]\nTop=600\nLeft=1200\nWidth=8115\nHeight=6090\n";
    for (int s = 1; s <= reg::kSlotCount; ++s) {
        std::string name = "登録名#" + std::to_string(s);
        name.resize(std::max(name.size(), nameLength), 'x');
        text += "[" + reg::sectionName(s) + "]\nDataNum=10\nListName=" + name + "\n";
        for (int j = 1; j <= 10; ++j) {
            text += reg::entryKey(j) + "=5,5,5,5," + std::to_string(6 * j) + ",30,10,40,1\n";
        }
    }
    return text;
}

void useSettings(std::size_t nameLength) {
    const auto path = g_dir / ("bench" + std::to_string(nameLength) + ".ini");
    if (!std::filesystem::exists(path)) {
        std::ofstream(path, std::ios::binary) << fullSettingsFile(nameLength);
    }
    Ini().FileName(path.string());
}

void BM_ReadAllNames(benchmark::State& state) {
    useSettings(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        for (int s = 1; s <= reg::kSlotCount; ++s)
            benchmark::DoNotOptimize(reg::readName(Ini(), s));
    }
}
BENCHMARK(BM_ReadAllNames)->Arg(0)->Arg(1000)->Unit(benchmark::kMillisecond);

// What 再生 does before the list shows: a fresh dialog, filled from the file.
void BM_OpenList(benchmark::State& state) {
    useSettings(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        frmList list(nullptr);
        benchmark::DoNotOptimize(list.List1);
    }
}
BENCHMARK(BM_OpenList)->Arg(0)->Arg(1000)->Unit(benchmark::kMillisecond);

// A settings file grown to 100 MB: every slot used, then filler sections of short entries.
void useHugeSettings() {
    const auto path = g_dir / "huge.ini";
    if (!std::filesystem::exists(path)) {
        std::ofstream out(path, std::ios::binary);
        out << fullSettingsFile(0);
        for (int i = 0; out.tellp() < std::streamoff(100) << 20; ++i) {
            out << "[Filler" << i << "]\n";
            for (int k = 0; k < 20; ++k) out << "key" << k << "=some value of a filler entry\n";
        }
    }
    Ini().FileName(path.string());
}

void BM_OpenListOnHugeFile(benchmark::State& state) {
    useHugeSettings();
    for (auto _ : state) {
        frmList list(nullptr);
        benchmark::DoNotOptimize(list.List1);
    }
}
BENCHMARK(BM_OpenListOnHugeFile)->Unit(benchmark::kMillisecond)->Iterations(3);

// Record's search for a free slot on a full file: 100 reads of "DataNum".
void BM_LowestFreeSlotOnFullFile(benchmark::State& state) {
    useSettings(0);
    for (auto _ : state) benchmark::DoNotOptimize(reg::lowestFreeSlot(Ini()));
}
BENCHMARK(BM_LowestFreeSlotOnFullFile)->Unit(benchmark::kMillisecond);

// The same as the window's Record does it: one pass for all hundred slots.
void BM_LowestFreeSlotInOnePass(benchmark::State& state) {
    useSettings(0);
    for (auto _ : state) benchmark::DoNotOptimize(reg::lowestFreeSlot(*reg::slotsSnapshot(Ini())));
}
BENCHMARK(BM_LowestFreeSlotInOnePass)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    std::string pattern = (std::filesystem::temp_directory_path() / "regbench-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) return 1;
    g_dir = pattern;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::filesystem::remove_all(g_dir);
    return 0;
}
