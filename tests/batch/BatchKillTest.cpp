// Killed, hung up or interrupted twice at any moment, a run leaves in its output folder nothing
// but complete results once the next run into that folder is done.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <random>
#include <thread>

#include "BatchTestSupport.h"
#include "support/TestPictures.h"

extern char** environ;

namespace rimvista::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr int kPictures = 50;
class BatchKill : public BatchTest {
protected:
    void SetUp() override {
        BatchTest::SetUp();
        for (int i = 0; i < kPictures; ++i)
            m_pictures.push_back(writeBmp(name(i), 160, 120, static_cast<std::uint32_t>(i + 1)));
    }
    static std::string name(int i) { return "p" + std::to_string(100 + i) + ".bmp"; }

    // Starts a run over every picture into out/ in the background, output discarded.
    pid_t start(bool namedTemporaries) const {
        std::vector<std::string> args = {
            RIMVISTA_BATCH_EXE, "-q", "-j", "2", "--skip-existing", "-f", kFrame, "-o", "out/"};
        for (int i = 0; i < kPictures; ++i) args.push_back(name(i));
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        std::vector<std::string> env;
        for (char** e = environ; *e; ++e) env.emplace_back(*e);
        if (namedTemporaries) env.emplace_back("RIMVISTA_NAMED_TEMPORARIES=1");
        std::vector<char*> envp;
        for (std::string& e : env) envp.push_back(e.data());
        envp.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addchdir_np(&actions, m_dir.c_str());
        pid_t pid = -1;
        posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
        posix_spawn_file_actions_destroy(&actions);
        return pid;
    }

    // The exit status, or 1000 + the signal that ended it.
    static int waitFor(pid_t pid) {
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0) {
        }
        return WIFEXITED(status) ? WEXITSTATUS(status) : 1000 + WTERMSIG(status);
    }

    // One more run, then out/ holds every result, each complete, and nothing else.
    void expectOnlyCompleteResults() {
        std::vector<std::string> args = {"-q", "--skip-existing", "-f", kFrame, "-o", "out/"};
        for (int i = 0; i < kPictures; ++i) args.push_back(name(i));
        const BatchRun rerun = batch(args);
        EXPECT_EQ(rerun.status, 0) << rerun.err;
        std::vector<std::string> expected;
        for (int i = 0; i < kPictures; ++i) expected.push_back(name(i));
        ASSERT_EQ(listing("out"), expected);
        for (int i = 0; i < kPictures; ++i)
            EXPECT_TRUE(samePixels(load("out/" + name(i)),
                                   framedByEngine(m_pictures[static_cast<std::size_t>(i)],
                                                  {frame(5, 5, 5, 5, 0, 0, 0, 0, 0)})))
                << name(i);
    }

    std::vector<PixelSurface> m_pictures;
};

TEST_F(BatchKill, RandomKillsLeaveOnlyCompleteResultsAfterTheNextRun) {
    std::mt19937 rng(std::random_device{}());
    std::uniform_int_distribution<int> delay(0, 120);
    for (int kill = 0; kill < 30; ++kill) {
        const pid_t pid = start(kill % 2 == 1);
        std::this_thread::sleep_for(std::chrono::milliseconds(delay(rng)));
        ::kill(pid, SIGKILL);
        waitFor(pid);
    }
    expectOnlyCompleteResults();
}

// Each signal ends the run with 128 + the signal and takes its temporaries with it.
TEST_F(BatchKill, HangUpPipeAndASecondInterruptEndTheRunCleanly) {
    const struct {
        std::vector<int> signals;
        int status;
    } cases[] = {
        {{SIGINT, SIGINT}, 130}, {{SIGHUP}, 129}, {{SIGPIPE}, 141}, {{SIGTERM, SIGTERM}, 143}};
    for (const bool named : {false, true}) {
        for (const auto& c : cases) {
            fs::remove_all(path("out"));
            const pid_t pid = start(named);
            std::this_thread::sleep_for(60ms);
            for (int s : c.signals) {
                ::kill(pid, s);
                std::this_thread::sleep_for(5ms);  // two of one kind at once would merge
            }
            const int status = waitFor(pid);
            // A run that finished before the signal came cannot show it; one still starting up,
            // before it handles signals, is ended by the signal itself.
            if (status != 0 && status != 1000 + c.signals.back()) {
                EXPECT_EQ(status, c.status) << c.signals.front() << " named " << named;
            }
            if (fs::exists(path("out"))) {
                for (const std::string& entry : listing("out"))
                    EXPECT_EQ(entry.find(".rvtmp"), std::string::npos) << entry;
            }
            expectOnlyCompleteResults();
        }
    }
}

}  // namespace
}  // namespace rimvista::test
