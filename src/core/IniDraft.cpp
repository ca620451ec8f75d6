#include "core/IniDraft.h"

#include "core/IniText.h"
#include "core/NumberText.h"

namespace rimvista {

namespace ini {

namespace {

// The old profile calls copied at most 1023 bytes into a 1024-byte buffer.
constexpr std::size_t kMaxValueBytes = 1023;

}  // namespace

bool isWritableEntry(std::string_view section, std::string_view key, std::string_view value) {
    // A line break or NUL in any of them would add lines of its own to the file.
    return isWritableSectionName(trimBlanks(section)) && isWritableKeyName(trimBlanks(key)) &&
           isWritableValue(value);
}

std::string setValue(std::string_view text, std::string_view section, std::string_view key,
                     std::string_view value) {
    return withValue(text, trimBlanks(section), trimBlanks(key), value);
}

std::string valueText(std::optional<std::string_view> raw, const std::string& defaultValue) {
    if (!raw) return defaultValue;
    // As with the old fixed buffer, a NUL in the file ends the value. A line that decodes as
    // nothing keeps its bytes in the file but reads with U+FFFD for them.
    const std::string_view bytes = raw->substr(0, raw->find('\0'));
    const std::string text = isValidUtf8(bytes) ? std::string(bytes) : toValidUtf8(bytes);
    const std::string_view kept = cutUtf8(text, kMaxValueBytes);
    return kept.empty() ? defaultValue : std::string(kept);
}

std::string readValue(std::string_view text, std::string_view section, std::string_view key,
                      const std::string& defaultValue) {
    return valueText(findValue(text, trimBlanks(section), trimBlanks(key)), defaultValue);
}

std::int16_t readInt(std::string_view text, std::string_view section, std::string_view key,
                     std::int16_t defaultValue) {
    return num::parseInt16(readValue(text, section, key, num::formatInt(defaultValue))).value_or(0);
}

}  // namespace ini

long IniDraft::WriteStr(const std::string& section, const std::string& key,
                        const std::string& value) {
    if (!ini::isWritableEntry(section, key, value)) return 0;
    m_text = ini::setValue(m_text, section, key, value);
    return 1;
}

long IniDraft::DeleteSection(const std::string& section) {
    const std::string_view s = ini::trimBlanks(section);
    if (s.empty()) return 0;
    if (auto without = ini::withoutSection(m_text, s)) m_text = std::move(*without);
    return 1;
}

std::string IniDraft::ReadStr(const std::string& section, const std::string& key,
                              const std::string& defaultValue) const {
    return ini::readValue(m_text, section, key, defaultValue);
}

std::int16_t IniDraft::ReadInt(const std::string& section, const std::string& key,
                               std::int16_t defaultValue) const {
    return ini::readInt(m_text, section, key, defaultValue);
}

}  // namespace rimvista
