// The registration list through the real window's 再生: its look, choosing, deleting, the keys,
// and what it lists from files written by this program and by the old one.
#include <QApplication>
#include <QFile>
#include <QGuiApplication>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <cmath>

#include "RegistrationFixture.h"
#include "core/RegistrationStore.h"
#include "core/cInifile.h"

namespace rimvista::test {
namespace {

using ListDialogTest = RegistrationTest;

const QString kFree = QStringLiteral("（未登録）");

QStringList itemsOf(const frmList& list) {
    QStringList texts;
    for (int i = 0; i < list.List1->count(); ++i) texts << list.List1->item(i)->text();
    return texts;
}

int px(const QWidget* w, int twips) {
    return static_cast<int>(std::lround(twips * w->screen()->logicalDotsPerInchX() / 1440.0));
}

void expectPlaced(const QWidget* w, int left, int top, int width, int height) {
    EXPECT_EQ(w->geometry(), QRect(px(w, left), px(w, top), px(w, width), px(w, height)))
        << w->objectName().toStdString();
}

TEST_F(ListDialogTest, LooksAsDesignedAndIgnoresOkWithoutAChoice) {
    FrmMain& w = openWithPicture();
    recall([&](frmList& list) {
        EXPECT_EQ(list.objectName(), "frmList");
        EXPECT_EQ(list.windowTitle(), QStringLiteral("登録リスト"));
        EXPECT_EQ(list.windowType(), Qt::Tool);
        EXPECT_TRUE(list.windowFlags().testFlags(Qt::WindowTitleHint | Qt::WindowCloseButtonHint));
        EXPECT_FALSE(list.windowFlags() & (Qt::WindowMinMaxButtonsHint));
        EXPECT_EQ(list.minimumSize(), list.maximumSize());
        EXPECT_EQ(list.size(), QSize(px(&list, 3600), px(&list, 2625)));
        expectPlaced(list.List1, 180, 120, 3195, 1860);
        expectPlaced(list.cmdDel, 180, 2100, 975, 315);
        expectPlaced(list.cmdOK, 1260, 2100, 1035, 315);
        expectPlaced(list.cmdCancel, 2400, 2100, 975, 315);
        // Centred on the window; under a window manager where it lands is the manager's to say.
        if (QGuiApplication::platformName() == "offscreen") {
            EXPECT_LE(
                (list.frameGeometry().center() - w.frameGeometry().center()).manhattanLength(), 2);
        }
        EXPECT_EQ(list.cmdDel->text(), QStringLiteral("削除"));
        EXPECT_EQ(list.cmdOK->text(), QStringLiteral("ＯＫ"));
        EXPECT_EQ(list.cmdCancel->text(), QStringLiteral("取消"));
        EXPECT_TRUE(list.cmdOK->isDefault());
        EXPECT_EQ(itemsOf(list), QStringList(100, kFree));
        EXPECT_TRUE(list.List1->selectedItems().isEmpty());
        // Tab order: the list first, then 削除, ＯＫ, 取消.
        EXPECT_EQ(list.focusWidget(), list.List1);
        for (QPushButton* next : {list.cmdDel, list.cmdOK, list.cmdCancel}) {
            QTest::keyClick(list.focusWidget(), Qt::Key_Tab);
            EXPECT_EQ(list.focusWidget(), next);
        }
        QTest::mouseClick(list.cmdOK, Qt::LeftButton);  // nothing chosen
        EXPECT_TRUE(list.isVisible());
        clickRow(list, 3);
        QTest::mouseClick(list.cmdOK, Qt::LeftButton);  // a free slot
        EXPECT_TRUE(list.isVisible());
        QTest::mouseClick(list.cmdCancel, Qt::LeftButton);
    });
    EXPECT_EQ(SelectedListNo, -1);
    EXPECT_EQ(w.FrameHistory.upperBound(), 0);
}

TEST_F(ListDialogTest, KeysChoosingAndDeletingWhateverEndsTheList) {
    putSettings(
        "[ListData005]\nDataNum=1\nListName=五番\nData01=5,5,5,5,0,0,0,0,0\n"
        "[ListData007]\nDataNum=1\nListName=（未登録）\nData01=5,5,5,5,0,0,0,0,0\n");
    FrmMain& w = openWithPicture();
    recall([](frmList& list) {
        EXPECT_EQ(list.List1->item(4)->text(), QStringLiteral("五番"));
        clickRow(list, 4);
        QTest::keyClick(list.List1, Qt::Key_Escape);  // 取消
    });
    EXPECT_EQ(SelectedListNo, -1);
    EXPECT_EQ(w.FrameHistory.upperBound(), 0);

    recall([](frmList& list) {
        clickRow(list, 4);
        QTest::keyClick(list.List1, Qt::Key_Return);  // ＯＫ
    });
    EXPECT_EQ(SelectedListNo, 5);
    EXPECT_EQ(w.FrameHistory.upperBound(), 1);

    recall([&](frmList& list) {
        clickRow(list, 6);  // named like the placeholder: deletable, not choosable
        QTest::mouseClick(list.cmdOK, Qt::LeftButton);
        EXPECT_TRUE(list.isVisible());
        QTest::mouseClick(list.cmdDel, Qt::LeftButton);
        clickRow(list, 4);
        QTest::mouseClick(list.cmdDel, Qt::LeftButton);
        EXPECT_EQ(list.List1->item(4)->text(), kFree);
        EXPECT_TRUE(list.List1->item(4)->isSelected());
        EXPECT_EQ(settingsBytes(), "");  // gone at once, not when the list ends
        QTest::mouseClick(list.cmdOK, Qt::LeftButton);
        EXPECT_TRUE(list.isVisible());
        list.close();  // the close box
    });
    EXPECT_EQ(SelectedListNo, -1);
    EXPECT_EQ(w.FrameHistory.upperBound(), 1);

    // Each opening reads the file afresh: a registration made meanwhile shows, nothing selected.
    reg::recordRegistration(Ini(), "後から", {FrameParams{}});
    recall([](frmList& list) {
        EXPECT_EQ(list.List1->item(0)->text(), QStringLiteral("後から"));
        EXPECT_EQ(list.List1->item(4)->text(), kFree);
        EXPECT_TRUE(list.List1->selectedItems().isEmpty());
        // With nothing selected, the first Down, Up or Home selects the first slot.
        for (const Qt::Key key : {Qt::Key_Down, Qt::Key_Up, Qt::Key_Home}) {
            list.List1->clearSelection();
            QTest::keyClick(list.List1, key);
            ASSERT_EQ(list.List1->selectedItems().size(), 1) << key;
            EXPECT_EQ(list.List1->row(list.List1->selectedItems().first()), 0) << key;
        }
        QTest::keyClick(list.List1, Qt::Key_Down);
        EXPECT_TRUE(list.List1->item(1)->isSelected());
        list.close();
    });
}

TEST_F(ListDialogTest, ListsTheOldProgramsShiftJisFile) {
    QFile::copy(RIMVISTA_FIXTURES_DIR "/legacy-sjis.ini", settingsPath());
    QFile::setPermissions(settingsPath(), QFile::ReadOwner | QFile::WriteOwner);
    openWithPicture();
    recall([](frmList& list) {
        QStringList expected(100, kFree);
        expected[0] = QStringLiteral("額縁・二重");
        expected[2] = QStringLiteral("ボタン風（凸）");
        expected[3] = QStringLiteral("空の登録");
        expected[9] = QStringLiteral("登録名#10");
        EXPECT_EQ(itemsOf(list), expected);
        list.close();
    });
}

}  // namespace
}  // namespace rimvista::test
