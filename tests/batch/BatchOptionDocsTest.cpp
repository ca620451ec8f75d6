// What is made from the option table, and what is written beside it, against each other: --help
// in both languages, the manual page, the bash completion and the README.
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>

#include "BatchTestSupport.h"
#include "batch/BatchOptions.h"

namespace rimvista::test {
namespace {

namespace fs = std::filesystem;

const fs::path kDocs = RIMVISTA_BATCH_DOCS_DIR;

std::string fileText(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Each option --help lists (by its long name) with the default it gives, "" for none.
std::map<std::string, std::string> helpEntries(const std::string& help, const std::string& marker) {
    static const std::regex optionLine(R"(^  (?:-\w, |    )--([a-z-]+)(.*)$)");
    std::map<std::string, std::string> entries;
    std::string current;
    std::istringstream lines(help);
    for (std::string line; std::getline(lines, line);) {
        std::smatch m;
        if (std::regex_match(line, m, optionLine)) {
            current = m[1];
            entries[current] = m[2];
        } else if (line.empty()) {
            current.clear();
        } else if (!current.empty()) {
            entries[current] += " " + line.substr(line.find_first_not_of(' '));
        }
    }
    for (auto& [name, text] : entries) {
        const auto at = text.find(marker);
        text = at == std::string::npos ? "" : text.substr(at + marker.size());
        if (!text.empty()) text.pop_back();  // the closing parenthesis
    }
    return entries;
}

// Each option of the manual page's OPTIONS section with the default it gives, "" for none.
std::map<std::string, std::string> manualEntries(std::string page) {
    for (const auto& [from, to] : {std::pair{"\\-", "-"},
                                   {"\\fB", ""},
                                   {"\\fI", ""},
                                   {"\\fR", ""},
                                   {"\\&", ""},
                                   {"\\e", "\\"}})
        for (auto at = page.find(from); at != std::string::npos; at = page.find(from, at))
            page.replace(at, std::string_view(from).size(), to);
    std::map<std::string, std::string> entries;
    std::istringstream lines(page.substr(page.find(".SH OPTIONS")));
    static const std::regex head(R"(^(?:-\w, )?--([a-z-]+).*$)");
    std::string current, line;
    std::getline(lines, line);
    while (std::getline(lines, line) && line.rfind(".SH", 0) != 0) {
        std::smatch m;
        if (line == ".TP" && std::getline(lines, line) && std::regex_match(line, m, head))
            entries[current = m[1]] = "";
        else if (line.rfind("Default: ", 0) == 0 && !current.empty())
            entries[current] = line.substr(9, line.size() - 10);  // without the full stop
    }
    return entries;
}

TEST_F(BatchTest, HelpInBothLanguagesAndTheManualPageListEveryOptionWithOneDefault) {
    const auto english = helpEntries(batch({"--help"}).out, "(default: ");
    EXPECT_EQ(english, manualEntries(fileText(kDocs / "rimvista-batch.1")));
    EXPECT_EQ(english.size(), batch::optionTable().size());

    const BatchRun ja = batch({"--help"}, {"LC_ALL=ja_JP.UTF-8"});
    const auto japanese = helpEntries(ja.out, "(既定: ");
    ASSERT_EQ(japanese.size(), english.size()) << ja.out;
    for (const auto& [name, byDefault] : english)
        EXPECT_EQ(japanese.at(name).empty(), byDefault.empty()) << name;
    EXPECT_FALSE(holdsEnglishProse(ja.out)) << ja.out;
}

TEST(BatchOptionDocs, ReadmeNamesTheOptionsOfTheTable) {
    const std::string readme = fileText(fs::path(RIMVISTA_SOURCE_DIR) / "README.md");
    const auto start = readme.find("\n## rimvista-batch");
    ASSERT_NE(start, std::string::npos);
    std::istringstream section(readme.substr(start, readme.find("\n## ", start + 1) - start));
    static const std::regex longName(R"(--([a-z][a-z-]*[a-z]))");
    static const std::regex shortName(R"((?:^|[\s`(])-([A-Za-z])(?=[\s`),.]|$))");
    std::set<std::string> named;
    for (std::string line; std::getline(section, line);) {
        if (line.rfind('#', 0) == 0) continue;    // headings, and a job script's own directives
        line = line.substr(0, line.find(" | "));  // not what a pipe leads to
        for (std::sregex_iterator m(line.begin(), line.end(), longName), end; m != end; ++m)
            named.insert((*m)[1]);
        for (std::sregex_iterator m(line.begin(), line.end(), shortName), end; m != end; ++m) {
            const char letter = (*m)[1].str()[0];
            std::string name = std::string("-") + letter;  // kept as is when no option has it
            for (const auto& row : batch::optionTable())
                if (row.shortName == letter) name = row.longName;
            named.insert(name);
        }
    }
    std::set<std::string> table;
    for (const auto& row : batch::optionTable()) table.insert(std::string(row.longName));
    EXPECT_EQ(named, table);
}

struct CompletionCase {
    std::vector<std::string> words;  // the command line up to the word being completed
    std::string offered;             // what the completion offers, one a line
};

class BashCompletionTest : public BatchTest,
                           public ::testing::WithParamInterface<CompletionCase> {};

TEST_P(BashCompletionTest, OffersWhatFitsTheWord) {
    if (!fs::exists("/bin/bash")) GTEST_SKIP() << "no bash";
    // Loaded as bash-completion loads it; the function is the one `complete` registered.
    const std::string script =
        "source \"$1\"; shift; f=$(complete -p rimvista-batch | sed 's/.*-F \\([^ ]*\\).*/\\1/');"
        "COMP_WORDS=(\"$@\"); COMP_CWORD=$(($# - 1)); $f; printf '%s\\n' \"${COMPREPLY[@]}\"";
    std::vector<std::string> args = {"-c", script, "bash", (kDocs / "rimvista-batch.bash").string(),
                                     "rimvista-batch"};
    args.insert(args.end(), GetParam().words.begin(), GetParam().words.end());
    const BatchRun run = runProgram("/bin/bash", args, m_dir);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, GetParam().offered) << run.err;
}

INSTANTIATE_TEST_SUITE_P(Batch, BashCompletionTest,
                         ::testing::Values(CompletionCase{{"--sh"}, "--shard\n"},
                                           CompletionCase{{"-o", "a.bmp", "--dry"}, "--dry-run\n"},
                                           CompletionCase{{"--format", ""}, "jpg\npng\nbmp\n"},
                                           CompletionCase{{"-f", ""}, "\n"}));

}  // namespace
}  // namespace rimvista::test
