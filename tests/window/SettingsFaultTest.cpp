// The settings file's faults as the real programs meet them: rimvista-batch lists the recordings,
// the window starts and is closed by its window manager (its closing writes the file), and the
// batch tool lists them again. Runs on an X display with a window manager (see CMakeLists.txt).
#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <thread>

#include "BatchProcess.h"
#include "core/IniFileIo.h"
#include "core/IniLock.h"

namespace rimvista::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

const std::string kEntry = "Data01=5,5,5,5,0,0,0,0,0\n";
const std::string kRecording = "[ListData001]\nDataNum=1\nListName=額縁\n" + kEntry;

std::string readAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class SettingsFault;

// What closing the window leaves: the file as it was (nothing could be written), the file with
// only the window's place appended (every other line kept), or a file made through a link.
enum class After { Unchanged, PlaceAdded, MadeThroughLink };

struct Fault {
    const char* name;
    bool needsRoot;  // a tiny tmpfs mount, and the window run as nobody
    std::function<void(SettingsFault&)> arrange;
    After after;
    const char* listed;  // by rimvista-batch, before and after
};

void PrintTo(const Fault& fault, std::ostream* out) {
    *out << fault.name;
}

class SettingsFault : public ::testing::TestWithParam<Fault> {
public:
    // Recording #1 and the two remembered folders, which the window reads and writes back.
    std::string withFolders(const std::string& folder, const std::string& rest = {}) const {
        return kRecording + rest + "[Folder]\nDataFolder=" + folder + "\nSaveFolder=" + folder +
               "\n";
    }
    std::string baseText() const { return withFolders(m_dir.string()); }
    void put(const std::string& bytes) {
        std::ofstream(m_settings, std::ios::binary) << bytes;
        m_original = m_kept = bytes;
    }
    // A 1 MB file system holding the settings file, filled up to its last block. The file fills
    // its two pages exactly, and closing changes a line before the recording (the remembered
    // folder is gone): a write that is not reserved first would cut the recording short.
    bool mountFullDisk() {
        const fs::path disk = m_dir / "disk";
        fs::create_directory(disk);
        if (::mount("tmpfs", disk.c_str(), "tmpfs", 0, "size=1m,mode=0755") != 0) return false;
        m_mount = disk;
        m_settings = disk / "rimvista.ini";
        const std::string folders =
            withFolders((m_dir / "gone").string()).substr(kRecording.size());
        put(folders + ";" + std::string(8192 - folders.size() - kRecording.size() - 2, '-') + "\n" +
            kRecording);
        fs::permissions(m_settings, fs::perms(0666));
        std::ofstream filler(disk / "filler", std::ios::binary);
        const std::string block(4096, 'x');
        while (filler.write(block.data(), block.size())) filler.flush();
        return true;
    }
    void holdLock() {
        auto lock = ini::SettingsLock::acquire(*ini::settingsTarget(m_settings.string()), 0ms);
        ASSERT_TRUE(lock.ok());
        m_lock.emplace(std::move(*lock));
    }

    fs::path m_dir, m_home, m_settings, m_mount;
    std::string m_original, m_kept;  // m_kept: what must still stand before the place
    bool m_asNobody = false;
    std::optional<ini::SettingsLock> m_lock;

protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "fault-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        m_dir = pattern;
        fs::permissions(m_dir, fs::perms(0755));
        m_home = m_dir / "home";
        fs::create_directory(m_home);
        fs::permissions(m_home, fs::perms(0777));
        m_settings = m_dir / "rimvista.ini";
        if (GetParam().needsRoot && ::geteuid() != 0) GTEST_SKIP() << "needs root";
        GetParam().arrange(*this);
        if (GetParam().needsRoot && m_mount.empty()) GTEST_SKIP() << "needs a tmpfs mount";
    }
    void TearDown() override {
        m_lock.reset();
        if (!m_mount.empty()) ::umount(m_mount.c_str());
        std::error_code ec;
        if (!m_dir.empty()) fs::remove_all(m_dir, ec);
    }

    BatchRun list() const {
        return runProgram(RIMVISTA_BATCH_EXE,
                          {"--list-registrations", "--settings", m_settings.string()}, m_home);
    }

    // Starts the window on the settings file, closes it as a user does (Alt+F4 to the window
    // manager) and tells whether it ended, with status 0, within a generous bound.
    bool windowCloses() {
        const int log = ::open((m_home / "window.log").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::dup2(log, STDOUT_FILENO);
            ::dup2(log, STDERR_FILENO);
            if (m_asNobody &&
                (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0))
                ::_exit(126);
            ::setenv("HOME", m_home.c_str(), 1);
            ::unsetenv("XAUTHORITY");  // the display admits any local client (-ac)
            ::execl(RIMVISTA_WINDOW_EXE, "rimvista", "--settings", m_settings.c_str(), nullptr);
            ::_exit(127);
        }
        ::close(log);
        std::string window;
        for (int i = 0; i < 600 && window.empty() && !ended(pid); ++i) {
            window = runProgram("/usr/bin/xdotool",
                                {"search", "--onlyvisible", "--pid", std::to_string(pid)}, m_home)
                         .out;
            window = window.substr(0, window.find('\n'));
            if (window.empty()) std::this_thread::sleep_for(100ms);
        }
        if (!window.empty()) {
            std::this_thread::sleep_for(500ms);  // the manager has framed it
            runProgram("/usr/bin/xdotool",
                       {"windowactivate", "--sync", window, "key", "--clearmodifiers", "alt+F4"},
                       m_home);
        }
        // The lock is waited for once, about 2 s; this bound only catches a hang.
        for (int i = 0; i < 300 && !ended(pid); ++i) std::this_thread::sleep_for(100ms);
        if (!ended(pid)) ::kill(pid, SIGKILL);
        int status = 0;
        ::waitpid(pid, &status, 0);
        return !window.empty() && m_status == 0;
    }

private:
    bool ended(pid_t pid) {
        int status = 0;
        if (m_exited || ::waitpid(pid, &status, WNOHANG) != pid) return m_exited;
        m_exited = true;
        m_status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return true;
    }
    bool m_exited = false;
    int m_status = -1;
};

TEST_P(SettingsFault, BothProgramsReadAlikeAndClosingNeverTearsTheFile) {
    const Fault& fault = GetParam();
    const BatchRun before = list();
    EXPECT_TRUE(windowCloses()) << readAll(m_home / "window.log");
    m_lock.reset();
    const BatchRun after = list();
    const std::string bytes = readAll(m_settings);

    EXPECT_EQ(before.out, fault.listed) << before.err;
    EXPECT_EQ(after.out, fault.listed) << after.err;
    switch (fault.after) {
        case After::Unchanged:
            EXPECT_EQ(bytes, m_original);
            break;
        case After::PlaceAdded:
            EXPECT_EQ(bytes.substr(0, m_kept.size()), m_kept);
            EXPECT_EQ(bytes.substr(m_kept.size(), 11), "[Position]\n");
            break;
        case After::MadeThroughLink:
            EXPECT_EQ(before.status, 2);  // no file yet, as the window saw it
            EXPECT_TRUE(fs::is_symlink(m_settings));
            EXPECT_NE(bytes.find("[Position]\n"), std::string::npos);
            break;
    }
    EXPECT_FALSE(fs::exists(m_settings.string() + ".lock"));  // the lock is kept out of sight
}

INSTANTIATE_TEST_SUITE_P(
    Table, SettingsFault,
    ::testing::Values(
        Fault{"FullDiskFolderNotWritable", true,
              [](SettingsFault& f) { f.m_asNobody = f.mountFullDisk(); }, After::Unchanged,
              "#1\t額縁\t1\n"},
        Fault{"FullDiskFolderWritable", true, [](SettingsFault& f) { f.mountFullDisk(); },
              After::Unchanged, "#1\t額縁\t1\n"},
        Fault{"LockHeldByAnotherCopy", false,
              [](SettingsFault& f) {
                  f.put(f.baseText());
                  f.holdLock();
              },
              After::Unchanged, "#1\t額縁\t1\n"},
        Fault{"Latin1LineKeepsItsBytes", false,
              [](SettingsFault& f) {
                  f.put(f.baseText() + "[ListData002]\nDataNum=1\nListName=caf\xE9\n" + kEntry);
              },
              After::PlaceAdded, "#1\t額縁\t1\n#2\tcaf\uFFFD\t1\n"},
        Fault{"ShiftJisLineValidAsUtf8FollowsTheFile", false,
              [](SettingsFault& f) {
                  const std::string second = "[ListData002]\nDataNum=1\nListName=";
                  std::string legacy = f.baseText() + second + "\xDC\xB8\n" + kEntry;
                  legacy.replace(legacy.find("額縁"), 6, "\x8A\x7A\x89\x8F");
                  f.put(legacy);
                  f.m_kept = f.baseText() + second + "ﾜｸ\n" + kEntry;  // now all UTF-8
              },
              After::PlaceAdded, "#1\t額縁\t1\n#2\tﾜｸ\t1\n"},
        Fault{"NulByteEndsOnlyItsValue", false,
              [](SettingsFault& f) {
                  std::string text = f.baseText();
                  text.insert(text.find("縁"), 1, '\0');
                  f.put(text);  // the folders after it must read back as they are
              },
              After::PlaceAdded, "#1\t額\t1\n"},
        Fault{"DamagedLinesArePassedOver", false,
              [](SettingsFault& f) {
                  // Neither UTF-8 nor Shift-JIS, so kept as they are.
                  f.put(f.withFolders(f.m_dir.string(), "\xFF\xFE\x01=\x80[\xA0\n]]==\xFD\n" +
                                                            std::string(300, '\xFF') + "\n"));
              },
              After::PlaceAdded, "#1\t額縁\t1\n"},
        Fault{"DanglingLinkIsWrittenThrough", false,
              [](SettingsFault& f) {
                  fs::create_directory(f.m_dir / "real");
                  fs::create_symlink("real/settings.ini", f.m_dir / "link.ini");
                  f.m_settings = f.m_dir / "link.ini";
              },
              After::MadeThroughLink, ""}),
    [](const auto& tested) { return std::string(tested.param.name); });

}  // namespace
}  // namespace rimvista::test
