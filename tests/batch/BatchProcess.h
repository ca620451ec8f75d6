#pragma once
// Runs the real rimvista-batch executable and collects what it printed.

#include <filesystem>
#include <string>
#include <vector>

namespace rimvista::test {

struct BatchRun {
    int status = -1;  // exit status; -1 when it did not exit normally
    std::string out;  // stdout
    std::string err;  // stderr
};

// Runs `program args...` in folder, stdout and stderr captured (stderr is not a terminal).
// env: NAME=VALUE settings added to (or replacing those of) this process's environment; input:
// what the program reads from its standard input.
BatchRun runProgram(const std::string& program, const std::vector<std::string>& args,
                    const std::filesystem::path& folder, const std::vector<std::string>& env = {},
                    const std::string& input = {});

// The same with stderr on a pseudo-terminal, as in an interactive shell.
BatchRun runOnTerminal(const std::string& program, const std::vector<std::string>& args,
                       const std::filesystem::path& folder);

}  // namespace rimvista::test
