// Record with more than one copy of the program on the same settings file, and Record cut off
// half way: no slot is shared, no registration is lost, the file stays readable.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <set>

#include "core/IniFileIo.h"
#include "core/IniTestFiles.h"
#include "core/RegistrationStore.h"

namespace rimvista {
namespace {

using RecordSafety = test::IniFileTest;

int waitFor(pid_t child) {
    int status = 0;
    if (::waitpid(child, &status, 0) != child) return -1;
    return status;
}

std::vector<FrameParams> entriesOf(int count, std::int16_t width) {
    FrameParams p;
    p.W = {width, width, width, width};
    return std::vector<FrameParams>(static_cast<std::size_t>(count), p);
}

// Each child proposes a slot the way Record does before asking for the name, reports it, and
// writes only when the parent lets both go: both have then proposed the same slot.
TEST_F(RecordSafety, TwoCopiesRecordingAtOnceTakeTwoSlots) {
    putFile("[ListData001]\nDataNum=0\nListName=free\n[ListData002]\nDataNum=2\n");
    int ready[2], go[2];
    ASSERT_EQ(::pipe(ready), 0);
    ASSERT_EQ(::pipe(go), 0);
    pid_t children[2];
    for (int c = 0; c < 2; ++c) {
        children[c] = ::fork();
        ASSERT_GE(children[c], 0);
        if (children[c] == 0) {
            cInifile mine;
            mine.FileName(m_path);
            const char proposed = static_cast<char>(reg::lowestFreeSlot(mine).value_or(0));
            char token = 0;
            if (::write(ready[1], &proposed, 1) != 1 || ::read(go[0], &token, 1) != 1) ::_exit(90);
            const auto r =
                reg::recordRegistration(mine, "copy" + std::to_string(c),
                                        entriesOf(c + 1, static_cast<std::int16_t>(c + 3)));
            ::_exit(r.status == reg::RecordResult::Status::Recorded ? r.slot : 91);
        }
    }
    char proposals[2] = {};
    ASSERT_EQ(::read(ready[0], &proposals[0], 1), 1);
    ASSERT_EQ(::read(ready[0], &proposals[1], 1), 1);
    EXPECT_EQ(proposals[0], 1);
    EXPECT_EQ(proposals[1], 1);
    ASSERT_EQ(::write(go[1], "gg", 2), 2);

    std::set<int> slots;
    for (pid_t child : children) {
        const int status = waitFor(child);
        ASSERT_TRUE(WIFEXITED(status));
        slots.insert(WEXITSTATUS(status));
    }
    EXPECT_EQ(slots, (std::set<int>{1, 3}));
    for (int slot : slots) {
        const std::string name = reg::readName(ini, slot);
        const int c = name == "copy0" ? 0 : 1;
        EXPECT_EQ(name, "copy" + std::to_string(c));
        EXPECT_EQ(reg::readRegistration(ini, slot).size(), static_cast<std::size_t>(c + 1));
        EXPECT_EQ(reg::readEntry(ini, slot, 1)->fields[0], std::to_string(c + 3));
    }
    for (int fd : {ready[0], ready[1], go[0], go[1]}) ::close(fd);
}

int g_chunksBeforeKill = 0;

// Cut off after the k-th chunk written, whichever write it belongs to: the file then holds the
// earlier registrations and either none or all of the new one, never a slot that looks complete
// without its name or entries.
TEST_F(RecordSafety, RecordKilledAtAnyWriteLeavesNoHalfSlot) {
    for (int i = 1; i <= 3; ++i) {
        reg::recordRegistration(ini, "keep" + std::to_string(i), entriesOf(i, 5));
    }
    const std::string before = fileBytes();
    for (int k = 1; k <= 3; ++k) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            g_chunksBeforeKill = k;
            ini::setWriteChunkHookForTests([](std::size_t) {
                if (--g_chunksBeforeKill == 0) ::raise(SIGKILL);
            });
            reg::recordRegistration(ini, "new", entriesOf(10, 7));
            ::_exit(0);
        }
        const int status = waitFor(child);
        if (WIFSIGNALED(status)) {
            EXPECT_EQ(fileBytes(), before) << k;
        } else {
            EXPECT_EQ(reg::readName(ini, 4), "new") << k;
            EXPECT_EQ(reg::readRegistration(ini, 4).size(), 10u) << k;
            putFile(before);
        }
        for (int i = 1; i <= 3; ++i) {
            EXPECT_EQ(reg::readName(ini, i), "keep" + std::to_string(i));
            EXPECT_EQ(reg::readRegistration(ini, i).size(), static_cast<std::size_t>(i));
        }
    }
    EXPECT_EQ(reg::recordRegistration(ini, "next", entriesOf(1, 5)).slot, 4);
}

}  // namespace
}  // namespace rimvista
