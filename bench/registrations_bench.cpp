// Opening the registration list reads the settings file once per slot: 100 whole-file reads on a
// file with every slot used (ten entries each). The list must still open in well under 50 ms.

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

// Record's search for a free slot on a full file: 100 reads of "DataNum".
void BM_LowestFreeSlotOnFullFile(benchmark::State& state) {
    useSettings(0);
    for (auto _ : state) benchmark::DoNotOptimize(reg::lowestFreeSlot(Ini()));
}
BENCHMARK(BM_LowestFreeSlotOnFullFile)->Unit(benchmark::kMillisecond);

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
