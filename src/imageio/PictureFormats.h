#pragma once
// Which writer a file name selects: the last three characters, in any letter case.

#include <string>

namespace rimvista::files {

enum class SaveFormat { Bmp, Jpg, Unknown };

// "bmp" -> Bmp, "jpg" -> Jpg, anything else (".jpeg" included, which ends in "peg") -> Unknown.
SaveFormat saveFormatOf(const std::string& path);

// Last three characters lower-cased (fewer when the name is shorter); ASCII only, so a
// multi-byte name ending never matches by accident.
std::string lastThreeLower(const std::string& path);

}  // namespace rimvista::files
