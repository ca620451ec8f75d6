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
enum class Start { Program, Pictures };

struct Location {
    const char* name;
    bool installed, root, filePresent, folderWritable;
    Where settings;
    Start start;  // for a remembered folder that is the program's own, and one that is gone
};

void PrintTo(const Location& row, std::ostream* out) {
    *out << row.name;
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

TEST_P(SettingsLocation, FollowsTheInstalledOrPortableRule) {
    const Location& row = GetParam();
    const std::string settings = row.settings == Where::Beside
                                     ? (m_bin / "rimvista.ini").string()
                                     : (m_home / ".config/rimvista/rimvista.ini").string();
    const std::string start =
        row.start == Start::Program ? m_bin.string() : (m_home / "Bilder").string();
    EXPECT_EQ(askAsRowUser(), settings + "\n" + start + "\n" + start + "\n" + m_home.string());
}

constexpr bool kInstalled = true, kPortable = false, kRoot = true, kUser = false;
constexpr bool kPresent = true, kAbsent = false, kWritable = true, kReadOnly = false;

INSTANTIATE_TEST_SUITE_P(
    Table, SettingsLocation,
    ::testing::Values(Location{"InstalledRootPresentWritable", kInstalled, kRoot, kPresent,
                               kWritable, Where::Config, Start::Pictures},
                      Location{"InstalledRootPresentReadOnly", kInstalled, kRoot, kPresent,
                               kReadOnly, Where::Config, Start::Pictures},
                      Location{"InstalledRootAbsentWritable", kInstalled, kRoot, kAbsent, kWritable,
                               Where::Config, Start::Pictures},
                      Location{"InstalledRootAbsentReadOnly", kInstalled, kRoot, kAbsent, kReadOnly,
                               Where::Config, Start::Pictures},
                      Location{"InstalledUserPresentWritable", kInstalled, kUser, kPresent,
                               kWritable, Where::Config, Start::Pictures},
                      Location{"InstalledUserPresentReadOnly", kInstalled, kUser, kPresent,
                               kReadOnly, Where::Config, Start::Pictures},
                      Location{"InstalledUserAbsentWritable", kInstalled, kUser, kAbsent, kWritable,
                               Where::Config, Start::Pictures},
                      Location{"InstalledUserAbsentReadOnly", kInstalled, kUser, kAbsent, kReadOnly,
                               Where::Config, Start::Pictures},
                      Location{"PortableRootPresentWritable", kPortable, kRoot, kPresent, kWritable,
                               Where::Beside, Start::Program},
                      Location{"PortableRootPresentReadOnly", kPortable, kRoot, kPresent, kReadOnly,
                               Where::Beside, Start::Program},
                      Location{"PortableRootAbsentWritable", kPortable, kRoot, kAbsent, kWritable,
                               Where::Beside, Start::Program},
                      Location{"PortableRootAbsentReadOnly", kPortable, kRoot, kAbsent, kReadOnly,
                               Where::Config, Start::Program},
                      Location{"PortableUserPresentWritable", kPortable, kUser, kPresent, kWritable,
                               Where::Beside, Start::Program},
                      Location{"PortableUserPresentReadOnly", kPortable, kUser, kPresent, kReadOnly,
                               Where::Beside, Start::Program},
                      Location{"PortableUserAbsentWritable", kPortable, kUser, kAbsent, kWritable,
                               Where::Beside, Start::Program},
                      Location{"PortableUserAbsentReadOnly", kPortable, kUser, kAbsent, kReadOnly,
                               Where::Config, Start::Program}),
    [](const auto& tested) { return std::string(tested.param.name); });

}  // namespace
}  // namespace rimvista
