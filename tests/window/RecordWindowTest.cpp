// 記録 through the real window: the slot chosen, the name box, what lands in the file.
#include <QCheckBox>
#include <QListWidget>
#include <QTest>

#include "RegistrationFixture.h"
#include "core/RegistrationStore.h"
#include "core/cInifile.h"

namespace rimvista::test {
namespace {

using RecordTest = RegistrationTest;

TEST_F(RecordTest, FirstRegistrationGoesToSlotOneUnderTheProposedName) {
    FrmMain& w = openWithPicture();
    click("cmdMeji");
    ModalScript script;
    script.onName = [&](QInputDialog& box) {
        EXPECT_EQ(box.windowTitle(), QStringLiteral("登録名設定"));
        EXPECT_EQ(box.labelText(), QStringLiteral("登録名を入れてください。"));
        EXPECT_EQ(box.textValue(), QStringLiteral("登録名#1"));
        // Under a window manager the frames come a moment after the box is shown, and until
        // then Qt reports the box's inner corner where its frame's will be.
        const auto atWindowCorner = [&] {
            return box.frameGeometry().topLeft() == w.frameGeometry().topLeft();
        };
        EXPECT_TRUE(QTest::qWaitFor(atWindowCorner, 2000))
            << box.frameGeometry().x() << "," << box.frameGeometry().y() << " vs "
            << w.frameGeometry().x() << "," << w.frameGeometry().y();
        QTest::keyClick(box.findChild<QLineEdit*>(), Qt::Key_Return);
    };
    click("cmdRec");
    EXPECT_EQ(script.nameBoxes, 1);
    EXPECT_EQ(settingsBytes(),
              "[ListData001]\nDataNum=1\nListName=登録名#1\nData01=5,5,5,5,0,0,0,0,0\n");
}

TEST_F(RecordTest, CancelEmptyNameAndFullFileWriteNothing) {
    openWithPicture();
    click("cmdMeji");
    EXPECT_EQ(record(QString()), QStringLiteral("登録名#1"));
    EXPECT_EQ(record(QStringLiteral("")), QStringLiteral("登録名#1"));
    EXPECT_EQ(settingsBytes(), "");

    std::string full;
    for (int s = 1; s <= 100; ++s) {
        full += "[" + reg::sectionName(s) + "]\r\nDataNum=" + std::to_string(s % 10 + 1) +
                "\r\nListName=r" + std::to_string(s) + "\r\n";
    }
    putSettings(full);
    QStringList messages;
    EXPECT_TRUE(record("never", &messages).isNull());  // no name box at all
    EXPECT_EQ(messages, QStringList{QStringLiteral("Rimvista|登録数が100を超えます。")});
    EXPECT_EQ(settingsBytes(), full);
}

TEST_F(RecordTest, TenApplicationsInOrderAndAFreedSlotIsReused) {
    FrmMain& w = openWithPicture(300, 300);
    setParams({"5", "5", "5", "5", "20", "30", "10", "40"}, 1);
    for (int i = 0; i < 10; ++i) click("cmdMeji");
    ASSERT_EQ(w.FrameHistory.upperBound(), 10);
    record(QStringLiteral("十"));
    record(QStringLiteral("二"));
    record(QStringLiteral("三\r\n行"));  // pasted: the line break cannot stay in the file

    // Auto-adjust moved each frame 6 pixels inward and switched the kind: 凹 first.
    QStringList lines;
    lines << "[ListData001]"
          << "DataNum=10" << QStringLiteral("ListName=十");
    for (int j = 0; j < 10; ++j) {
        lines << QString("Data%1=5,5,5,5,%2,%3,%4,%5,%6")
                     .arg(j + 1, 2, 10, QChar('0'))
                     .arg(20 + 6 * j)
                     .arg(30 + 6 * j)
                     .arg(10 + 6 * j)
                     .arg(40 + 6 * j)
                     .arg(j % 2 == 0 ? 1 : 0);
    }
    const QString file = QString::fromStdString(settingsBytes());
    EXPECT_TRUE(file.startsWith(lines.join('\n') + "\n[ListData002]\n")) << file.toStdString();
    EXPECT_TRUE(file.contains("Data01=5,5,5,5,20,30,10,40,1\n"));

    // Deleted in the list (削除, then 取消), slot 2 is proposed and taken again.
    recall([](frmList& list) {
        clickRow(list, 1);
        QTest::mouseClick(list.cmdDel, Qt::LeftButton);
        QTest::mouseClick(list.cmdCancel, Qt::LeftButton);
    });
    EXPECT_EQ(reg::readName(Ini(), 2), "（未登録）");
    EXPECT_EQ(record(QStringLiteral("again")), QStringLiteral("登録名#2"));
    EXPECT_EQ(reg::readName(Ini(), 2), "again");
    EXPECT_EQ(reg::entryCount(Ini(), 2), 10);
    EXPECT_EQ(reg::readName(Ini(), 3), "三 行");
}

}  // namespace
}  // namespace rimvista::test
