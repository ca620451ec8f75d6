#pragma once
// What the options of the table in BatchOptions.cpp do with their values. Each setter returns
// the usage error in the user's language, empty when the value is accepted.

#include <optional>
#include <string>
#include <string_view>

#include "batch/BatchOptions.h"

namespace rimvista::batch::setters {

// A whole number within [lo, hi] into out; false, out untouched, for anything else.
bool readRange(std::string_view text, long long lo, long long hi, long long& out);
std::string rangeError(std::string_view option, long long lo, long long hi);

// Reads a whole number within [lo, hi] into field, or says why not.
template <typename T>
std::string setNumber(std::optional<T>& field, std::string_view option, const std::string& v,
                      long long lo, long long hi) {
    long long n = 0;
    if (!readRange(v, lo, hi, n)) return rangeError(option, lo, hi);
    field = static_cast<T>(n);
    return {};
}

// A switch: sets its flag, takes no value.
template <bool BatchOptions::*flag>
std::string setFlag(BatchOptions& o, const std::string&) {
    o.*flag = true;
    return {};
}

// A text value kept as given.
template <std::optional<std::string> BatchOptions::*field>
std::string setText(BatchOptions& o, const std::string& v) {
    o.*field = v;
    return {};
}

std::string setFrame(BatchOptions& o, const std::string& v);
std::string setRegistration(BatchOptions& o, const std::string& v);
std::string setOutput(BatchOptions& o, const std::string& v);
std::string setFormat(BatchOptions& o, const std::string& v);
std::string setFilesFrom(BatchOptions& o, const std::string& v);
std::string setSuffix(BatchOptions& o, const std::string& v);
std::string setShard(BatchOptions& o, const std::string& v);
std::string setSampleSize(BatchOptions& o, const std::string& v);

}  // namespace rimvista::batch::setters
