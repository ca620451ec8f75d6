// Replaying the window's recordings from a settings file, by name and by slot.
#include "BatchTestSupport.h"
#include "support/TestPictures.h"

namespace rimvista::test {
namespace {

namespace fs = std::filesystem;

class BatchRegistrationTest : public BatchTest {
protected:
    void SetUp() override {
        BatchTest::SetUp();
        fs::copy_file(fs::path(RIMVISTA_FIXTURES_DIR) / "legacy-sjis.ini", path("legacy.ini"));
        m_input = writeBmp("a.bmp", 80, 64, 21);
    }
    BatchRun replay(const std::string& choice, const std::string& settings = "legacy.ini") {
        return batch(
            {"-r", choice, "--settings", settings, "a.bmp", "-o", "out.bmp", "--overwrite"});
    }
    // Choices of a registration, and the settings file to find it in, that cannot be replayed.
    std::vector<std::pair<std::string, std::string>> refusedChoices() {
        writeText("hand.ini",
                  "[ListData001]\nDataNum=1\nListName=同名\nData01=4,4,4,4,0,0,0,0,0\n"
                  "[ListData002]\nDataNum=1\nListName=同名\nData01=2,2,2,2,0,0,0,0,1\n"
                  "[ListData003]\nDataNum=2\nListName=短い\nData01=4,4,4,4,0,0,0,0,0\n"
                  "Data02=5,5,5\n"
                  "[ListData004]\nDataNum=2\nListName=欠け\nData01=4,4,4,4,0,0,0,0,0\n");
        return {
            {"無い名前", "legacy.ini"}, {"空の登録", "legacy.ini"}, {"#4", "legacy.ini"},
            {"#2", "legacy.ini"},       {"#0", "legacy.ini"},       {"#101", "legacy.ini"},
            {"#1", "missing.ini"},      {"短い", "hand.ini"},       {"欠け", "hand.ini"},
            {"同名", "hand.ini"},
        };
    }
    PixelSurface m_input;
};

TEST_F(BatchRegistrationTest, JapaneseNamesAndSlotsReplayTheRecordedFrames) {
    const BatchRun byName = replay("額縁・二重");
    ASSERT_EQ(byName.status, 0) << byName.err;
    EXPECT_TRUE(samePixels(load("out.bmp"),
                           framedByEngine(m_input, {frame(10, 10, 10, 10, 0, 0, 0, 0, 0),
                                                    frame(5, 5, 5, 5, 11, 11, 11, 11, 1)})));

    ASSERT_EQ(replay("ボタン風（凸）").status, 0);
    EXPECT_TRUE(
        samePixels(load("out.bmp"), framedByEngine(m_input, {frame(3, 3, 3, 3, 0, 0, 0, 0, 0)})));

    const BatchRun bySlot = replay("#10");
    ASSERT_EQ(bySlot.status, 0) << bySlot.err;
    EXPECT_TRUE(samePixels(
        load("out.bmp"),
        framedByEngine(m_input, {frame(5, 5, 5, 5, 0, 0, 0, 0, 0), frame(5, 5, 5, 5, 6, 6, 6, 6, 1),
                                 frame(5, 5, 5, 5, 12, 12, 12, 12, 0)})));
}

TEST_F(BatchRegistrationTest, RegistrationsThatCannotBeReplayedStopTheRunBeforeAnyPicture) {
    const auto refused = refusedChoices();
    for (const auto& [choice, settings] : refused) {
        const BatchRun run = replay(choice, settings);
        EXPECT_EQ(run.status, 2) << choice << " " << run.err;
        EXPECT_FALSE(fs::exists(path("out.bmp"))) << choice;
    }
    // Two slots with one name: the message names both, and a slot chooses.
    EXPECT_NE(replay("同名", "hand.ini").err.find("#1, #2"), std::string::npos);
    ASSERT_EQ(replay("#2", "hand.ini").status, 0);
    EXPECT_TRUE(
        samePixels(load("out.bmp"), framedByEngine(m_input, {frame(2, 2, 2, 2, 0, 0, 0, 0, 1)})));
}

TEST_F(BatchRegistrationTest, RefusalsAreWordedInJapaneseUnderAJapaneseLocale) {
    for (const auto& [choice, settings] : refusedChoices()) {
        const BatchRun run =
            batch({"-r", choice, "--settings", settings, "a.bmp"}, {"LC_ALL=ja_JP.UTF-8"});
        EXPECT_EQ(run.status, 2) << choice;
        EXPECT_FALSE(holdsEnglishProse(run.err)) << run.err;
    }
}

TEST_F(BatchRegistrationTest, RecordingsAreListedAndAFileThatIsNoSettingsFileIsRefused) {
    const BatchRun list = batch({"--list-registrations", "--settings", "legacy.ini"});
    EXPECT_EQ(list.status, 0) << list.err;
    EXPECT_EQ(list.out, "#1\t額縁・二重\t2\n#3\tボタン風（凸）\t1\n#10\t登録名#10\t3\n");

    writeText("photo.ini", std::string("\xFF\xD8\xFF\xE0\0\x10JFIF\0", 11) + "[x]");
    writeText("notes.ini", "shopping list\nmilk=2\n");
    for (const char* file : {"photo.ini", "notes.ini"}) {
        const BatchRun run = replay("#1", file);
        EXPECT_EQ(run.status, 2) << file;
        EXPECT_NE(run.err.find(std::string(file) + " is not a settings file"), std::string::npos)
            << run.err;
        EXPECT_EQ(batch({"--list-registrations", "--settings", file}).status, 2) << file;
    }
}

TEST_F(BatchRegistrationTest, EntriesAreReadAsTheWindowsBoxesReadThem) {
    // The replay puts each field into a box; Execute reads a text that is not a number as 0
    // and rounds fractions to even.
    writeText("hand.ini", "[ListData001]\nDataNum=1\nListName=手\nData01=4,4,2.5,3.5,abc,,1,2,1\n");
    ASSERT_EQ(replay("手", "hand.ini").status, 0);
    EXPECT_TRUE(
        samePixels(load("out.bmp"), framedByEngine(m_input, {frame(4, 4, 2, 4, 0, 0, 1, 2, 1)})));
}

TEST_F(BatchRegistrationTest, AHandEditedEleventhEntryIsLeftOutAsTheWindowLeavesItOut) {
    std::string ini = "[ListData001]\nDataNum=11\nListName=長い\n";
    std::vector<FrameParams> firstTen;
    for (int k = 0; k < 11; ++k) {
        const FrameParams p = frame(1, 1, 1, 1, 2 * k, 2 * k, 2 * k, 2 * k, k % 2);
        ini += "Data" + std::string(k < 9 ? "0" : "") + std::to_string(k + 1) + "=" + frameText(p) +
               "\n";
        if (k < 10) firstTen.push_back(p);
    }
    writeText("hand.ini", ini);
    const BatchRun run = replay("長い", "hand.ini");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.err.find("only the first 10"), std::string::npos) << run.err;
    EXPECT_TRUE(samePixels(load("out.bmp"), framedByEngine(m_input, firstTen)));
}

TEST_F(BatchRegistrationTest, WithoutSettingsTheFileBesideTheProgramIsRead) {
    fs::create_directory(path("bin"));
    fs::copy_file(RIMVISTA_BATCH_EXE, path("bin/rimvista-batch"));
    fs::copy_file(path("legacy.ini"), path("bin/rimvista.ini"));
    const BatchRun run = runProgram(path("bin/rimvista-batch").string(),
                                    {"-r", "#3", "a.bmp", "-o", "out.bmp"}, m_dir);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(
        samePixels(load("out.bmp"), framedByEngine(m_input, {frame(3, 3, 3, 3, 0, 0, 0, 0, 0)})));
}

}  // namespace
}  // namespace rimvista::test
