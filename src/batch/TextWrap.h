#pragma once
// Lines of text for a terminal, in English or Japanese: widths counted in terminal columns (a
// Japanese character takes two), lines broken at blanks or between Japanese characters.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace rimvista::batch {

// Terminal columns of UTF-8 text.
std::size_t displayWidth(std::string_view text);

// text broken into lines of at most width columns; a word longer than that gets a line of its
// own. The blanks a line is broken at are dropped.
std::vector<std::string> wrapText(std::string_view text, std::size_t width);

}  // namespace rimvista::batch
