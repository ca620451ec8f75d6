#pragma once
// The starting corpus of every fuzz target, made by the project itself.

#include <filesystem>

namespace rimvista::fuzz {

// Writes folder/<target>/ for each target; sourceDir is the repository (for tests/data).
void writeSeeds(const std::filesystem::path& sourceDir, const std::filesystem::path& folder);

}  // namespace rimvista::fuzz
