// Every fuzz target on its seeds and on the inputs kept from fuzzing: each must come back, within
// a few seconds, with every promise its target checks kept (a broken one aborts the run).
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "FuzzSeeds.h"
#include "FuzzTarget.h"

RIMVISTA_FUZZ_TARGET(fuzzBmp);
RIMVISTA_FUZZ_TARGET(fuzzJpeg);
RIMVISTA_FUZZ_TARGET(fuzzPng);
RIMVISTA_FUZZ_TARGET(fuzzProbe);
RIMVISTA_FUZZ_TARGET(fuzzSettings);
RIMVISTA_FUZZ_TARGET(fuzzRegistration);
RIMVISTA_FUZZ_TARGET(fuzzBatchOptions);

namespace rimvista::fuzz {
namespace {

namespace fs = std::filesystem;

struct Target {
    const char* name;  // the folder of its seeds and kept inputs
    int (*run)(const std::uint8_t*, std::size_t);
};

void PrintTo(const Target& t, std::ostream* os) {
    *os << t.name;
}

class FuzzReplay : public ::testing::TestWithParam<Target> {
protected:
    static void SetUpTestSuite() {
        s_seeds = fs::temp_directory_path() / ("fuzz-seeds-" + std::to_string(::getpid()));
        writeSeeds(RIMVISTA_SOURCE_DIR, s_seeds);
    }
    static void TearDownTestSuite() { fs::remove_all(s_seeds); }

    // Runs every file of the folder; the number run.
    static int replay(const fs::path& folder, const Target& target) {
        int count = 0;
        if (!fs::is_directory(folder)) return 0;
        for (const auto& entry : fs::directory_iterator(folder)) {
            std::ifstream in(entry.path(), std::ios::binary);
            const std::vector<std::uint8_t> bytes(std::istreambuf_iterator<char>(in), {});
            const auto started = std::chrono::steady_clock::now();
            target.run(bytes.data(), bytes.size());
            EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(10))
                << entry.path();
            ++count;
        }
        return count;
    }

    static inline fs::path s_seeds;
};

TEST_P(FuzzReplay, SeedsAndKeptInputsRunCleanly) {
    const Target& target = GetParam();
    EXPECT_GT(replay(s_seeds / target.name, target), 0) << "no seeds for " << target.name;
    const int kept = replay(fs::path(RIMVISTA_KEPT_INPUTS) / target.name, target);
    RecordProperty("kept_inputs", kept);
}

INSTANTIATE_TEST_SUITE_P(Targets, FuzzReplay,
                         ::testing::Values(Target{"bmp", fuzzBmp}, Target{"jpeg", fuzzJpeg},
                                           Target{"png", fuzzPng}, Target{"probe", fuzzProbe},
                                           Target{"settings", fuzzSettings},
                                           Target{"registration", fuzzRegistration},
                                           Target{"batch_options", fuzzBatchOptions}),
                         [](const auto& test) { return std::string(test.param.name); });

}  // namespace
}  // namespace rimvista::fuzz
