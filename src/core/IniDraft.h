#pragma once
// The settings file's text in memory, read and written by the same rules as cInifile.
// cInifile::Update hands one out holding the file as it is under the file's lock, so that several
// reads and writes become one change of the file: readers, and a crash at any moment, see all of
// them or none, and no other running copy of the program writes in between.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace rimvista {

class IniDraft {
public:
    explicit IniDraft(std::string utf8Text) : m_text(std::move(utf8Text)) {}

    // Non-zero on success; a refused write (a name or value that would change the file's
    // structure) leaves the text as it was.
    long WriteStr(const std::string& section, const std::string& key, const std::string& value);
    long DeleteSection(const std::string& section);
    std::string ReadStr(const std::string& section, const std::string& key,
                        const std::string& defaultValue) const;
    std::int16_t ReadInt(const std::string& section, const std::string& key,
                         std::int16_t defaultValue) const;

    const std::string& text() const& { return m_text; }
    std::string text() && { return std::move(m_text); }

private:
    std::string m_text;
};

namespace ini {

// cInifile's rules on a text, shared by the file and the draft. Names are taken without the
// blanks around them.
bool isWritableEntry(std::string_view section, std::string_view key, std::string_view value);
std::string setValue(std::string_view text, std::string_view section, std::string_view key,
                     std::string_view value);
// A raw value as read: cut at a NUL, then to its first 1023 bytes (never inside a character),
// bytes that are not UTF-8 as U+FFFD; the default for a missing key or an empty value.
std::string valueText(std::optional<std::string_view> raw, const std::string& defaultValue);
// valueText of the first entry `key` in the first section `section`.
std::string readValue(std::string_view text, std::string_view section, std::string_view key,
                      const std::string& defaultValue);
// Not a number, or out of the 16-bit range after rounding, gives 0 (not the default).
std::int16_t readInt(std::string_view text, std::string_view section, std::string_view key,
                     std::int16_t defaultValue);

}  // namespace ini

}  // namespace rimvista
