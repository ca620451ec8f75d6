#include "batch/TextWrap.h"

#include <string_view>

namespace rimvista::batch {

namespace {

struct Glyph {
    std::string_view bytes;
    char32_t code = 0;
};

// One UTF-8 character at text[at]; a broken sequence counts as one narrow byte.
Glyph glyphAt(std::string_view text, std::size_t at) {
    const auto lead = static_cast<unsigned char>(text[at]);
    const std::size_t length = lead < 0x80    ? 1
                               : lead >= 0xF0 ? 4
                               : lead >= 0xE0 ? 3
                               : lead >= 0xC0 ? 2
                                              : 1;
    if (at + length > text.size()) return {text.substr(at, 1), lead};
    char32_t code = length == 1 ? lead : lead & (0x7F >> length);
    for (std::size_t i = 1; i < length; ++i)
        code = (code << 6) | (static_cast<unsigned char>(text[at + i]) & 0x3F);
    return {text.substr(at, length), code};
}

// Japanese and other East Asian characters, and full-width forms, take two columns.
bool wide(char32_t c) {
    return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF) ||
           (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) ||
           (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60) ||
           (c >= 0xFFE0 && c <= 0xFFE6);
}

// Punctuation that must not begin a line, and that which must not end one.
bool closing(char32_t c) {
    static constexpr std::u32string_view kClosing =
        U"、。）」・ーぁぃぅぇぉっゃゅょァィゥェォッャュョ),.;:";
    return kClosing.find(c) != std::u32string_view::npos;
}
bool opening(char32_t c) {
    return c == '(' || c == U'（' || c == U'「';
}

// The text as pieces that may not be broken inside: words between blanks, single wide
// characters (with the closing punctuation after them), and the blanks themselves.
std::vector<std::string_view> pieces(std::string_view text) {
    std::vector<std::string_view> out;
    std::size_t start = 0, at = 0;
    char32_t previous = ' ';
    auto cut = [&](std::size_t end) {
        if (end > start) out.push_back(text.substr(start, end - start));
        start = end;
    };
    while (at < text.size()) {
        const Glyph g = glyphAt(text, at);
        if (g.code == ' ') {
            cut(at);
            out.push_back(text.substr(at, 1));
            start = at + 1;
        } else if (wide(g.code) && !closing(g.code) && !opening(previous)) {
            cut(at);  // a line may break before a wide character
        }
        at += g.bytes.size();
        if (at < text.size() && wide(g.code) && !opening(g.code) &&
            !closing(glyphAt(text, at).code))
            cut(at);  // and after one
        previous = g.code;
    }
    cut(text.size());
    return out;
}

}  // namespace

std::size_t displayWidth(std::string_view text) {
    std::size_t width = 0;
    for (std::size_t at = 0; at < text.size();) {
        const Glyph g = glyphAt(text, at);
        width += wide(g.code) ? 2 : 1;
        at += g.bytes.size();
    }
    return width;
}

std::vector<std::string> wrapText(std::string_view text, std::size_t width) {
    std::vector<std::string> lines(1);
    std::size_t used = 0;
    for (std::string_view piece : pieces(text)) {
        const std::size_t w = displayWidth(piece);
        if (piece == " ") {
            if (used > 0 && used < width) {
                lines.back() += ' ';
                ++used;
            }
            continue;
        }
        if (used > 0 && used + w > width) {
            while (!lines.back().empty() && lines.back().back() == ' ') lines.back().pop_back();
            lines.emplace_back();
            used = 0;
        }
        lines.back() += piece;
        used += w;
    }
    while (!lines.back().empty() && lines.back().back() == ' ') lines.back().pop_back();
    return lines;
}

}  // namespace rimvista::batch
