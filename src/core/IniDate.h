#pragma once
// Date text in the settings file: local date and time, "2024-05-01 13:45:00" when written;
// read in the common forms "2024-05-01", "2024/05/01", either followed by " 13:45" or
// " 13:45:00" (a 'T' may stand for the blank).

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace rimvista::ini {

std::optional<std::chrono::system_clock::time_point> parseDateText(std::string_view text);

// Whole seconds: a fraction of a second does not survive the text.
std::string formatDateText(std::chrono::system_clock::time_point when);

}  // namespace rimvista::ini
