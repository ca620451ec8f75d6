#pragma once
// The command line of rimvista-batch. Each option is one row of optionTable(): the parser, the
// --help text, the manual page and the shell completions are all made from those rows.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "imageio/FormatRegistry.h"

namespace rimvista::batch {

struct BatchOptions {
    std::vector<std::string> frameTexts;  // --frame, in the order given
    std::optional<std::string> registration;
    std::optional<std::string> settingsFile;
    std::optional<int> nest;
    std::optional<std::string> output;
    std::optional<files::FormatId> format;
    std::optional<int> quality;
    std::optional<int> jobs;
    std::optional<std::uint64_t> memoryMegabytes;
    bool quiet = false;
    bool overwrite = false;
    bool skipExisting = false;
    bool help = false;
    bool version = false;
    bool recursive = false;
    bool followLinks = false;    // -L: a walk follows links to folders
    bool nullSeparated = false;  // -0: --files-from names end in NUL, not a line end
    bool dryRun = false;
    bool listRegistrations = false;
    bool strip = false;
    std::optional<std::string> suffix;         // given: also used inside an output folder
    std::optional<std::string> filesFrom;      // "-": standard input
    std::optional<std::pair<int, int>> shard;  // K of N, K from 1
    std::optional<std::string> sampleFile;     // --make-sample
    std::optional<std::pair<int, int>> sampleSize;
    std::vector<std::string> pictures;
};

// A text in both languages the tool speaks.
struct Wording {
    std::string_view english;
    std::string_view japanese;
    bool empty() const { return english.empty(); }
    std::string operator()() const;  // in the user's language
};

// What an option's value is, so that a shell knows what to offer for it.
enum class ValueKind {
    None,    // the option takes no value
    Text,    // anything; nothing to offer
    File,    // a file name
    Path,    // a file or folder name
    Choice,  // one of OptionRow::choices
};

// What one option does with its value: an error text, empty when the value is accepted.
using OptionSetter = std::string (*)(BatchOptions&, const std::string&);

struct OptionRow {
    std::string_view longName;   // without the leading --
    char shortName = 0;          // 0: none
    std::string_view valueName;  // as help shows it; empty exactly when kind is None
    ValueKind kind = ValueKind::None;
    std::string_view choices;  // ValueKind::Choice: the words, separated by blanks
    Wording help;
    Wording byDefault;  // what applies when the option is not given; empty: nothing to say
    OptionSetter set = nullptr;
};

// Every option, in the order --help and the manual page list them.
std::span<const OptionRow> optionTable();

// The program's one-line purpose, and what the help's closing notes say: which pictures it
// reads, and the exit statuses.
Wording toolSummary();
Wording picturesNote();
Wording exitStatusNote();

struct ParsedArguments {
    BatchOptions options;
    std::string error;  // empty when the command line is usable
    bool ok() const { return error.empty(); }
};

// Reads argv[1..argc-1]. Besides the syntax it checks what can be known before any file is
// touched: option combinations, value ranges and the at-most-ten frames.
ParsedArguments parseArguments(int argc, const char* const* argv);

// --help in the user's language.
std::string usageText();

// A format by one of its extensions ("jpg", "jpeg", "png", "bmp"), in any letter case.
std::optional<files::FormatId> formatFromName(const std::string& name);

}  // namespace rimvista::batch
