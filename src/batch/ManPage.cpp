// rimvista-batch(1), in English, from the option table.
#include <cctype>

#include "batch/BatchOptions.h"
#include "batch/OptionDocs.h"

namespace rimvista::batch {

namespace {

// Text as roff reads it literally: backslashes and minus signs escaped, no line taken for a
// request. Each sentence starts a source line, so that roff spaces sentences as it should.
std::string roff(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const bool lineStart = out.empty() || out.back() == '\n';
        if (lineStart && (c == '.' || c == '\'')) out += "\\&";
        if (c == '\\')
            out += "\\e";
        else if (c == '-')
            out += "\\-";
        else if (c == ' ' && i > 0 && text[i - 1] == '.' && i + 1 < text.size() &&
                 (std::isupper(static_cast<unsigned char>(text[i + 1])) || text[i + 1] == '-'))
            out += '\n';
        else
            out += c;
    }
    return out;
}

std::string bold(std::string_view text) {
    return "\\fB" + roff(text) + "\\fR";
}

std::string italic(std::string_view text) {
    return "\\fI" + roff(text) + "\\fR";
}

// The help text as a sentence: capital first letter, full stop at the end.
std::string sentence(std::string_view help) {
    std::string s(help);
    if (!s.empty()) s[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(s[0])));
    if (!s.empty() && s.back() != '.') s += '.';
    return s;
}

std::string optionEntry(const OptionRow& row) {
    std::string head;
    if (row.shortName) head = bold(std::string("-") + row.shortName) + ", ";
    head += bold("--" + std::string(row.longName));
    if (!row.valueName.empty()) head.append(1, ' ').append(italic(row.valueName));
    std::string entry = ".TP\n" + head + "\n" + roff(sentence(row.help.english)) + "\n";
    if (!row.byDefault.empty())
        entry += roff("Default: " + std::string(row.byDefault.english)) + ".\n";
    return entry;
}

constexpr std::string_view kSynopsis = R"(.SH SYNOPSIS
.B rimvista-batch
[\fIoptions\fR] \fIPICTURE\fR...
.br
.B rimvista-batch
\fB\-\-make\-sample\fR \fIFILE\fR [\fB\-\-sample\-size\fR \fIW\fRx\fIH\fR]
.br
.B rimvista-batch
\fB\-\-list\-registrations\fR [\fB\-\-settings\fR \fIFILE\fR]
)";

constexpr std::string_view kMoreDescription =
    "An input is never written over, two pictures that would meet in one output are refused "
    "before anything is written, and an existing output is replaced only with --overwrite. "
    "Messages are in English, or in Japanese where the locale is Japanese.";

constexpr std::string_view kExamples = R"(.SH EXAMPLES
.nf
rimvista\-batch \-\-make\-sample sample.jpg
rimvista\-batch \-f 8,8,8,8,0,0,0,0,0 \-\-nest 3 sample.jpg \-o framed.jpg
rimvista\-batch \-r \(aq#3\(aq \-R photos \-o framed/
rimvista\-batch \-\-list\-registrations
.fi
.SH SEE ALSO
.BR rimvista (1)
)";

}  // namespace

std::string manualPage(std::string_view version) {
    std::string page =
        ".TH RIMVISTA\\-BATCH 1 \"\" \"Rimvista " + std::string(version) + "\" \"User Commands\"\n";
    page += ".SH NAME\nrimvista\\-batch \\- paint bevelled frames into many pictures at once\n";
    page += kSynopsis;
    page += ".SH DESCRIPTION\n" + roff(toolSummary().english) + "\n" +
            roff(picturesNote().english) + "\n.PP\n" + roff(kMoreDescription) + "\n";
    page += ".SH OPTIONS\n";
    for (const OptionRow& row : optionTable()) page += optionEntry(row);
    page += ".SH EXIT STATUS\n" + roff(exitStatusNote().english) + "\n";
    page += kExamples;
    return page;
}

}  // namespace rimvista::batch
