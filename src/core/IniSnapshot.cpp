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

}  // namespace

IniSnapshot::IniSnapshot(std::string_view text, std::vector<std::string> sections,
                         std::vector<std::string> keys)
    : m_sections(std::move(sections)), m_keys(std::move(keys)) {
    const auto found = ini::findValues(text, m_sections, m_keys, &m_hasSections);
    m_values.reserve(found.size());
    for (const auto& value : found) {
        m_values.push_back(value ? std::optional<std::string>(*value) : std::nullopt);
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
    const ini::DecodedText decoded = ini::decodeFileText(std::move(contents->bytes));
    return IniSnapshot(decoded.text, std::move(sections), std::move(keys));
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
