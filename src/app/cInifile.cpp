#include "app/cInifile.h"

#include <utility>

#include "app/IniDate.h"
#include "app/IniFileIo.h"
#include "app/IniText.h"
#include "common/NumberText.h"

namespace rimvista {

namespace {

// The old profile calls copied at most 1023 bytes into a 1024-byte buffer.
constexpr std::size_t kMaxValueBytes = 1023;

}  // namespace

long cInifile::Refresh() {
    return ini::syncToDisk(m_fileName) ? 1 : 0;
}

long cInifile::WriteStr(const std::string& section, const std::string& key,
                        const std::string& value) {
    const std::string_view s = ini::trimBlanks(section);
    const std::string_view k = ini::trimBlanks(key);
    // A line break or NUL in any of them would add lines of its own to the file.
    if (!ini::isWritableSectionName(s) || !ini::isWritableKeyName(k) ||
        !ini::isWritableValue(value)) {
        return 0;
    }
    const bool ok = ini::updateFile(m_fileName, [&](std::string_view text) {
        return std::optional<std::string>(ini::withValue(text, s, k, value));
    });
    return ok ? 1 : 0;
}

long cInifile::DeleteSection(const std::string& section) {
    const std::string_view s = ini::trimBlanks(section);
    if (s.empty()) return 0;
    const bool ok = ini::updateFile(
        m_fileName, [&](std::string_view text) { return ini::withoutSection(text, s); });
    return ok ? 1 : 0;
}

std::string cInifile::ReadStr(const std::string& section, const std::string& key,
                              const std::string& defaultValue) const {
    if (m_fileName.empty()) return defaultValue;
    auto file = ini::readRegularFile(m_fileName);
    if (!file || !file->exists) return defaultValue;
    const ini::DecodedText text = ini::decodeFileText(std::move(file->bytes));
    const auto value = ini::findValue(text.utf8, ini::trimBlanks(section), ini::trimBlanks(key));
    if (!value) return defaultValue;
    // As with the old fixed buffer, a NUL in the file ends the value.
    const std::string_view kept = ini::cutUtf8(value->substr(0, value->find('\0')), kMaxValueBytes);
    return kept.empty() ? defaultValue : std::string(kept);
}

std::int16_t cInifile::ReadInt(const std::string& section, const std::string& key,
                               std::int16_t defaultValue) const {
    const std::string text = ReadStr(section, key, num::formatInt(defaultValue));
    return num::parseInt16(text).value_or(0);
}

cInifile::DateTime cInifile::ReadDate(const std::string& section, const std::string& key,
                                      DateTime defaultValue) const {
    const std::string text = ReadStr(section, key, ini::formatDateText(defaultValue));
    return ini::parseDateText(text).value_or(std::chrono::system_clock::now());
}

cInifile& Ini() {
    static cInifile instance;
    return instance;
}

}  // namespace rimvista
