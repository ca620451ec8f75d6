#pragma once
// The settings file's text: encoding and the line grammar. Pure functions on strings; the file
// itself is read and replaced by IniFileIo.
//
// Grammar: a line whose first non-blank character is '[' and which holds a ']' starts a section
// named by the text between them; a line whose first non-blank character is ';' is a comment;
// any other line holding '=' is an entry whose key is the text before the first '=' and whose
// value is everything after it, blanks included. Names compare without regard to ASCII case and
// without the blanks around them. Lines end at LF; a CR before the LF belongs to the line end.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace rimvista::ini {

bool isValidUtf8(std::string_view bytes);

// Each line that is not valid UTF-8 is taken as code page 932 (Shift-JIS) text, as the old
// program wrote it; valid UTF-8 lines stay as they are. Sequences that are neither become U+FFFD.
// wasLegacy: some line was converted, so the next write stores the file as UTF-8.
struct DecodedText {
    std::string utf8;
    bool wasLegacy = false;
};
DecodedText decodeFileText(std::string bytes);

// The longest prefix of at most maxBytes that does not split a UTF-8 character.
std::string_view cutUtf8(std::string_view text, std::size_t maxBytes);

std::string_view trimBlanks(std::string_view s);

// Names are stored trimmed; these say whether a trimmed name can be written without changing
// the file's structure (no line breaks, no NUL, nothing the grammar would read differently).
bool isWritableSectionName(std::string_view name);
bool isWritableKeyName(std::string_view name);
bool isWritableValue(std::string_view value);

// The raw value of the first entry `key` in the first section `section`, or nothing.
std::optional<std::string_view> findValue(std::string_view text, std::string_view section,
                                          std::string_view key);

// The text with the entry set: an existing value is replaced in place; a missing key is added
// after the section's last non-blank line; a missing section is appended at the end. New lines
// use the line end the text already uses (LF for an empty text).
std::string withValue(std::string_view text, std::string_view section, std::string_view key,
                      std::string_view value);

// The text without any section of that name (header and every line up to the next header), or
// nothing when no such section exists.
std::optional<std::string> withoutSection(std::string_view text, std::string_view section);

}  // namespace rimvista::ini
