// No lost settings: crashes in the middle of a write, readers holding the old file, and two
// running copies of the program writing the same file.
#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <string>

#include "IniTestFiles.h"
#include "core/IniFileIo.h"
#include "core/cInifile.h"

namespace rimvista {
namespace {

using SettingsSafety = test::IniFileTest;
namespace fs = std::filesystem;

int exitStatusOf(pid_t child) {
    int status = 0;
    if (::waitpid(child, &status, 0) != child) return -1;
    return status;
}

fs::path leftoverTemporary(const fs::path& dir) {
    for (const auto& entry : fs::directory_iterator(dir)) {
        if (entry.path().filename().string().rfind("Rimvista.ini.tmp", 0) == 0) return entry;
    }
    return {};
}

// Killed while writing, a writer leaves the old file; through an unnamed temporary it leaves
// nothing else, through the named fallback (RIMVISTA_NAMED_TEMPORARIES=1) a torn temporary.
TEST_F(SettingsSafety, WriterKilledMidWriteLeavesTheOldFile) {
    std::string before = "[Keep]\nk=old\n[Bulk]\n";
    for (int i = 0; before.size() < 300000; ++i) before += "v" + std::to_string(i) + "=x\n";
    putFile(before);

    for (const bool named : {false, true}) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            if (named) ::setenv("RIMVISTA_NAMED_TEMPORARIES", "1", 1);
            ini::setWriteChunkHookForTests([](std::size_t written) {
                if (written >= 64 * 1024) ::raise(SIGKILL);
            });
            ini.WriteStr("Keep", "k", "new");
            ::_exit(0);  // not reached when the hook fires
        }
        const int status = exitStatusOf(child);
        ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << named;
        EXPECT_EQ(fileBytes(), before);
        const fs::path torn = leftoverTemporary(m_dir);
        EXPECT_EQ(torn.empty(), !named);
        if (named && !torn.empty()) {
            EXPECT_LT(fs::file_size(torn), before.size());
        }
    }

    // The dead writers' locks went with them, and a leftover does not disturb anyone.
    EXPECT_EQ(ini.ReadStr("Keep", "k", "d"), "old");
    ASSERT_NE(ini.WriteStr("Keep", "k", "new"), 0);
    EXPECT_EQ(ini.ReadStr("Keep", "k", "d"), "new");
}

TEST_F(SettingsSafety, ReplacesTheFileInsteadOfRewritingIt) {
    putFile("[S]\nk=old\n");
    const int held = ::open(m_path.c_str(), O_RDONLY);
    ASSERT_GE(held, 0);
    ASSERT_NE(ini.WriteStr("S", "k", "newer value"), 0);
    char buf[64] = {};
    const ssize_t n = ::pread(held, buf, sizeof buf, 0);
    ::close(held);
    EXPECT_EQ(std::string(buf, n > 0 ? static_cast<std::size_t>(n) : 0), "[S]\nk=old\n");
    EXPECT_EQ(fileBytes(), "[S]\nk=newer value\n");
}

TEST_F(SettingsSafety, KeepsPermissionsAndSymbolicLinks) {
    putFile("[S]\nk=v\n");
    fs::permissions(m_path, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    const fs::path link = m_dir / "link.ini";
    fs::create_symlink(m_path, link);
    ini.FileName(link.string());
    ASSERT_NE(ini.WriteStr("S", "k", "w"), 0);
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(fileBytes(), "[S]\nk=w\n");
    EXPECT_EQ(fs::status(m_path).permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

// An earlier version's empty lock file beside the settings file goes at the next write, unless
// a copy of that version still holds it.
TEST_F(SettingsSafety, AnEarlierVersionsLockFileGoesOnceNobodyHoldsIt) {
    putFile("[S]\nk=v\n");
    const std::string old = m_path + ".lock";
    const int held = ::open(old.c_str(), O_RDWR | O_CREAT, 0600);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);
    ASSERT_NE(ini.WriteStr("S", "k", "w"), 0);
    EXPECT_TRUE(fs::exists(old));
    ::close(held);
    ASSERT_NE(ini.WriteStr("S", "k", "x"), 0);
    EXPECT_FALSE(fs::exists(old));
    EXPECT_EQ(fileBytes(), "[S]\nk=x\n");
}

TEST_F(SettingsSafety, TwoProcessesWritingAtOnceLoseNothing) {
    constexpr int kKeys = 200;
    auto writeKeys = [this](const std::string& prefix) {
        cInifile own;
        own.FileName(m_path);
        int failures = 0;
        for (int i = 0; i < kKeys; ++i) {
            failures += own.WriteStr("Keys", prefix + std::to_string(i), std::to_string(i)) == 0;
        }
        return failures;
    };
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        char go = 0;
        if (::read(ready[0], &go, 1) != 1) ::_exit(2);
        ::_exit(writeKeys("child") == 0 ? 0 : 1);
    }
    ASSERT_EQ(::write(ready[1], "g", 1), 1);  // both start together
    const int parentFailures = writeKeys("parent");
    const int status = exitStatusOf(child);
    ::close(ready[0]);
    ::close(ready[1]);

    EXPECT_EQ(parentFailures, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    int present = 0;
    for (const char* prefix : {"child", "parent"}) {
        for (int i = 0; i < kKeys; ++i) {
            present += ini.ReadStr("Keys", prefix + std::to_string(i), "") == std::to_string(i);
        }
    }
    EXPECT_EQ(present, 2 * kKeys);
}

}  // namespace
}  // namespace rimvista

namespace rimvista {
namespace {

// Runs `body` in a child process as the unprivileged user "nobody" (or as the current user when
// the suite does not run as root) and gives its exit status; root would pass every permission
// check and hide the case.
int runAsUnprivileged(const std::function<int()>& body) {
    const pid_t child = ::fork();
    if (child < 0) return -1;
    if (child == 0) {
        if (::geteuid() == 0 &&
            (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(3);
        ::_exit(body());
    }
    return exitStatusOf(child);
}

TEST_F(SettingsSafety, WritableFileInAFolderThatIsNotIsRewrittenInPlace) {
    putFile("[Position]\r\nTop=600\r\n[Folder]\r\nDataFolder=/pictures\r\n");
    fs::permissions(m_path, fs::perms(0666));
    fs::permissions(m_dir, fs::perms(0755));  // its owner may write it; nobody else
    const auto inode = [&] {
        struct stat st {};
        ::stat(m_path.c_str(), &st);
        return st.st_ino;
    };
    const ino_t before = inode();

    const int status = runAsUnprivileged([&] {
        if (::access(m_dir.c_str(), W_OK) == 0) return 4;  // the case needs an unwritable folder
        cInifile other;
        other.FileName(m_path);
        const bool ok = other.WriteStr("Position", "Top", "1200") != 0 &&
                        other.WriteStr("ListData001", "ListName", "額縁") != 0 &&
                        other.WriteStr("Folder", "DataFolder", "/p") != 0;  // shorter file
        return ok ? 0 : 1;
    });
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_EQ(WEXITSTATUS(status), 0);

    EXPECT_EQ(fileBytes(),
              "[Position]\r\nTop=1200\r\n[Folder]\r\nDataFolder=/p\r\n[ListData001]\r\n"
              "ListName=額縁\r\n");
    EXPECT_EQ(inode(), before);
    EXPECT_TRUE(leftoverTemporary(m_dir).empty());
    EXPECT_FALSE(fs::exists(m_path + ".lock"));
}

}  // namespace
}  // namespace rimvista
