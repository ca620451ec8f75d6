// Where the settings file lives and where the dialogs start: an installed or a portable copy, run
// by root or by a user, with or without a settings file beside it, in a folder that user can
// write or not.
#include <grp.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "core/SettingsPath.h"

namespace rimvista {
namespace {

namespace fs = std::filesystem;

enum class Where { Beside, Config };

struct Location {
    bool installed, root, filePresent, folderWritable;
    Where settings;
};

std::string nameOf(const Location& row) {
    return std::string(row.installed ? "Installed" : "Portable") + (row.root ? "Root" : "User") +
           (row.filePresent ? "FilePresent" : "NoFile") +
           (row.folderWritable ? "FolderWritable" : "FolderReadOnly");
}

void PrintTo(const Location& row, std::ostream* out) {
    *out << nameOf(row);
}

class SettingsLocation : public ::testing::TestWithParam<Location> {
protected:
    void SetUp() override {
        const Location& row = GetParam();
        if (row.root && ::geteuid() != 0) GTEST_SKIP() << "needs root";
        std::string pattern = (fs::temp_directory_path() / "where-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        m_dir = pattern;
        fs::permissions(m_dir, fs::perms(0755));
        m_bin = m_dir / "bin";
        m_home = m_dir / "home";
        fs::create_directories(m_bin);
        fs::create_directories(m_home / ".config");
        fs::create_directories(m_home / "Bilder");
        std::ofstream(m_home / ".config/user-dirs.dirs")
            << "# written by xdg-user-dirs-update\nXDG_PICTURES_DIR=\"$HOME/Bilder\"\n";
        // Root writes anywhere but on a read-only file system.
        if (row.root && !row.folderWritable &&
            ::mount("tmpfs", m_bin.c_str(), "tmpfs", 0, "size=64k,mode=0755") != 0) {
            GTEST_SKIP() << "needs a tmpfs mount";
        }
        m_mounted = row.root && !row.folderWritable;
        if (row.filePresent) std::ofstream(m_bin / "rimvista.ini") << "[Position]\nTop=1\n";
        if (m_mounted) {
            ASSERT_EQ(::mount(nullptr, m_bin.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr), 0);
        } else {
            fs::permissions(m_bin, fs::perms(row.folderWritable ? 0777 : 0555));
        }
        fs::permissions(m_home, fs::perms(0777));
    }
    void TearDown() override {
        if (m_mounted) ::umount(m_bin.c_str());
        std::error_code ec;
        if (!m_dir.empty()) fs::remove_all(m_dir, ec);
    }

    // The answers as the row's user gets them, from a child process of that user.
    std::string askAsRowUser() {
        int out[2];
        if (::pipe(out) != 0) return "pipe";
        const pid_t child = ::fork();
        if (child == 0) {
            ::close(out[0]);
            if (!GetParam().root && ::geteuid() == 0 &&
                (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0))
                ::_exit(3);
            ::setenv("HOME", m_home.c_str(), 1);
            ::unsetenv("XDG_CONFIG_HOME");
            const std::vector<std::string> bins{GetParam().installed ? m_bin.string() : "/nowhere"};
            const std::string program = m_bin.string(), gone = (m_dir / "gone").string();
            const std::string answer = settingsFileFor(program, "rimvista", bins) + "\n" +
                                       firstFolder(program, true, program, bins) + "\n" +
                                       firstFolder(gone, false, program, bins) + "\n" +
                                       firstFolder(m_home.string(), true, program, bins);
            ::_exit(::write(out[1], answer.data(), answer.size()) ==
                            static_cast<ssize_t>(answer.size())
                        ? 0
                        : 4);
        }
        ::close(out[1]);
        std::string answer;
        char buf[4096];
        for (ssize_t n; (n = ::read(out[0], buf, sizeof buf)) > 0;) answer.append(buf, n);
        ::close(out[0]);
        int status = 0;
        ::waitpid(child, &status, 0);
        return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? answer : "child failed";
    }

    fs::path m_dir, m_bin, m_home;
    bool m_mounted = false;
};

// The dialogs start in the program's folder for a portable copy, in the pictures folder for an
// installed one, when the remembered folder is the program's own or is gone.
TEST_P(SettingsLocation, FollowsTheInstalledOrPortableRule) {
    const Location& row = GetParam();
    const std::string settings = row.settings == Where::Beside
                                     ? (m_bin / "rimvista.ini").string()
                                     : (m_home / ".config/rimvista/rimvista.ini").string();
    const std::string start = row.installed ? (m_home / "Bilder").string() : m_bin.string();
    EXPECT_EQ(askAsRowUser(), settings + "\n" + start + "\n" + start + "\n" + m_home.string());
}

constexpr bool kInstalled = true, kPortable = false, kRoot = true, kUser = false;
constexpr bool kPresent = true, kAbsent = false, kWritable = true, kReadOnly = false;
constexpr Where kBeside = Where::Beside, kConfig = Where::Config;

INSTANTIATE_TEST_SUITE_P(
    Table, SettingsLocation,
    ::testing::Values(Location{kInstalled, kRoot, kPresent, kWritable, kConfig},
                      Location{kInstalled, kRoot, kPresent, kReadOnly, kConfig},
                      Location{kInstalled, kRoot, kAbsent, kWritable, kConfig},
                      Location{kInstalled, kRoot, kAbsent, kReadOnly, kConfig},
                      Location{kInstalled, kUser, kPresent, kWritable, kConfig},
                      Location{kInstalled, kUser, kPresent, kReadOnly, kConfig},
                      Location{kInstalled, kUser, kAbsent, kWritable, kConfig},
                      Location{kInstalled, kUser, kAbsent, kReadOnly, kConfig},
                      Location{kPortable, kRoot, kPresent, kWritable, kBeside},
                      Location{kPortable, kRoot, kPresent, kReadOnly, kBeside},
                      Location{kPortable, kRoot, kAbsent, kWritable, kBeside},
                      Location{kPortable, kRoot, kAbsent, kReadOnly, kConfig},
                      Location{kPortable, kUser, kPresent, kWritable, kBeside},
                      Location{kPortable, kUser, kPresent, kReadOnly, kBeside},
                      Location{kPortable, kUser, kAbsent, kWritable, kBeside},
                      Location{kPortable, kUser, kAbsent, kReadOnly, kConfig}),
    [](const auto& tested) { return nameOf(tested.param); });

}  // namespace
}  // namespace rimvista
