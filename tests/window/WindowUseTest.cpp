// What a new user reaches for first: the wheel, Enter and Ctrl shortcuts, the focus staying
// where it was around commands, and a tooltip on every control.
#include <QFileDialog>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QWheelEvent>
#include <cmath>
#include <vector>

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

TEST_F(WindowUseTest, TheViewMovesByScreenPixelsAtEveryZoom) {
    FrmMain& w = openWindow();
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    auto* zoomLabel = control<QLabel>("lblZoom");
    // Larger than the viewport: opens fitted. One that fits: at its own size.
    givePicture(randomSurface(2000, 1500, 3));
    EXPECT_TRUE(zoomLabel->text().startsWith(QStringLiteral("全体")))
        << zoomLabel->text().toStdString();
    givePicture(randomSurface(120, 90, 3));
    EXPECT_EQ(zoomLabel->text(), "100%");
    // A zoom the user picks stays for the next pictures, large or small.
    QTest::keyClick(&w, Qt::Key_Plus, Qt::ControlModifier);
    givePicture(randomSurface(2000, 1500, 3));
    EXPECT_EQ(zoomLabel->text(), "200%");

    // One notch scrolls the system's wheel lines of one text line each, whatever the zoom.
    const int step = w.wheelStep();
    EXPECT_GT(step, 0);
    EXPECT_LE(step, QApplication::wheelScrollLines() * w.picCont->fontMetrics().lineSpacing());
    const struct {
        const char* what;
        double zoom;  // 0: fitted
        QWidget* over;
        std::vector<QPoint> turns;
        Qt::KeyboardModifiers mods;
        QPoint steps;  // how far the view moves, in notches: right, down
    } cases[] = {
        {"down at 100 %", 1.0, w.Picture1, {{0, -120}}, Qt::NoModifier, {0, 1}},
        {"down at 400 %", 4.0, w.Picture1, {{0, -120}}, Qt::NoModifier, {0, 1}},
        {"down, then back up", 4.0, w.picCont, {{0, -240}, {0, 120}}, Qt::NoModifier, {0, 1}},
        {"Shift: sideways", 4.0, w.picCont, {{0, -120}}, Qt::ShiftModifier, {1, 0}},
        {"a sideways wheel", 4.0, w.Picture1, {{-120, 0}}, Qt::NoModifier, {1, 0}},
        {"half a notch waits for the other",
         4.0,
         w.Picture1,
         {{0, -60}, {0, -60}},
         Qt::NoModifier,
         {0, 1}},
        {"over the vertical bar", 4.0, w.VScroll1, {{0, -120}}, Qt::NoModifier, {0, 1}},
        {"over the horizontal bar", 4.0, w.HScroll1, {{0, -120}}, Qt::NoModifier, {1, 0}},
        {"fitted: the picture stays put", 0, w.Picture1, {{0, -120}}, Qt::NoModifier, {0, 0}},
        {"fitted, sideways", 0, w.picCont, {{0, -120}}, Qt::ShiftModifier, {0, 0}},
        {"fits at 12.5 %", 0.125, w.picCont, {{0, -120}, {-120, 0}}, Qt::NoModifier, {0, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        w.setZoom(c.zoom);
        w.resetView();
        for (const QPoint turn : c.turns) wheel(c.over, turn, c.mods);
        EXPECT_EQ(w.Picture1->pos(), -c.steps * step);
        // The bars show the share of the overflow scrolled.
        const QSize overflow = w.Picture1->size() - w.picCont->client()->size();
        if (c.steps.y()) {
            EXPECT_EQ(w.VScroll1->value(), std::lround(step * 100.0 / overflow.height()));
        }
        if (c.steps.x()) {
            EXPECT_EQ(w.HScroll1->value(), std::lround(step * 100.0 / overflow.width()));
        }
    }

    // Ctrl+1 and Ctrl+0 show the picture from its top-left corner again.
    for (const int k : {Qt::Key_1, Qt::Key_0}) {
        w.setZoom(4.0);
        wheel(w.Picture1, {-120, -120});
        ASSERT_NE(w.Picture1->pos(), QPoint(0, 0));
        QTest::keyClick(&w, Qt::Key(k), Qt::ControlModifier);
        EXPECT_EQ(w.Picture1->pos(), QPoint(0, 0)) << k;
        EXPECT_EQ(w.HScroll1->value() + w.VScroll1->value(), 0) << k;
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

TEST_F(WindowUseTest, CtrlZAfterExecuteFromABoxTakesTheFrameBack) {
    FrmMain& w = activeWithPicture(120, 90);
    const PixelSurface opened = w.Picture1->picture().clone();
    typeInto("txtW(0)", "abc");
    typeInto("txtW(0)", "30");
    key(Qt::Key_Return, Qt::ControlModifier);  // paints, the focus back in the box
    ASSERT_EQ(w.FrameHistory.upperBound(), 1);
    ASSERT_EQ(focused(), "txtW(0)");
    key(Qt::Key_Z, Qt::ControlModifier);  // the frame, not the typing before 実行
    EXPECT_EQ(w.FrameHistory.upperBound(), 0);
    EXPECT_TRUE(samePixels(w.Picture1->picture(), opened));
    EXPECT_EQ(box("txtW(0)")->text(), "30");
    EXPECT_EQ(box("txtX(0)")->text(), "0");  // the margins the frame was painted with
    // Typing after 戻す is the box's to take back; older typing is gone for good.
    QTest::keyClicks(w.txtW[0], "7");
    key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(box("txtW(0)")->text(), "30");
    key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(box("txtW(0)")->text(), "30");
    EXPECT_FALSE(w.cmdUndo->isEnabled());
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
