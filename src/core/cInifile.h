#pragma once
// The settings file: sections of "key=value" lines. The object keeps only the file's path;
// every call reads or writes the file, so the file on disk is the only copy of the settings.

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

namespace rimvista {

class IniDraft;

// How long a write waits for another running copy of the program to finish its own.
inline constexpr std::chrono::milliseconds kSettingsLockPatience{10000};

class cInifile {
public:
    using DateTime = std::chrono::system_clock::time_point;

    const std::string& FileName() const { return m_fileName; }
    void FileName(const std::string& path) { m_fileName = path; }

    // Non-zero on success.
    long Refresh();
    long WriteStr(const std::string& section, const std::string& key, const std::string& value);
    long DeleteSection(const std::string& section);
    // Several reads and writes made as one change of the file: `change` works on the file's
    // text as it is under the file's lock, and the file is replaced once with the result. When
    // `change` returns false nothing is written. Non-zero when the change was written. The lock
    // is waited for up to `patience`; after that nothing is written.
    long Update(const std::function<bool(IniDraft&)>& change,
                std::chrono::milliseconds patience = kSettingsLockPatience);

    // Missing file, section or key, or an empty value, gives the default. At most 1023 bytes.
    std::string ReadStr(const std::string& section, const std::string& key,
                        const std::string& defaultValue) const;
    // Not a number, or out of the 16-bit range after rounding: 0 (not the default).
    std::int16_t ReadInt(const std::string& section, const std::string& key,
                         std::int16_t defaultValue) const;
    // Not a date: the current date and time (not the default).
    DateTime ReadDate(const std::string& section, const std::string& key,
                      DateTime defaultValue) const;

private:
    std::string m_fileName;
};

// The program's one settings object, created on first use.
cInifile& Ini();

}  // namespace rimvista
