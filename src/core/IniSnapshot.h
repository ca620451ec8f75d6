#pragma once
// Many keys of the settings file read at once: the file is read once and only the wanted values
// are kept (the lines of an old file decoded only where a value is kept), so that listing every
// registration costs one pass over the file however large it is, in memory about its size. Taken
// afresh for each command, never kept: the file stays the only copy of the settings. Reads follow
// cInifile's rules exactly.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/Error.h"

namespace rimvista {

class cInifile;
namespace ini {
class LineDecoder;
}

class IniSnapshot {
public:
    // The values of `keys` in each of `sections` (plain ASCII names), from a text as
    // decodeFileText gives it.
    IniSnapshot(std::string_view text, std::vector<std::string> sections,
                std::vector<std::string> keys);
    // The same from the settings file; a missing file gives an empty snapshot, anything that
    // cannot be read as a regular file an error.
    static Result<IniSnapshot> ofFile(const cInifile& file, std::vector<std::string> sections,
                                      std::vector<std::string> keys);

    bool fileExists() const { return m_exists; }
    // The text holds a section line, or nothing but blank lines (see findValues).
    bool looksLikeSettings() const { return m_settingsLike; }

    // As cInifile's; a section or key the snapshot was not taken for reads as missing.
    std::string ReadStr(const std::string& section, const std::string& key,
                        const std::string& defaultValue) const;
    std::int16_t ReadInt(const std::string& section, const std::string& key,
                         std::int16_t defaultValue) const;

private:
    IniSnapshot() = default;
    IniSnapshot(std::string_view text, std::vector<std::string> sections,
                std::vector<std::string> keys, const ini::LineDecoder* decoder);
    std::optional<std::string_view> raw(std::string_view section, std::string_view key) const;

    std::vector<std::string> m_sections, m_keys;
    std::vector<std::optional<std::string>> m_values;  // [section * keys + key]
    bool m_exists = true;
    bool m_settingsLike = true;
};

}  // namespace rimvista
