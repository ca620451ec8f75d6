// The headroom left under control-group memory limits, read from a made-up hierarchy.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <string>

#include "imageio/MemoryLimit.h"

namespace rimvista::files {
namespace {

namespace fs = std::filesystem;

constexpr std::uint64_t MB = std::uint64_t{1} << 20;

struct Case {
    const char* name;
    std::map<std::string, std::string> files;  // relative to the mount root
    const char* selfCgroup;
    std::optional<std::uint64_t> expected;
};

TEST(MemoryLimit, TightestGroupLimitLessWhatCannotBeDroppedIsTheHeadroom) {
    const std::string v1NoLimit = "9223372036854771712";
    const Case cases[] = {
        {"v2 leaf limit, inactive cache counts as free",
         {{"user.slice/app/memory.max", "1073741824\n"},
          {"user.slice/app/memory.current", "524288000\n"},
          {"user.slice/app/memory.stat", "anon 1\ninactive_file 104857600\nactive_file 3\n"}},
         "0::/user.slice/app\n",
         1024 * MB - 400 * MB},
        {"v2 parent tighter than an unlimited leaf",
         {{"memory.max", "max\n"},
          {"user.slice/memory.max", "314572800\n"},
          {"user.slice/memory.current", "104857600\n"},
          {"user.slice/app/memory.max", "max\n"},
          {"user.slice/app/memory.current", "5\n"}},
         "0::/user.slice/app\n",
         200 * MB},
        {"v2 over its limit",
         {{"g/memory.max", "100\n"}, {"g/memory.current", "900\n"}},
         "0::/g\n",
         0},
        {"v2 in the hybrid layout's unified mount",
         {{"unified/g/memory.max", "2097152\n"}, {"unified/g/memory.current", "1048576\n"}},
         "1:cpu:/\n0::/g\n",
         1 * MB},
        {"v1 memory controller among others",
         {{"memory/docker/abc/memory.limit_in_bytes", "536870912\n"},
          {"memory/docker/abc/memory.usage_in_bytes", "268435456\n"},
          {"memory/docker/abc/memory.stat", "inactive_file 1\ntotal_inactive_file 134217728\n"}},
         "5:cpuacct,cpu:/docker/abc\n4:blkio,memory:/docker/abc\n0::/\n",
         384 * MB},
        {"v1 without a limit",
         {{"memory/g/memory.limit_in_bytes", v1NoLimit},
          {"memory/g/memory.usage_in_bytes", "1000"}},
         "4:memory:/g\n",
         std::nullopt},
        {"nothing readable, or a path leaving the mount",
         {{"memory.max", "1048576\n"}},
         "garbage\n0::/../../etc\n",
         std::nullopt},
    };
    const fs::path root =
        fs::temp_directory_path() / ("rimvista-cgroup-" + std::to_string(::getpid()));
    for (const Case& c : cases) {
        fs::remove_all(root);
        for (const auto& [name, text] : c.files) {
            fs::create_directories((root / name).parent_path());
            std::ofstream(root / name) << text;
        }
        EXPECT_EQ(cgroupHeadroom(root, c.selfCgroup), c.expected) << c.name;
    }
    fs::remove_all(root);
}

}  // namespace
}  // namespace rimvista::files
