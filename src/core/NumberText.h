#pragma once
// Number text and rounding shared by every subsystem: the program reads numbers typed by people
// and stored in the settings file, and every conversion must round and overflow the same way.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace rimvista::num {

// Nearest integer with exact halves going to the even neighbour (2.5 -> 2, 3.5 -> 4, -0.5 -> -0).
double nearest(double v);

// The number syntax: optional blanks, optional sign, digits with an optional decimal point and
// fraction (at least one digit in all), an optional exponent (e or E, optional sign, digits),
// optional blanks. Empty or blank text is not a number. Infinite results are not numbers.
std::optional<double> parseNumber(std::string_view text);
inline bool isNumber(std::string_view text) {
    return parseNumber(text).has_value();
}

// 16-bit conversion: rounds ties to even, fails outside -32768..32767 (after rounding).
std::optional<std::int16_t> toInt16(double v);
std::optional<std::int16_t> parseInt16(std::string_view text);

// 32-bit float conversion of a number text; fails when the value does not fit a float.
std::optional<float> parseSingle(std::string_view text);

// Sums and differences of 16-bit values, failing where the 16-bit result would overflow.
std::optional<std::int16_t> add16(std::int32_t a, std::int32_t b);

// Plain decimal text: a minus sign for negatives, no blanks, no plus sign.
std::string formatInt(long long v);

// A 32-bit float as plain decimal text with at most seven significant digits, no trailing zeros,
// no exponent and no decimal point for whole numbers (8115 -> "8115", 0.1f -> "0.1").
std::string formatSingle(float v);

// Fixed-width decimal with leading zeros, as slot and entry keys use ("ListData007", "Data03").
std::string zeroPad(int v, int digits);

}  // namespace rimvista::num
