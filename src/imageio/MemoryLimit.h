#pragma once
// The memory limits of the control groups a process runs in. A container or a desktop session
// slice may allow far less than the machine has free, and going past its limit gets the program
// killed with whatever the user had not saved.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string_view>

namespace rimvista::files {

// What the process may still take before the tightest limit of its groups (its own group and
// every group above it) is reached: the limit less the memory charged that cannot be dropped
// (inactive file cache can). nullopt when no group has a limit or none can be read.
// `cgroupRoot` is where the hierarchies are mounted (/sys/fs/cgroup), `selfCgroup` the text of
// /proc/self/cgroup; both version 2 and version 1 (memory controller) layouts are read.
std::optional<std::uint64_t> cgroupHeadroom(const std::filesystem::path& cgroupRoot,
                                            std::string_view selfCgroup);

// The same for this process.
std::optional<std::uint64_t> cgroupHeadroom();

}  // namespace rimvista::files
