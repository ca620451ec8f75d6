// --help, made from the option table in the user's language.
#include "batch/BatchOptions.h"
#include "batch/Messages.h"
#include "batch/TextWrap.h"

namespace rimvista::batch {

namespace {

constexpr std::size_t kLineWidth = 80;
constexpr std::size_t kHelpColumn = 22;

std::string optionLabel(const OptionRow& row) {
    std::string label = row.shortName ? std::string("  -") + row.shortName + ", " : "      ";
    label += "--" + std::string(row.longName);
    if (!row.valueName.empty()) label.append(1, ' ').append(row.valueName);
    return label;
}

void appendWrapped(std::string& out, const std::string& text, std::size_t indent,
                   std::size_t firstIndent) {
    bool first = true;
    for (const std::string& line : wrapText(text, kLineWidth - indent)) {
        out += std::string(first ? firstIndent : indent, ' ') + line + "\n";
        first = false;
    }
}

}  // namespace

std::string usageText() {
    std::string out = say("Usage: rimvista-batch [options] PICTURE...\n",
                          "使い方: rimvista-batch [オプション] PICTURE...\n");
    out += toolSummary()() + "\n\n";
    for (const OptionRow& row : optionTable()) {
        std::string label = optionLabel(row);
        std::string help = row.help();
        if (!row.byDefault.empty()) help += say(" (default: ", " (既定: ") + row.byDefault() + ")";
        std::size_t firstIndent = kHelpColumn;
        if (label.size() + 1 <= kHelpColumn) {
            firstIndent = kHelpColumn - label.size();
            out += label;
        } else {
            out += label + "\n";
        }
        appendWrapped(out, help, kHelpColumn, firstIndent);
    }
    out += "\n";
    appendWrapped(out, picturesNote()(), 0, 0);
    appendWrapped(out, say("Exit status: ", "終了ステータス: ") + exitStatusNote()(), 0, 0);
    return out;
}

}  // namespace rimvista::batch
