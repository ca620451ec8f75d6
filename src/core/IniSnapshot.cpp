#include "core/IniSnapshot.h"

#include <utility>

#include "core/IniDraft.h"
#include "core/IniFileIo.h"
#include "core/IniText.h"
#include "core/NumberText.h"
#include "core/cInifile.h"

namespace rimvista {

namespace {

bool sameName(std::string_view a, std::string_view b) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

std::optional<std::size_t> placeOf(const std::vector<std::string>& names, std::string_view name) {
    name = ini::trimBlanks(name);
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (sameName(ini::trimBlanks(names[i]), name)) return i;
    }
    return std::nullopt;
}

// The whole line of the value starting at `at` (just after its '=', so at > 0), its line end
// included, without a leading byte order mark. An empty value may start on the line's own LF.
std::string_view lineAround(std::string_view text, std::size_t at) {
    const std::size_t lf = text.rfind('\n', at - 1);
    std::size_t begin = lf == std::string_view::npos ? 0 : lf + 1;
    if (begin == 0 && text.substr(0, 3) == "\xEF\xBB\xBF") begin = 3;
    const std::size_t next = text.find('\n', at);
    return text.substr(begin, next == std::string_view::npos ? text.npos : next + 1 - begin);
}

// An entry line's value as findValue gives it: after the first '=', without the line end.
std::string_view valueOfLine(std::string_view line) {
    std::string_view value = line.substr(line.find('=') + 1);
    if (!value.empty() && value.back() == '\n') value.remove_suffix(1);
    if (!value.empty() && value.back() == '\r') value.remove_suffix(1);
    return value;
}

}  // namespace

IniSnapshot::IniSnapshot(std::string_view text, std::vector<std::string> sections,
                         std::vector<std::string> keys)
    : IniSnapshot(text, std::move(sections), std::move(keys), nullptr) {}

IniSnapshot::IniSnapshot(std::string_view text, std::vector<std::string> sections,
                         std::vector<std::string> keys, const ini::LineDecoder* decoder)
    : m_sections(std::move(sections)), m_keys(std::move(keys)) {
    const auto found = ini::findValues(text, m_sections, m_keys, &m_settingsLike);
    m_values.reserve(found.size());
    for (const auto& value : found) {
        if (!value) {
            m_values.emplace_back();
        } else if (!decoder) {
            m_values.emplace_back(std::string(*value));
        } else {
            // The names are ASCII, and no byte of an old two-byte character is a line end, '='
            // or a blank: the raw text finds the same line the decoded one would.
            m_values.emplace_back(std::string(valueOfLine(decoder->decode(
                lineAround(text, static_cast<std::size_t>(value->data() - text.data()))))));
        }
    }
}

Result<IniSnapshot> IniSnapshot::ofFile(const cInifile& file, std::vector<std::string> sections,
                                        std::vector<std::string> keys) {
    IniSnapshot empty;
    empty.m_exists = false;
    if (file.FileName().empty()) return empty;
    auto contents = ini::readRegularFile(file.FileName());
    if (!contents) return contents.error();
    if (!contents->exists) return empty;
    if (ini::isValidUtf8(contents->bytes))
        return IniSnapshot(contents->bytes, std::move(sections), std::move(keys));
    // Decoding only the lines read keeps a large old file from being converted whole.
    const ini::LineDecoder decoder(contents->bytes);
    return IniSnapshot(contents->bytes, std::move(sections), std::move(keys), &decoder);
}

std::optional<std::string_view> IniSnapshot::raw(std::string_view section,
                                                 std::string_view key) const {
    const auto s = placeOf(m_sections, section), k = placeOf(m_keys, key);
    if (!s || !k) return std::nullopt;
    const auto& value = m_values[*s * m_keys.size() + *k];
    if (!value) return std::nullopt;
    return std::string_view(*value);
}

std::string IniSnapshot::ReadStr(const std::string& section, const std::string& key,
                                 const std::string& defaultValue) const {
    return ini::valueText(raw(section, key), defaultValue);
}

std::int16_t IniSnapshot::ReadInt(const std::string& section, const std::string& key,
                                  std::int16_t defaultValue) const {
    return num::parseInt16(ReadStr(section, key, num::formatInt(defaultValue))).value_or(0);
}

}  // namespace rimvista
