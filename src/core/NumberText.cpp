#include "core/NumberText.h"

#include <algorithm>
#include <cfenv>
#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

namespace rimvista::num {

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// A Japanese input method types full-width forms by default ("１２．５", "－３", the
// ideographic space); they mean the same number, so they are read as their ASCII forms.
std::string toAsciiForms(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto b0 = static_cast<unsigned char>(text[i]);
        if (b0 == 0xE3 && text.substr(i, 3) == "\xE3\x80\x80") {  // U+3000
            out += ' ';
            i += 2;
            continue;
        }
        if (b0 == 0xEF && i + 2 < text.size()) {
            const auto b1 = static_cast<unsigned char>(text[i + 1]);
            const auto b2 = static_cast<unsigned char>(text[i + 2]);
            // U+FF01..U+FF5E are the full-width forms of U+0021..U+007E.
            const unsigned cp = 0xF000u | ((b1 & 0x3Fu) << 6) | (b2 & 0x3Fu);
            if ((b1 & 0xC0u) == 0x80u && (b2 & 0xC0u) == 0x80u && cp >= 0xFF01u && cp <= 0xFF5Eu) {
                const char ascii = static_cast<char>(cp - 0xFF01u + 0x21u);
                if (isDigit(ascii) || ascii == '+' || ascii == '-' || ascii == '.' ||
                    ascii == 'e' || ascii == 'E') {
                    out += ascii;
                    i += 2;
                    continue;
                }
            }
        }
        out += text[i];
    }
    return out;
}

// The decimal order of a well-formed body (digits, optional point, optional exponent): how far
// the first significant digit stands left of the point. Only used to tell underflow from
// overflow, so a saturated exponent is fine.
long long decimalOrder(std::string_view body) {
    long long order = 0;
    bool seenPoint = false, seenSignificant = false;
    std::size_t p = 0;
    for (; p < body.size() && body[p] != 'e'; ++p) {
        const char c = body[p];
        if (c == '.') {
            seenPoint = true;
        } else if (isDigit(c)) {
            if (!seenSignificant && c != '0') seenSignificant = true;
            if (seenSignificant && !seenPoint) ++order;
            if (!seenSignificant && seenPoint) --order;
        }
    }
    long long exponent = 0;
    if (p < body.size()) {
        std::string_view e = body.substr(p + 1);
        const bool negative = !e.empty() && e.front() == '-';
        if (!e.empty() && (e.front() == '-' || e.front() == '+')) e.remove_prefix(1);
        for (const char c : e) exponent = std::min(exponent * 10 + (c - '0'), 1000000LL);
        if (negative) exponent = -exponent;
    }
    return order + exponent;
}

}  // namespace

double nearest(double v) {
    // nearbyint honours the current rounding mode; the program never changes it from
    // round-to-nearest-even, but be explicit rather than rely on that.
    if (std::fegetround() != FE_TONEAREST) std::fesetround(FE_TONEAREST);
    return std::nearbyint(v);
}

std::optional<double> parseNumber(std::string_view original) {
    const std::string ascii = toAsciiForms(original);
    const std::string_view text = ascii;
    std::size_t i = 0;
    const std::size_t n = text.size();
    while (i < n && isBlank(text[i])) ++i;
    std::size_t end = n;
    while (end > i && isBlank(text[end - 1])) --end;
    if (i == end) return std::nullopt;

    bool negative = false;
    std::string body;
    body.reserve(end - i);
    std::size_t p = i;
    if (text[p] == '+' || text[p] == '-') negative = text[p++] == '-';
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

    // from_chars, unlike strtod, never follows the user's locale (a German locale would
    // otherwise read "2.5" as 2 and stop).
    double v = 0;
    const auto [stop, ec] = std::from_chars(body.data(), body.data() + body.size(), v);
    if (ec == std::errc::result_out_of_range) {
        if (decimalOrder(body) > 0) return std::nullopt;  // beyond the double range
        v = 0;                                            // too small: zero, as strtod gives
    } else if (ec != std::errc() || stop != body.data() + body.size()) {
        return std::nullopt;
    }
    if (!std::isfinite(v)) return std::nullopt;
    return negative ? -v : v;
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
    // then spell that value out without an exponent. to_chars keeps the decimal point a point
    // whatever the locale.
    char sci[32];
    auto res = std::to_chars(sci, sci + sizeof sci, static_cast<double>(v),
                             std::chars_format::scientific, 6);
    double rounded = 0;
    std::from_chars(sci, res.ptr, rounded);
    const int exponent = static_cast<int>(std::floor(std::log10(std::fabs(rounded))));
    const int decimals = std::max(0, 6 - exponent);
    char buf[64];
    res = std::to_chars(buf, buf + sizeof buf, rounded, std::chars_format::fixed, decimals);
    std::string s(buf, res.ptr);
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
