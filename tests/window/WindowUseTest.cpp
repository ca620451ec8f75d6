// What a new user reaches for first: the wheel, Enter and Ctrl shortcuts, the focus staying
// where it was around commands, and a tooltip on every control.
#include <QFileDialog>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QWheelEvent>

#include "core/RegistrationStore.h"
#include "core/cInifile.h"
#include "support/ModalAnswer.h"
#include "support/TestPictures.h"
#include "support/WindowFixture.h"
#include "window/PictureBox.h"
#include "window/Viewport.h"
#include "window/frmList.h"

namespace rimvista::test {
namespace {

class WindowUseTest : public WindowTest {
protected:
    FrmMain& activeWithPicture(int width, int height) {
        FrmMain& w = openWindow();
        w.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&w));
        givePicture(randomSurface(width, height, 3));
        return w;
    }
    static void wheel(QWidget* target, QPoint angle, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        const QPointF at(4, 4);
        QWheelEvent e(at, target->mapToGlobal(at), QPoint(), angle, Qt::NoButton, mods,
                      Qt::NoScrollPhase, false);
        QApplication::sendEvent(target, &e);
    }
    // The window's focus control (the offscreen platform may leave the window inactive after a
    // dialog, with no application-wide focus).
    QString focused() const {
        return m_window->focusWidget() ? m_window->focusWidget()->objectName() : "(none)";
    }
    void key(int k, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QWidget* target = QApplication::focusWidget();
        QTest::keyClick(target ? target : m_window.get(), Qt::Key(k), mods);
    }
};

TEST_F(WindowUseTest, WheelScrollsThePictureAndEachBarTheWayItTurns) {
    FrmMain& w = activeWithPicture(2000, 1500);
    const int notch = QApplication::wheelScrollLines();
    const auto bars = [&w] { return std::pair{w.HScroll1->value(), w.VScroll1->value()}; };
    wheel(w.Picture1, {0, -120});  // towards the user: down
    EXPECT_EQ(bars(), std::pair(0, notch));
    EXPECT_LT(w.Picture1->y(), 0);
    wheel(w.picCont, {0, -120}, Qt::ShiftModifier);  // sideways
    EXPECT_EQ(bars(), std::pair(notch, notch));
    EXPECT_LT(w.Picture1->x(), 0);
    wheel(w.Picture1, {0, 60});  // half a notch waits for the other half
    EXPECT_EQ(bars(), std::pair(notch, notch));
    wheel(w.Picture1, {0, 60});
    EXPECT_EQ(bars(), std::pair(notch, 0));
    wheel(w.Picture1, {120, 0});  // a sideways wheel
    EXPECT_EQ(bars(), std::pair(0, 0));

    for (QScrollBar* bar : {w.HScroll1, w.VScroll1}) {
        bar->setValue(50);
        wheel(bar, {0, -120});
        EXPECT_GT(bar->value(), 50) << bar->objectName().toStdString();
    }
}

TEST_F(WindowUseTest, KeysPressCommandsAndTheFocusComesBack) {
    FrmMain& w = activeWithPicture(120, 90);
    const auto history = [&w] { return w.FrameHistory.upperBound(); };

    w.cmdMeji->setFocus();
    key(Qt::Key_Return);  // Enter on a focused button presses it
    EXPECT_EQ(history(), 1);
    EXPECT_EQ(focused(), "cmdMeji");
    w.txtW[0]->setFocus();
    key(Qt::Key_Return, Qt::ControlModifier);
    EXPECT_EQ(history(), 2);
    EXPECT_EQ(focused(), "txtW(0)");
    key(Qt::Key_Z, Qt::ControlModifier);  // nothing typed to take back: 戻す
    EXPECT_EQ(history(), 1);
    EXPECT_EQ(focused(), "txtW(0)");
    QTest::keyClicks(w.txtW[0], "7");
    key(Qt::Key_Z, Qt::ControlModifier);  // takes back the typing
    EXPECT_EQ(w.txtW[0]->text(), "5");
    EXPECT_EQ(history(), 1);
    key(Qt::Key_Enter, Qt::ControlModifier | Qt::KeypadModifier);
    EXPECT_EQ(history(), 2);
    w.cmdUndo->setFocus();
    key(Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(history(), 1);
    EXPECT_EQ(focused(), "cmdMeji");  // 戻す is disabled now; 実行 is what comes next
    click("cmdMeji");
    EXPECT_EQ(focused(), "cmdMeji");

    auto saveDialog = std::make_unique<ModalAnswer>([](QWidget* d) {
        EXPECT_NE(qobject_cast<QFileDialog*>(d), nullptr);
        static_cast<QDialog*>(d)->reject();
    });
    key(Qt::Key_S, Qt::ControlModifier);
    EXPECT_TRUE(saveDialog->answered());
    // The offscreen platform does not give the window back its activation after a dialog.
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    auto question = answerUnsavedQuestion("キャンセル");
    key(Qt::Key_O, Qt::ControlModifier);  // 開く, which first asks about the frame
    EXPECT_TRUE(question->answered());
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));

    ASSERT_EQ(
        reg::recordRegistration(Ini(), "r", {makeFrameParams(2, 2, 2, 2, 20, 20, 20, 20)}).status,
        reg::RecordResult::Status::Recorded);
    w.cmdLoad->setFocus();
    ModalAnswer list([](QWidget* d) {
        auto* l = qobject_cast<frmList*>(d);
        ASSERT_NE(l, nullptr);
        l->List1->setCurrentRow(0);
        l->cmdOK->click();
    });
    key(Qt::Key_Return);
    EXPECT_TRUE(list.answered());
    EXPECT_EQ(history(), 3);
    EXPECT_EQ(focused(), "cmdLoad");
}

TEST_F(WindowUseTest, EveryControlExplainsItself) {
    openWindow();
    for (const char* name :
         {"Label1(0)", "Label1(1)", "chkAuto", "txtY(0)", "txtY(1)", "txtX(0)", "txtX(1)",
          "txtW(0)",   "txtW(1)",   "txtW(2)", "txtW(3)", "optA(0)", "optA(1)", "cmdOpen",
          "cmdSave",   "cmdMeji",   "cmdUndo", "cmdRec",  "cmdLoad", "cmdExit", "picCont",
          "VScroll1",  "HScroll1",  "lblSize", "lblZoom"}) {
        QWidget* c = control(name);
        ASSERT_NE(c, nullptr);
        EXPECT_FALSE(c->toolTip().isEmpty()) << name;
    }
    EXPECT_TRUE(control("optA(0)")->toolTip().contains(QStringLiteral("凸")));
    EXPECT_TRUE(control("cmdMeji")->toolTip().contains(QStringLiteral("10")));
}

}  // namespace
}  // namespace rimvista::test
