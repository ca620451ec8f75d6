#include "core/cInifile.h"

#include <utility>

#include "core/IniDate.h"
#include "core/IniDraft.h"
#include "core/IniFileIo.h"
#include "core/IniText.h"
#include "core/NumberText.h"

namespace rimvista {

long cInifile::Refresh() {
    return ini::syncToDisk(m_fileName).ok() ? 1 : 0;
}

long cInifile::WriteStr(const std::string& section, const std::string& key,
                        const std::string& value) {
    if (!ini::isWritableEntry(section, key, value)) return 0;
    const auto written = ini::updateFile(
        m_fileName,
        [&](std::string_view text) {
            return std::optional<std::string>(ini::setValue(text, section, key, value));
        },
        kSettingsLockPatience);
    return written.ok() ? 1 : 0;
}

long cInifile::DeleteSection(const std::string& section) {
    const std::string_view s = ini::trimBlanks(section);
    if (s.empty()) return 0;
    const auto written = ini::updateFile(
        m_fileName, [&](std::string_view text) { return ini::withoutSection(text, s); },
        kSettingsLockPatience);
    return written.ok() ? 1 : 0;
}

long cInifile::Update(const std::function<bool(IniDraft&)>& change,
                      std::chrono::milliseconds patience) {
    bool changed = false;
    const auto written = ini::updateFile(
        m_fileName,
        [&](std::string_view text) {
            IniDraft draft{std::string(text)};
            changed = change(draft);
            return changed ? std::optional<std::string>(std::move(draft).text()) : std::nullopt;
        },
        patience);
    return written.ok() && changed ? 1 : 0;
}

std::string cInifile::ReadStr(const std::string& section, const std::string& key,
                              const std::string& defaultValue) const {
    if (m_fileName.empty()) return defaultValue;
    auto file = ini::readRegularFile(m_fileName);
    if (!file || !file->exists) return defaultValue;
    const ini::DecodedText text = ini::decodeFileText(std::move(file->bytes));
    return ini::readValue(text.text, section, key, defaultValue);
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
