#include "core/IniText.h"

#include <cstring>
#include <unordered_map>

namespace rimvista::ini {

namespace {

using namespace std::string_view_literals;

constexpr std::string_view kBom = "\xEF\xBB\xBF";

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

char lowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool sameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (lowerAscii(a[i]) != lowerAscii(b[i])) return false;
    }
    return true;
}

enum class Kind { Other, Blank, Section, Entry };

// One line of the text; offsets are into the whole text so that edits keep every other byte.
struct Line {
    std::size_t begin = 0;
    std::size_t contentEnd = 0;  // before the CR LF, LF or final CR
    std::size_t end = 0;         // after the line end
    Kind kind = Kind::Other;
    std::string_view name;       // section or key, trimmed
    std::size_t valueBegin = 0;  // entries: just after the first '='
};

Line lineAt(std::string_view text, std::size_t begin) {
    Line line;
    line.begin = begin;
    const void* lf = std::memchr(text.data() + begin, '\n', text.size() - begin);
    line.end =
        lf ? static_cast<std::size_t>(static_cast<const char*>(lf) - text.data()) + 1 : text.size();
    line.contentEnd = lf ? line.end - 1 : line.end;
    if (line.contentEnd > begin && text[line.contentEnd - 1] == '\r') --line.contentEnd;

    const std::string_view content = text.substr(begin, line.contentEnd - begin);
    std::size_t first = 0;
    while (first < content.size() && isBlank(content[first])) ++first;
    if (first == content.size()) {
        line.kind = Kind::Blank;
    } else if (content[first] == '[') {
        const std::string_view rest = content.substr(first + 1);
        line.kind = Kind::Section;
        line.name = trimBlanks(rest.substr(0, rest.find(']')));
    } else if (content[first] != ';') {
        const std::size_t eq = content.find('=');
        if (eq != std::string_view::npos) {
            line.kind = Kind::Entry;
            line.name = trimBlanks(content.substr(0, eq));
            line.valueBegin = begin + eq + 1;
        }
    }
    return line;
}

std::size_t firstLineBegin(std::string_view text) {
    return text.substr(0, kBom.size()) == kBom ? kBom.size() : 0;
}

std::string_view lineEndOf(std::string_view text) {
    const std::size_t lf = text.find('\n');
    if (lf != std::string_view::npos && lf > 0 && text[lf - 1] == '\r') return "\r\n";
    return "\n";
}

bool endsOpen(std::string_view text) {
    return text.size() > firstLineBegin(text) && text.back() != '\n';
}

// The first section of that name: its header line and where its last line ends.
struct SectionSpan {
    std::size_t headerEnd = 0;
    std::size_t end = 0;
    std::size_t lastContentEnd = 0;  // end of its last non-blank line, line end included
    std::optional<Line> entry;       // the first entry of the wanted key, when asked for
};

std::optional<SectionSpan> findSection(std::string_view text, std::string_view section,
                                       std::string_view key = {}) {
    std::size_t pos = firstLineBegin(text);
    while (pos < text.size()) {
        const Line header = lineAt(text, pos);
        pos = header.end;
        if (header.kind != Kind::Section || !sameName(header.name, section)) continue;

        SectionSpan span{header.end, header.end, header.end, std::nullopt};
        while (pos < text.size()) {
            const Line line = lineAt(text, pos);
            if (line.kind == Kind::Section) break;
            if (line.kind != Kind::Blank) span.lastContentEnd = line.end;
            if (!key.empty() && !span.entry && line.kind == Kind::Entry &&
                sameName(line.name, key)) {
                span.entry = line;
            }
            pos = line.end;
        }
        span.end = pos;
        return span;
    }
    return std::nullopt;
}

bool hasNoLineBreakOrNul(std::string_view s) {
    return s.find_first_of("\r\n\0"sv) == s.npos;
}

}  // namespace

std::string_view trimBlanks(std::string_view s) {
    std::size_t b = 0, e = s.size();
    while (b < e && isBlank(s[b])) ++b;
    while (e > b && isBlank(s[e - 1])) --e;
    return s.substr(b, e - b);
}

bool isWritableSectionName(std::string_view name) {
    return !name.empty() && hasNoLineBreakOrNul(name) && name.find(']') == name.npos;
}

bool isWritableKeyName(std::string_view name) {
    return !name.empty() && hasNoLineBreakOrNul(name) && name.find('=') == name.npos &&
           name.front() != '[' && name.front() != ';';
}

bool isWritableValue(std::string_view value) {
    return hasNoLineBreakOrNul(value);
}

std::optional<std::string_view> findValue(std::string_view text, std::string_view section,
                                          std::string_view key) {
    const auto span = findSection(text, section, key);
    if (!span || !span->entry) return std::nullopt;
    const Line& e = *span->entry;
    return text.substr(e.valueBegin, e.contentEnd - e.valueBegin);
}

namespace {

std::string lowered(std::string_view name) {
    std::string out(name);
    for (char& c : out) c = lowerAscii(c);
    return out;
}

// Lower-cased names to their places in the caller's list; the first of two equal names wins.
std::unordered_map<std::string, std::size_t> placesOf(const std::vector<std::string>& names) {
    std::unordered_map<std::string, std::size_t> places;
    for (std::size_t i = 0; i < names.size(); ++i) places.emplace(lowered(trimBlanks(names[i])), i);
    return places;
}

}  // namespace

std::vector<std::optional<std::string_view>> findValues(std::string_view text,
                                                        const std::vector<std::string>& sections,
                                                        const std::vector<std::string>& keys,
                                                        bool* settingsLike) {
    std::vector<std::optional<std::string_view>> values(sections.size() * keys.size());
    const auto sectionPlaces = placesOf(sections), keyPlaces = placesOf(keys);
    std::vector<bool> seen(sections.size(), false);
    std::string name;  // reused, so that the pass allocates nothing per line
    const auto placeOf = [&](const auto& places, std::string_view n) -> const std::size_t* {
        name.assign(n);
        for (char& c : name) c = lowerAscii(c);
        const auto it = places.find(name);
        return it == places.end() ? nullptr : &it->second;
    };
    bool sectionFound = false, onlyBlank = true;
    const std::size_t* current = nullptr;  // the wanted section being read, at its first showing
    std::size_t pos = firstLineBegin(text);
    while (pos < text.size()) {
        const Line line = lineAt(text, pos);
        pos = line.end;
        onlyBlank = onlyBlank && line.kind == Kind::Blank;
        if (line.kind == Kind::Section) {
            sectionFound = true;
            current = placeOf(sectionPlaces, line.name);
            if (current && seen[*current]) current = nullptr;
            if (current) seen[*current] = true;
        } else if (line.kind == Kind::Entry && current) {
            if (const std::size_t* k = placeOf(keyPlaces, line.name)) {
                auto& value = values[*current * keys.size() + *k];
                if (!value) value = text.substr(line.valueBegin, line.contentEnd - line.valueBegin);
            }
        }
    }
    if (settingsLike) *settingsLike = sectionFound || onlyBlank;
    return values;
}

std::string withValue(std::string_view text, std::string_view section, std::string_view key,
                      std::string_view value) {
    const std::string_view eol = lineEndOf(text);
    std::string out;
    out.reserve(text.size() + section.size() + key.size() + value.size() + 8);
    const auto span = findSection(text, section, key);
    if (span && span->entry) {
        const Line& e = *span->entry;
        out.append(text.substr(0, e.valueBegin)).append(value).append(text.substr(e.contentEnd));
    } else if (span) {
        const std::string_view before = text.substr(0, span->lastContentEnd);
        out.append(before);
        if (endsOpen(before)) out.append(eol);
        out.append(key).append("=").append(value).append(eol);
        out.append(text.substr(span->lastContentEnd));
    } else {
        out.append(text);
        if (endsOpen(text)) out.append(eol);
        out.append("[").append(section).append("]").append(eol);
        out.append(key).append("=").append(value).append(eol);
    }
    return out;
}

std::optional<std::string> withoutSection(std::string_view text, std::string_view section) {
    std::string out;
    bool found = false;
    bool dropping = false;
    std::size_t pos = firstLineBegin(text);
    out.append(text.substr(0, pos));
    while (pos < text.size()) {
        const Line line = lineAt(text, pos);
        if (line.kind == Kind::Section) {
            dropping = sameName(line.name, section);
            found = found || dropping;
        }
        if (!dropping) out.append(text.substr(line.begin, line.end - line.begin));
        pos = line.end;
    }
    if (!found) return std::nullopt;
    return out;
}

}  // namespace rimvista::ini
