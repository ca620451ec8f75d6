// Completions for bash, zsh and fish, from the option table.
#include "batch/BatchOptions.h"
#include "batch/OptionDocs.h"

namespace rimvista::batch {

namespace {

constexpr std::size_t kBriefWidth = 72;

std::string dashed(const OptionRow& row) {
    return "--" + std::string(row.longName);
}

// The help text's first sentence, short enough for a menu of completions.
std::string brief(const OptionRow& row) {
    std::string_view help = row.help.english;
    for (std::string_view stop : {". ", "; "})
        if (const auto at = help.find(stop); at != std::string_view::npos)
            help = help.substr(0, at);
    std::string text(help);
    if (text.size() > kBriefWidth) {
        text.resize(text.rfind(' ', kBriefWidth - 3));
        text += "...";
    }
    return text;
}

// Text inside a shell's single quotes.
std::string singleQuoted(std::string_view text) {
    std::string out = "'";
    for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

// Both spellings of an option for a shell's case pattern: -o|--output.
std::string casePattern(const OptionRow& row) {
    return (row.shortName ? std::string("-") + row.shortName + "|" : std::string()) + dashed(row);
}

std::string bashValueCases() {
    std::string files, choices, others;
    for (const OptionRow& row : optionTable()) {
        switch (row.kind) {
            case ValueKind::None:
                break;
            case ValueKind::File:
            case ValueKind::Path:
                files.append(files.empty() ? "" : "|").append(casePattern(row));
                break;
            case ValueKind::Choice:
                choices += "        " + casePattern(row) +
                           ")\n            mapfile -t COMPREPLY < <(compgen -W " +
                           singleQuoted(row.choices) + " -- \"$cur\")\n            return ;;\n";
                break;
            case ValueKind::Text:
                others.append(others.empty() ? "" : "|").append(casePattern(row));
                break;
        }
    }
    return "        " + files +
           ")\n            compopt -o filenames 2>/dev/null\n"
           "            mapfile -t COMPREPLY < <(compgen -f -- \"$cur\")\n            return ;;\n" +
           choices + "        " + others +
           ")\n            compopt +o default +o bashdefault 2>/dev/null\n            return ;;\n";
}

// A zsh _arguments entry for one spelling of the option; repeatable, as the parser allows.
std::string zshSpec(const OptionRow& row, const std::string& name, bool isLong) {
    std::string description;
    for (char c : brief(row)) {
        if (c == '[' || c == ']' || c == ':' || c == '\\') description += '\\';
        description += c;
    }
    std::string entry = "*" + name;
    if (row.kind != ValueKind::None) entry += isLong ? "=" : "+";
    entry += "[" + description + "]";
    if (row.kind != ValueKind::None) entry.append(1, ':').append(row.valueName).append(1, ':');
    switch (row.kind) {
        case ValueKind::None:
            break;
        case ValueKind::Text:
            entry += ' ';
            break;
        case ValueKind::File:
        case ValueKind::Path:
            entry += "_files";
            break;
        case ValueKind::Choice:
            entry.append(1, '(').append(row.choices).append(1, ')');
            break;
    }
    return "    " + singleQuoted(entry) + " \\\n";
}

}  // namespace

std::string bashCompletion() {
    std::string words;
    for (const OptionRow& row : optionTable()) {
        words.append(words.empty() ? "" : " ").append(dashed(row));
        if (row.shortName) words += std::string(" -") + row.shortName;
    }
    return "# bash completion for rimvista-batch\n"
           "_rimvista_batch() {\n"
           "    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]}\n"
           "    case $prev in\n" +
           bashValueCases() +
           "    esac\n"
           "    if [[ $cur == -* ]]; then\n"
           "        mapfile -t COMPREPLY < <(compgen -W " +
           singleQuoted(words) +
           " -- \"$cur\")\n"
           "        return\n"
           "    fi\n"
           "    compopt -o filenames 2>/dev/null\n"
           "    mapfile -t COMPREPLY < <(compgen -f -- \"$cur\")\n"
           "}\n"
           "complete -o bashdefault -o default -F _rimvista_batch rimvista-batch\n";
}

std::string zshCompletion() {
    std::string out =
        "#compdef rimvista-batch\n# zsh completion for rimvista-batch\n\n"
        "_arguments -s -S \\\n";
    for (const OptionRow& row : optionTable()) {
        if (row.shortName) out += zshSpec(row, std::string("-") + row.shortName, false);
        out += zshSpec(row, dashed(row), true);
    }
    return out + "    '*:picture:_files'\n";
}

std::string fishCompletion() {
    std::string out = "# fish completion for rimvista-batch\n";
    for (const OptionRow& row : optionTable()) {
        out += "complete -c rimvista-batch";
        if (row.shortName) out += std::string(" -s ") + row.shortName;
        out += " -l " + std::string(row.longName);
        switch (row.kind) {
            case ValueKind::None:
                break;
            case ValueKind::Text:
                out += " -x";
                break;
            case ValueKind::File:
            case ValueKind::Path:
                out += " -r -F";
                break;
            case ValueKind::Choice:
                out += " -x -a " + singleQuoted(row.choices);
                break;
        }
        out += " -d " + singleQuoted(brief(row)) + "\n";
    }
    return out;
}

}  // namespace rimvista::batch
