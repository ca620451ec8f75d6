#include <iconv.h>

#include <cerrno>
#include <cstdint>
#include <utility>

#include "core/IniText.h"

namespace rimvista::ini {

namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

bool isContinuation(unsigned char c) {
    return (c & 0xC0) == 0x80;
}

// Length of the valid UTF-8 sequence at s[i], or 0. Rejects overlong forms, surrogates and code
// points past U+10FFFF, so that only text a UTF-8 writer could have produced passes.
std::size_t sequenceLength(std::string_view s, std::size_t i) {
    const auto c0 = static_cast<unsigned char>(s[i]);
    if (c0 < 0x80) return 1;
    std::size_t len = 0;
    unsigned char lo = 0x80, hi = 0xBF;
    if (c0 >= 0xC2 && c0 <= 0xDF) {
        len = 2;
    } else if (c0 >= 0xE0 && c0 <= 0xEF) {
        len = 3;
        if (c0 == 0xE0) lo = 0xA0;
        if (c0 == 0xED) hi = 0x9F;
    } else if (c0 >= 0xF0 && c0 <= 0xF4) {
        len = 4;
        if (c0 == 0xF0) lo = 0x90;
        if (c0 == 0xF4) hi = 0x8F;
    } else {
        return 0;
    }
    if (s.size() - i < len) return 0;
    const auto c1 = static_cast<unsigned char>(s[i + 1]);
    if (c1 < lo || c1 > hi) return 0;
    for (std::size_t k = 2; k < len; ++k) {
        if (!isContinuation(static_cast<unsigned char>(s[i + k]))) return 0;
    }
    return len;
}

std::string fromCodePage932(std::string_view bytes) {
    std::string out;
    iconv_t cd = iconv_open("UTF-8", "CP932");
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        // No converter: keep the ASCII and mark the rest, rather than fail the read.
        for (char c : bytes) {
            if (static_cast<unsigned char>(c) < 0x80)
                out += c;
            else
                out += kReplacement;
        }
        return out;
    }
    out.resize(bytes.size() * 2 + 16);
    char* in = const_cast<char*>(bytes.data());
    std::size_t inLeft = bytes.size();
    std::size_t used = 0;
    while (inLeft > 0) {
        char* dst = out.data() + used;
        std::size_t outLeft = out.size() - used;
        const std::size_t r = iconv(cd, &in, &inLeft, &dst, &outLeft);
        used = out.size() - outLeft;
        if (r != static_cast<std::size_t>(-1)) break;
        if (errno == E2BIG) {
            out.resize(out.size() * 2);
        } else {
            // An invalid or truncated sequence: mark one byte and carry on with the next.
            out.resize(used);
            out += kReplacement;
            used = out.size();
            out.resize(used + inLeft * 2 + 16);
            ++in;
            --inLeft;
        }
    }
    iconv_close(cd);
    out.resize(used);
    return out;
}

}  // namespace

bool isValidUtf8(std::string_view bytes) {
    std::size_t i = 0;
    while (i < bytes.size()) {
        if (static_cast<unsigned char>(bytes[i]) < 0x80) {
            ++i;
            continue;
        }
        const std::size_t len = sequenceLength(bytes, i);
        if (len == 0) return false;
        i += len;
    }
    return true;
}

DecodedText decodeFileText(std::string bytes) {
    if (isValidUtf8(bytes)) return {std::move(bytes), false};
    // Decided line by line: the old program may have appended Shift-JIS lines to a file that is
    // otherwise UTF-8, and one such line must not garble every UTF-8 name around it.
    DecodedText decoded{{}, true};
    decoded.utf8.reserve(bytes.size() + bytes.size() / 2);
    const std::string_view all = bytes;
    std::size_t start = 0;
    while (start < all.size()) {
        const std::size_t lf = all.find('\n', start);
        const std::size_t end = lf == std::string_view::npos ? all.size() : lf + 1;
        const std::string_view line = all.substr(start, end - start);
        if (isValidUtf8(line))
            decoded.utf8 += line;
        else
            decoded.utf8 += fromCodePage932(line);
        start = end;
    }
    return decoded;
}

std::string_view cutUtf8(std::string_view text, std::size_t maxBytes) {
    if (text.size() <= maxBytes) return text;
    std::size_t end = maxBytes;
    while (end > 0 && isContinuation(static_cast<unsigned char>(text[end]))) --end;
    return text.substr(0, end);
}

}  // namespace rimvista::ini
