#pragma once
// The system's error numbers (errno) in words, for the front ends that word an Error. English
// comes from the C library; Japanese from our own table, so that a Japanese message carries no
// English whatever language packs the system has.

#include <string>

namespace rimvista {

std::string systemErrorText(int error, bool japanese);

}  // namespace rimvista
