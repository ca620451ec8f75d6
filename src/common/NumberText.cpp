#include "common/NumberText.h"

#include <cfenv>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

namespace rimvista::num {

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

}  // namespace

double nearest(double v) {
    // nearbyint honours the current rounding mode; the program never changes it from
    // round-to-nearest-even, but be explicit rather than rely on that.
    if (std::fegetround() != FE_TONEAREST) std::fesetround(FE_TONEAREST);
    return std::nearbyint(v);
}

std::optional<double> parseNumber(std::string_view text) {
    std::size_t i = 0;
    const std::size_t n = text.size();
    while (i < n && isBlank(text[i])) ++i;
    std::size_t end = n;
    while (end > i && isBlank(text[end - 1])) --end;
    if (i == end) return std::nullopt;

    std::string body;
    body.reserve(end - i);
    std::size_t p = i;
    if (text[p] == '+' || text[p] == '-') body += text[p++];
    std::size_t digits = 0;
    while (p < end && isDigit(text[p])) body += text[p++], ++digits;
    if (p < end && text[p] == '.') {
        body += text[p++];
        while (p < end && isDigit(text[p])) body += text[p++], ++digits;
    }
    if (digits == 0) return std::nullopt;
    if (p < end && (text[p] == 'e' || text[p] == 'E')) {
        body += 'e';
        ++p;
        if (p < end && (text[p] == '+' || text[p] == '-')) body += text[p++];
        std::size_t expDigits = 0;
        while (p < end && isDigit(text[p])) body += text[p++], ++expDigits;
        if (expDigits == 0) return std::nullopt;
    }
    if (p != end) return std::nullopt;

    // strtod accepts exactly this syntax (and more, which was excluded above); it is
    // locale-dependent only in the decimal point, and the program never sets a C locale.
    char* stop = nullptr;
    const double v = std::strtod(body.c_str(), &stop);
    if (stop != body.c_str() + body.size() || !std::isfinite(v)) return std::nullopt;
    return v;
}

std::optional<std::int16_t> toInt16(double v) {
    if (!std::isfinite(v)) return std::nullopt;
    const double r = nearest(v);
    if (r < -32768.0 || r > 32767.0) return std::nullopt;
    return static_cast<std::int16_t>(r);
}

std::optional<std::int16_t> parseInt16(std::string_view text) {
    const auto v = parseNumber(text);
    if (!v) return std::nullopt;
    return toInt16(*v);
}

std::optional<float> parseSingle(std::string_view text) {
    const auto v = parseNumber(text);
    if (!v) return std::nullopt;
    // Converting a double beyond the float range is undefined, so test the range first; the
    // largest float itself still rounds to a finite value.
    if (std::fabs(*v) > static_cast<double>(std::numeric_limits<float>::max())) return std::nullopt;
    return static_cast<float>(*v);
}

std::optional<std::int16_t> add16(std::int32_t a, std::int32_t b) {
    const std::int64_t s = static_cast<std::int64_t>(a) + b;
    if (s < -32768 || s > 32767) return std::nullopt;
    return static_cast<std::int16_t>(s);
}

std::string formatInt(long long v) {
    char buf[32];
    const auto res = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, res.ptr);
}

std::string formatSingle(float v) {
    if (std::isnan(v)) return "NaN";
    if (std::isinf(v)) return v < 0 ? "-Infinity" : "Infinity";
    if (v == 0.0f) return "0";
    // Seven significant digits first, in exponent form, so the rounding is the float's own;
    // then spell that value out without an exponent.
    char sci[32];
    std::snprintf(sci, sizeof sci, "%.6e", static_cast<double>(v));
    const double rounded = std::strtod(sci, nullptr);
    const int exponent = static_cast<int>(std::floor(std::log10(std::fabs(rounded))));
    const int decimals = std::max(0, 6 - exponent);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, rounded);
    std::string s(buf);
    if (s.find('.') != std::string::npos) {
        while (s.back() == '0') s.pop_back();
        if (s.back() == '.') s.pop_back();
    }
    if (s == "-0") s = "0";
    return s;
}

std::string zeroPad(int v, int digits) {
    std::string s = formatInt(v < 0 ? -static_cast<long long>(v) : v);
    if (static_cast<int>(s.size()) < digits)
        s.insert(0, static_cast<std::size_t>(digits) - s.size(), '0');
    return v < 0 ? "-" + s : s;
}

}  // namespace rimvista::num
