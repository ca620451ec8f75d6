// 再生 through the real window: replayed frames against frames executed by hand, the end of the
// history, rejected and malformed entries, and names that must survive Record, list and Recall.
#include <QCheckBox>
#include <QListWidget>

#include "RegistrationFixture.h"
#include "core/RegistrationStore.h"
#include "core/cInifile.h"
#include "support/TestPictures.h"
#include "window/PictureBox.h"

namespace rimvista::test {
namespace {

using RecallTest = RegistrationTest;

const QStringList kEntries[] = {{"4", "6", "3", "5", "10", "12", "8", "9"},
                                {"7", "3", "2", "8", "30", "25", "20", "22"},
                                {"2", "2", "2", "2", "50", "50", "45", "45"}};

std::string slotText(int slot, const std::string& name, const std::vector<std::string>& entries,
                     const std::string& count = "") {
    std::string text = "[" + reg::sectionName(slot) +
                       "]\nDataNum=" + (count.empty() ? std::to_string(entries.size()) : count) +
                       "\nListName=" + name + "\n";
    for (std::size_t j = 0; j < entries.size(); ++j) {
        if (!entries[j].empty()) text += reg::entryKey(int(j + 1)) + "=" + entries[j] + "\n";
    }
    return text;
}

TEST_F(RecallTest, ReplayPaintsWhatTheSameExecutesPaintedByHand) {
    FrmMain& w = openWithPicture();
    for (int i = 0; i < 3; ++i) {
        setParams(kEntries[i], i == 1 ? 1 : 0);
        click("cmdMeji");
    }
    ASSERT_EQ(w.FrameHistory.upperBound(), 3);
    record(QStringLiteral("三枚"));
    const PixelSurface byHand = w.Picture1->picture().clone();
    const FrameHistory history = w.FrameHistory;
    const QStringList boxesAfter = params();

    for (const bool autoAdjust : {true, false}) {
        givePicture(randomSurface(200, 160, 11));
        control<QCheckBox>("chkAuto")->setChecked(autoAdjust);
        setParams({"1", "1", "1", "1", "1", "1", "1", "1"}, 1);
        EXPECT_TRUE(recallRow(0).isEmpty());
        EXPECT_TRUE(samePixels(w.Picture1->picture(), byHand)) << autoAdjust;
        ASSERT_EQ(w.FrameHistory.upperBound(), 3);
        for (int j = 1; j <= 3; ++j) EXPECT_EQ(w.FrameHistory[j], history[j]) << j;
        EXPECT_EQ(params(), autoAdjust ? boxesAfter : kEntries[2] + QStringList{"0"});
        EXPECT_FALSE(w.ExecuteAborted);
    }
}

TEST_F(RecallTest, ReplayStopsSilentlyAtTheEleventhApplication) {
    putSettings(slotText(1, "four",
                         {"5,5,5,5,60,60,60,60,1", "5,5,5,5,66,66,66,66,0", "5,5,5,5,72,72,72,72,1",
                          "5,5,5,5,78,78,78,78,0"}));
    FrmMain& w = openWithPicture(300, 300);
    for (int i = 0; i < 7; ++i) click("cmdMeji");
    EXPECT_TRUE(recallRow(0).isEmpty());
    ASSERT_EQ(w.FrameHistory.upperBound(), 10);
    EXPECT_EQ(w.FrameHistory[10].X0, 72);
    EXPECT_FALSE(w.ExecuteAborted);
    EXPECT_FALSE(control("cmdMeji")->isEnabled());
    EXPECT_EQ(box("txtX(0)")->text(), "78");  // the fourth entry was placed, then refused
}

TEST_F(RecallTest, RejectedEntryShowsItsMessageAndEndsTheReplay) {
    putSettings(
        slotText(1, "bad", {"5,5,5,5,0,0,0,0,0", "0,5,5,5,0,0,0,0,1", "5,5,5,5,9,9,9,9,0"}));
    FrmMain& w = openWithPicture();
    EXPECT_EQ(recallRow(0), QStringList{QStringLiteral("設定エラー|幅の設定が不正です。")});
    EXPECT_EQ(w.FrameHistory.upperBound(), 1);
    EXPECT_EQ(params(), QStringList({"0", "5", "5", "5", "0", "0", "0", "0", "1"}));
    EXPECT_FALSE(w.ExecuteAborted);
}

TEST_F(RecallTest, MalformedEntriesEndTheReplayWithoutTouchingAnything) {
    const std::string good = "5,5,5,5,0,0,0,0,0";
    const std::string broken[] = {"", "9,9,9,9,6,6,6,6", "9,9,9,9,6,6,6,6,2", "9,9,9,9,6,6,6,6,x",
                                  "9,9,9,9,6,6,6,6,1,1"};
    std::string file;
    for (int i = 0; i < 5; ++i)
        file += slotText(i + 1, "m" + std::to_string(i), {good, broken[i], good});
    file += slotText(6, "no count", {good}, "abc");
    putSettings(file);
    FrmMain& w = openWithPicture();
    click("cmdMeji");
    const PixelSurface oneFrame = w.Picture1->picture().clone();
    const QStringList boxesAfterOne = params();
    for (int row = 0; row < 6; ++row) {
        givePicture(randomSurface(200, 160, 11));
        EXPECT_TRUE(recallRow(row).isEmpty()) << row;
        EXPECT_EQ(w.FrameHistory.upperBound(), row == 5 ? 0 : 1) << row;
        if (row < 5) {
            EXPECT_TRUE(samePixels(w.Picture1->picture(), oneFrame)) << row;
            EXPECT_EQ(params(), boxesAfterOne) << row;
        }
        EXPECT_FALSE(w.ExecuteAborted);
    }
}

TEST_F(RecallTest, NamesSurviveRecordListAndRecallExactly) {
    const QStringList names = {QString(1000, 'L'),
                               QStringLiteral("額縁・二重"),
                               "a,b,c",
                               "k=v",
                               ";c",
                               "[x]",
                               QStringLiteral("  先頭の空白"),
                               QStringLiteral("末尾  ")};
    FrmMain& w = openWithPicture();
    setParams(kEntries[1], 1);
    click("cmdMeji");
    for (const QString& name : names) record(name);
    for (int slot = 9; slot <= 100; ++slot) {
        reg::recordRegistration(Ini(), "slot " + std::to_string(slot), {w.FrameHistory[1]});
    }
    recall([&](frmList& list) {
        ASSERT_EQ(list.List1->count(), 100);
        for (int i = 0; i < names.size(); ++i) EXPECT_EQ(list.List1->item(i)->text(), names[i]);
        EXPECT_EQ(list.List1->item(99)->text(), "slot 100");
        list.close();
    });
    for (const int row : {0, 1, 5, 6, 7, 99}) {
        givePicture(randomSurface(200, 160, 11));
        recallRow(row);
        ASSERT_EQ(w.FrameHistory.upperBound(), 1) << row;
        EXPECT_EQ(w.FrameHistory[1].X0, 30);
        EXPECT_EQ(w.FrameHistory[1].Kind, 1);
    }
}

}  // namespace
}  // namespace rimvista::test
