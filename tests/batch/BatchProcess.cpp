#include "BatchProcess.h"

#include <fcntl.h>
#include <pty.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

extern char** environ;

namespace rimvista::test {

namespace {

namespace fs = std::filesystem;

std::string slurp(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<char*> argvOf(const std::string& program, const std::vector<std::string>& args) {
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    return argv;
}

int waitFor(pid_t pid) {
    int wstatus = 0;
    while (::waitpid(pid, &wstatus, 0) < 0) {
    }
    return WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -1;
}

// The tool speaks the language of the locale; a test that reads its messages chooses that
// language itself, while the suite's locale still reaches numbers and characters.
std::vector<std::string> environmentWith(const std::vector<std::string>& changes) {
    std::vector<std::string> env;
    std::string suiteLocale;
    for (char** e = environ; *e; ++e) {
        const std::string entry = *e;
        const std::string name = entry.substr(0, entry.find('='));
        if (name == "LC_ALL" || name == "LANG" || name == "LC_MESSAGES" || name == "LANGUAGE") {
            const std::string value = entry.substr(name.size() + 1);
            if (!value.empty() && (name == "LC_ALL" || (name == "LANG" && suiteLocale.empty())))
                suiteLocale = value;
            continue;
        }
        bool replaced = false;
        for (const std::string& c : changes)
            replaced = replaced || c.substr(0, c.find('=')) == name;
        if (!replaced) env.push_back(entry);
    }
    if (!suiteLocale.empty()) {
        env.push_back("LC_CTYPE=" + suiteLocale);
        env.push_back("LC_NUMERIC=" + suiteLocale);
    }
    env.insert(env.end(), changes.begin(), changes.end());
    return env;
}

// Spawns with stdout to outFile and stderr to errFd, in folder; stdin from inFile when given.
pid_t spawn(const std::string& program, const std::vector<std::string>& args,
            const fs::path& folder, const fs::path& outFile, int errFd,
            const std::vector<std::string>& envChanges = {}, const fs::path& inFile = {}) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (!inFile.empty())
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, inFile.c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outFile.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_adddup2(&actions, errFd, STDERR_FILENO);
    posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    std::vector<char*> argv = argvOf(program, args);
    std::vector<std::string> env = environmentWith(envChanges);
    std::vector<char*> envp;
    for (std::string& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data()) != 0)
        pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

}  // namespace

BatchRun runProgram(const std::string& program, const std::vector<std::string>& args,
                    const fs::path& folder, const std::vector<std::string>& env,
                    const std::string& input) {
    const fs::path outFile = folder / ".batch-stdout";
    const fs::path errFile = folder / ".batch-stderr";
    const fs::path inFile = folder / ".batch-stdin";
    std::ofstream(inFile, std::ios::binary) << input;
    BatchRun run;
    const int errFd = ::open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    const pid_t pid = spawn(program, args, folder, outFile, errFd, env, inFile);
    ::close(errFd);
    if (pid >= 0) run.status = waitFor(pid);
    fs::remove(inFile);
    if (pid < 0) return run;
    run.out = slurp(outFile);
    run.err = slurp(errFile);
    fs::remove(outFile);
    fs::remove(errFile);
    return run;
}

BatchRun runOnTerminal(const std::string& program, const std::vector<std::string>& args,
                       const fs::path& folder) {
    BatchRun run;
    int master = -1, slave = -1;
    if (::openpty(&master, &slave, nullptr, nullptr, nullptr) != 0) return run;
    ::fcntl(master, F_SETFD, FD_CLOEXEC);
    ::fcntl(slave, F_SETFD, FD_CLOEXEC);
    const fs::path outFile = folder / ".batch-stdout";
    const pid_t pid = spawn(program, args, folder, outFile, slave);
    ::close(slave);
    if (pid < 0) {
        ::close(master);
        return run;
    }
    // The terminal must be drained while the program runs, or its writes would block.
    char buffer[4096];
    while (true) {
        const ssize_t n = ::read(master, buffer, sizeof buffer);
        if (n <= 0) break;  // EIO once the last writer has closed the terminal
        run.err.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(master);
    run.status = waitFor(pid);
    run.out = slurp(outFile);
    fs::remove(outFile);
    return run;
}

}  // namespace rimvista::test
