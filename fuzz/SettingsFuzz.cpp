// The settings-file reader: encoding detection, the line and section grammar, the 1023-byte cut,
// and the edits made on a file as it was found. Input: one line naming the section, one the key,
// one the value, and the rest as the file's bytes.
#include <algorithm>
#include <string>
#include <string_view>

#include "FuzzTarget.h"
#include "core/IniDraft.h"
#include "core/IniText.h"

using namespace rimvista;

namespace {

std::string_view takeLine(std::string_view& rest) {
    const std::size_t lf = rest.find('\n');
    const std::string_view line = rest.substr(0, lf);
    rest.remove_prefix(lf == rest.npos ? rest.size() : lf + 1);
    return line;
}

}  // namespace

RIMVISTA_FUZZ_TARGET(fuzzSettings) {
    std::string_view rest(reinterpret_cast<const char*>(data), size);
    const std::string section(takeLine(rest)), key(takeLine(rest)), value(takeLine(rest));

    const ini::DecodedText decoded = ini::decodeFileText(std::string(rest));
    // Lines are converted or kept, never merged or split; UTF-8 stays exactly as it is.
    FUZZ_CHECK(std::count(decoded.text.begin(), decoded.text.end(), '\n') ==
               std::count(rest.begin(), rest.end(), '\n'));
    if (ini::isValidUtf8(rest)) FUZZ_CHECK(decoded.text == rest && !decoded.wasLegacy);
    const std::string& text = decoded.text;

    const std::string missing = "\x01";
    const std::string read = ini::readValue(text, section, key, missing);
    if (read != missing) {
        FUZZ_CHECK(!read.empty() && read.size() <= 1023);
        FUZZ_CHECK(read.find('\0') == read.npos && ini::isValidUtf8(read));
        const auto raw = ini::findValue(text, ini::trimBlanks(section), ini::trimBlanks(key));
        FUZZ_CHECK(raw && (!ini::isValidUtf8(*raw) || raw->substr(0, read.size()) == read));
    }
    (void)ini::readInt(text, section, key, 7);

    // What is written reads back, and a deleted section is gone.
    if (ini::isWritableEntry(section, key, value)) {
        const std::string written = ini::setValue(text, section, key, value);
        const std::string expected =
            value.empty() ? missing : std::string(ini::cutUtf8(value, 1023));
        if (ini::isValidUtf8(value))
            FUZZ_CHECK(ini::readValue(written, section, key, missing) == expected);
        IniDraft draft(text);
        FUZZ_CHECK(draft.WriteStr(section, key, value) != 0 && draft.text() == written);
        const std::string_view name = ini::trimBlanks(section);
        if (const auto without = ini::withoutSection(written, name))
            FUZZ_CHECK(ini::readValue(*without, section, key, missing) == missing);
        else
            FUZZ_CHECK(false);  // the section was just written
    }
    return 0;
}
