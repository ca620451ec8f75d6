#include <iconv.h>

#include <cerrno>
#include <cstdint>
#include <memory>
#include <utility>

#include "core/IniText.h"

namespace rimvista::ini {

namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";
constexpr std::string_view kBom = "\xEF\xBB\xBF";
constexpr std::size_t kRunBytes = 1 << 20;

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

bool isAscii(std::string_view s) {
    for (char c : s) {
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    }
    return true;
}

// Well-formed code page 932: single bytes 00-7F and A1-DF (half-width katakana), or a lead byte
// 81-9F or E0-FC followed by a trail byte 40-7E or 80-FC. Whether the pair is assigned is left to
// the converter.
bool isCodePage932(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size()) {
        const auto c = static_cast<unsigned char>(s[i]);
        if (c < 0x80 || (c >= 0xA1 && c <= 0xDF)) {
            ++i;
            continue;
        }
        if (!((c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC)) || i + 1 == s.size())
            return false;
        const auto t = static_cast<unsigned char>(s[i + 1]);
        if (!((t >= 0x40 && t <= 0x7E) || (t >= 0x80 && t <= 0xFC))) return false;
        i += 2;
    }
    return true;
}

// One converter for the whole file: opening one costs far more than converting a line.
class Cp932ToUtf8 {
public:
    Cp932ToUtf8() : m_cd(iconv_open("UTF-8", "CP932")) {}
    ~Cp932ToUtf8() {
        if (ready()) iconv_close(m_cd);
    }
    Cp932ToUtf8(const Cp932ToUtf8&) = delete;
    Cp932ToUtf8& operator=(const Cp932ToUtf8&) = delete;

    // Appends the UTF-8 form of the bytes; false, with `out` as it was, when some sequence has
    // none (or there is no converter), so that such a line can keep its bytes instead.
    bool append(std::string_view bytes, std::string& out) {
        if (!ready()) return false;
        iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
        // Each byte gives at most three; the scratch space is reused, never cleared again.
        if (m_scratch.size() < bytes.size() * 3 + 4) m_scratch.resize(bytes.size() * 3 + 4);
        char* in = const_cast<char*>(bytes.data());
        std::size_t inLeft = bytes.size();
        char* dst = m_scratch.data();
        std::size_t outLeft = m_scratch.size();
        const std::size_t r = iconv(m_cd, &in, &inLeft, &dst, &outLeft);
        if (r == static_cast<std::size_t>(-1) || inLeft != 0) return false;
        out.append(m_scratch.data(), m_scratch.size() - outLeft);
        return true;
    }

private:
    bool ready() const { return m_cd != reinterpret_cast<iconv_t>(-1); }
    iconv_t m_cd;
    std::string m_scratch;
};

// Calls `each` with every line of the bytes, its LF included.
template <class Each>
void forEachLine(std::string_view all, Each each) {
    std::size_t start = 0;
    while (start < all.size()) {
        const std::size_t lf = all.find('\n', start);
        const std::size_t end = lf == std::string_view::npos ? all.size() : lf + 1;
        each(all.substr(start, end - start));
        start = end;
    }
}

// Which encoding the lines that can be told apart show: the old program's code page when more
// of them are only that than only UTF-8. A byte order mark says UTF-8 outright.
bool leansToCodePage932(std::string_view all) {
    if (all.substr(0, kBom.size()) == kBom) return false;
    std::size_t utf8Only = 0, cp932Only = 0;
    forEachLine(all, [&](std::string_view line) {
        if (isAscii(line)) return;
        const bool utf8 = isValidUtf8(line), cp932 = isCodePage932(line);
        utf8Only += utf8 && !cp932;
        cp932Only += cp932 && !utf8;
    });
    return cp932Only > utf8Only;
}

// Whether decodeFileText converts the (non-ASCII) line from the old program's code page.
bool convertsLine(std::string_view line, bool legacy) {
    return isCodePage932(line) && (legacy || !isValidUtf8(line));
}

}  // namespace

struct LineDecoder::Converter : Cp932ToUtf8 {};

LineDecoder::LineDecoder(std::string_view file)
    : m_converter(std::make_unique<Converter>()), m_legacy(leansToCodePage932(file)) {}

LineDecoder::~LineDecoder() = default;

std::string LineDecoder::decode(std::string_view line) const {
    std::string out;
    if (isAscii(line) || !convertsLine(line, m_legacy) || !m_converter->append(line, out))
        out = line;
    return out;
}

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

std::string toValidUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    std::size_t i = 0;
    while (i < bytes.size()) {
        const std::size_t len = sequenceLength(bytes, i);
        if (len == 0) {
            out += kReplacement;
            ++i;
        } else {
            out += bytes.substr(i, len);
            i += len;
        }
    }
    return out;
}

DecodedText decodeFileText(std::string bytes) {
    if (isValidUtf8(bytes)) return {std::move(bytes), false};
    // Decided line by line: the old program may have appended Shift-JIS lines to a file that is
    // otherwise UTF-8, and one such line must not garble every UTF-8 name around it. A line that
    // is both follows the rest of the file; one that is neither keeps its bytes, so that a
    // write elsewhere in the file does not destroy what no reader here could show.
    std::string_view all = bytes;
    const bool legacy = leansToCodePage932(all);
    Cp932ToUtf8 converter;
    DecodedText decoded{{}, false};
    decoded.text.reserve(all.size() + all.size() / 2);
    if (all.substr(0, kBom.size()) == kBom) {  // a mark, not part of the first line's text
        decoded.text += kBom;
        all.remove_prefix(kBom.size());
    }
    // Lines to convert are gathered into runs (ASCII lines read the same either way) and each
    // run converted at once; a run with a sequence that has no UTF-8 form goes line by line.
    std::size_t runStart = 0, runEnd = 0;
    const auto flush = [&] {
        const std::string_view run = all.substr(runStart, runEnd - runStart);
        runStart = runEnd;
        if (run.empty()) return;
        if (converter.append(run, decoded.text)) {
            decoded.wasLegacy = true;
            return;
        }
        forEachLine(run, [&](std::string_view line) {
            if (!isAscii(line) && converter.append(line, decoded.text))
                decoded.wasLegacy = true;
            else
                decoded.text += line;
        });
    };
    forEachLine(all, [&](std::string_view line) {
        const std::size_t begin = static_cast<std::size_t>(line.data() - all.data());
        const bool ascii = isAscii(line);
        const bool convert = !ascii && convertsLine(line, legacy);
        if (convert || (ascii && runEnd > runStart)) {
            runEnd = begin + line.size();
            if (runEnd - runStart >= kRunBytes) flush();  // keeps the scratch space small
            return;
        }
        flush();
        decoded.text += line;
        runStart = runEnd = begin + line.size();
    });
    flush();
    return decoded;
}

std::string_view cutUtf8(std::string_view text, std::size_t maxBytes) {
    if (text.size() <= maxBytes) return text;
    std::size_t end = maxBytes;
    while (end > 0 && isContinuation(static_cast<unsigned char>(text[end]))) --end;
    return text.substr(0, end);
}

}  // namespace rimvista::ini
