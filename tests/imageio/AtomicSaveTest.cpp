// Saving never loses the previous file: failures leave the target and the folder as they were.

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

#include "imageio/AtomicFile.h"
#include "imageio/CodecTestFiles.h"
#include "imageio/PictureReader.h"
#include "imageio/PictureWriter.h"
#include "imageio/TemporaryFiles.h"

namespace rimvista::files {
namespace {

using test::Bytes;

const Bytes kOld{'o', 'l', 'd'};

// Makes a folder refuse new entries: by permissions, or for a privileged user (who ignores
// permissions) by the immutable flag. Undone on destruction.
class LockedFolder {
public:
    explicit LockedFolder(const std::filesystem::path& folder) : m_folder(folder) {
        ::chmod(m_folder.c_str(), 0555);
        if (refusesNewFiles()) return;
        const int fd = ::open(m_folder.c_str(), O_RDONLY | O_DIRECTORY);
        int flags = 0;
        if (fd >= 0 && ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0) {
            flags |= FS_IMMUTABLE_FL;
            m_immutable = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
        }
        if (fd >= 0) ::close(fd);
    }
    ~LockedFolder() {
        if (m_immutable) {
            const int fd = ::open(m_folder.c_str(), O_RDONLY | O_DIRECTORY);
            int flags = 0;
            ::ioctl(fd, FS_IOC_GETFLAGS, &flags);
            flags &= ~FS_IMMUTABLE_FL;
            ::ioctl(fd, FS_IOC_SETFLAGS, &flags);
            ::close(fd);
        }
        ::chmod(m_folder.c_str(), 0755);
    }
    bool refusesNewFiles() const {
        const std::string probe = (m_folder / "probe").string();
        const int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
        if (fd < 0) return true;
        ::close(fd);
        ::unlink(probe.c_str());
        return false;
    }

private:
    std::filesystem::path m_folder;
    bool m_immutable = false;
};

class AtomicSave : public ::testing::Test {
protected:
    void SetUp() override {
        test::writeBytes(m_folder.file("target.bmp"), kOld);
        test::writeBytes(m_folder.file("target.jpg"), kOld);
    }
    void expectUntouched() {
        EXPECT_EQ(test::readBytes(m_folder.file("target.bmp")), kOld);
        EXPECT_EQ(test::readBytes(m_folder.file("target.jpg")), kOld);
        auto entries = m_folder.entries();
        std::sort(entries.begin(), entries.end());
        EXPECT_EQ(entries, (std::vector<std::string>{"target.bmp", "target.jpg"}));
    }

    test::TempFolder m_folder;
    const PixelSurface m_picture = test::noiseSurface(100, 100, 3);
};

TEST_F(AtomicSave, UnwritableFolderFailsAndKeepsTheOldFile) {
    {
        LockedFolder lock(m_folder.path());
        if (!lock.refusesNewFiles()) GTEST_SKIP() << "cannot make a folder read-only here";
        const auto bmpError = saveBmp(m_picture, m_folder.file("target.bmp"));
        const auto jpegError = saveJpeg(m_picture, m_folder.file("target.jpg"), 100);
        ASSERT_FALSE(bmpError.ok());
        ASSERT_FALSE(jpegError.ok());
        EXPECT_EQ(bmpError.error().kind, ErrorKind::CannotCreateTemporary);
        EXPECT_EQ(DCSavetoJPEG(m_picture, 100, 100, m_folder.file("target.jpg").c_str(), 100, 0),
                  0);
    }
    expectUntouched();
}

TEST_F(AtomicSave, FailedOrAbandonedWritesLeaveNoTemporaryFile) {
    // The file size limit makes writes fail after a few bytes, like a full disk.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    ::getrlimit(RLIMIT_FSIZE, &old);
    rlimit small = old;
    small.rlim_cur = 2000;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const auto bmpError = saveBmp(m_picture, m_folder.file("target.bmp"));
    const auto jpegError = saveJpeg(m_picture, m_folder.file("target.jpg"), 100);
    ::setrlimit(RLIMIT_FSIZE, &old);
    EXPECT_FALSE(bmpError.ok());
    EXPECT_FALSE(jpegError.ok());
    expectUntouched();

    {
        AtomicFile file(m_folder.file("target.bmp"));
        ASSERT_TRUE(file.open().ok());
        ASSERT_TRUE(file.write("new", 3).ok());
        EXPECT_TRUE(std::filesystem::exists(file.temporaryPath()));
    }
    expectUntouched();
    EXPECT_FALSE(saveBmp(m_picture, m_folder.file("missing/target.bmp")).ok());
    expectUntouched();
}

TEST_F(AtomicSave, ReplacingKeepsModeAndSymbolicLinks) {
    const std::string target = m_folder.file("target.bmp");
    ::chmod(target.c_str(), 0640);
    std::filesystem::create_symlink("target.jpg", m_folder.file("link.jpg"));

    ASSERT_TRUE(saveBmp(m_picture, target).ok());
    ASSERT_TRUE(saveJpeg(m_picture, m_folder.file("link.jpg"), 100).ok());

    struct stat info {};
    ASSERT_EQ(::stat(target.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
    EXPECT_TRUE(std::filesystem::is_symlink(m_folder.file("link.jpg")));
    EXPECT_TRUE(loadPicture(target).ok());
    EXPECT_TRUE(loadPicture(m_folder.file("target.jpg")).ok());
    EXPECT_EQ(m_folder.entries().size(), 3u);
}

// A later run clears what killed runs left: temporaries of owners that are gone, and those of
// earlier versions (which name no owner) once nobody has written them for an hour.
TEST_F(AtomicSave, LeftTemporariesOfTheDeadAndOfEarlierVersionsAreRemoved) {
    const pid_t child = ::fork();
    if (child == 0) ::_exit(0);
    ::waitpid(child, nullptr, 0);
    const std::string mine =
        std::filesystem::path(temporaryNameFor(m_folder.file("a.jpg"))).filename().string();
    std::string deadOwners = mine;
    const std::string pid = "-" + std::to_string(::getpid()) + "-";
    deadOwners.replace(deadOwners.find(pid), pid.size(), "-" + std::to_string(child) + "-");

    const std::string hex = "0123456789abcdef";
    const struct {
        std::string name;
        int hoursOld;
        bool removed;
    } cases[] = {
        {deadOwners, 0, true},
        {mine, 2, false},
        {"..a.jpg.batch-" + hex + ".tmp.fedcba9876543210.tmp", 2, true},
        {".a.jpg.batch-" + hex + ".tmp", 2, true},
        {"..b.jpg.batch-" + hex + ".tmp.fedcba9876543210.tmp", 0, false},  // may be in work
        {".c.jpg.batch-0123456789abcdeX.tmp", 2, false},
        {"c.jpg.batch-" + hex + ".tmp", 2, false},
        {".c.jpg." + hex + ".tmp", 2, false},
    };
    for (const auto& c : cases) {
        test::writeBytes(m_folder.file(c.name), kOld);
        const timespec times[2] = {{::time(nullptr) - c.hoursOld * 3600, 0},
                                   {::time(nullptr) - c.hoursOld * 3600, 0}};
        ::utimensat(AT_FDCWD, m_folder.file(c.name).c_str(), times, 0);
    }
    EXPECT_EQ(removeStaleTemporaries(m_folder.path().string()), 3);
    for (const auto& c : cases)
        EXPECT_EQ(std::filesystem::exists(m_folder.file(c.name)), !c.removed) << c.name;
}

}  // namespace
}  // namespace rimvista::files
