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
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace rimvista::ini {

bool isValidUtf8(std::string_view bytes);

// The bytes with each byte that starts no valid UTF-8 sequence shown as U+FFFD.
std::string toValidUtf8(std::string_view bytes);

// Each line that is not valid UTF-8 but is code page 932 (Shift-JIS), as the old program wrote
// it, is converted to UTF-8; a line that is valid both ways follows what the other lines show (a
// byte order mark, or more lines that are only one of them; UTF-8 when nothing tells); a line
// that is neither keeps its bytes, so that writing another line cannot destroy it.
// wasLegacy: some line was converted, so the next write stores it as UTF-8.
struct DecodedText {
    std::string text;
    bool wasLegacy = false;
};
DecodedText decodeFileText(std::string bytes);

// decodeFileText for single lines of a file that is not all UTF-8, for a reader that wants a few
// lines of a large file: what the file shows is taken once, and each line then decodes exactly
// as decodeFileText decodes it within the file.
class LineDecoder {
public:
    explicit LineDecoder(std::string_view file);
    ~LineDecoder();
    LineDecoder(const LineDecoder&) = delete;
    LineDecoder& operator=(const LineDecoder&) = delete;
    std::string decode(std::string_view line) const;

private:
    struct Converter;
    std::unique_ptr<Converter> m_converter;
    bool m_legacy;
};

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

// findValue for many sections and keys in one pass over the text: element
// s * keys.size() + k is findValue(text, sections[s], keys[k]). settingsLike: whether the text
// holds a section line, or nothing but blank lines (anything else is not a settings file).
std::vector<std::optional<std::string_view>> findValues(std::string_view text,
                                                        const std::vector<std::string>& sections,
                                                        const std::vector<std::string>& keys,
                                                        bool* settingsLike = nullptr);

// The text with the entry set: an existing value is replaced in place; a missing key is added
// after the section's last non-blank line; a missing section is appended at the end. New lines
// use the line end the text already uses (LF for an empty text).
std::string withValue(std::string_view text, std::string_view section, std::string_view key,
                      std::string_view value);

// The text without any section of that name (header and every line up to the next header), or
// nothing when no such section exists.
std::optional<std::string> withoutSection(std::string_view text, std::string_view section);

}  // namespace rimvista::ini
