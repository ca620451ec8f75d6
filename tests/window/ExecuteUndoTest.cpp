// Execute and Undo through the real window: checks and messages, history, buttons, auto-adjust,
// pixels before and after Undo.
#include <QCheckBox>
#include <QPushButton>
#include <QRadioButton>

#include "core/FrameRenderer.h"
#include "support/ModalAnswer.h"
#include "support/TestPictures.h"
#include "support/WindowFixture.h"
#include "window/PictureBox.h"

namespace rimvista::test {
namespace {

class ExecuteTest : public WindowTest {
protected:
    FrmMain& openWith(int width, int height, std::uint32_t seed = 7) {
        FrmMain& w = openWindow();
        givePicture(randomSurface(width, height, seed));
        return w;
    }
    void setParams(const QString& w0, const QString& w1, const QString& w2, const QString& w3,
                   const QString& x0, const QString& x1, const QString& y0, const QString& y1) {
        const QString texts[] = {w0, w1, w2, w3};
        for (int i = 0; i < 4; ++i) box(QString("txtW(%1)").arg(i))->setText(texts[i]);
        box("txtX(0)")->setText(x0);
        box("txtX(1)")->setText(x1);
        box("txtY(0)")->setText(y0);
        box("txtY(1)")->setText(y1);
    }
    // Presses 実行 and answers the message box the press is expected to show.
    ShownBox executeExpectingMessage() {
        MessageBoxAnswer answer;
        click("cmdMeji");
        EXPECT_TRUE(answer.answered());
        return answer.box();
    }
    QStringList positions() {
        return {box("txtX(0)")->text(), box("txtX(1)")->text(), box("txtY(0)")->text(),
                box("txtY(1)")->text()};
    }
    bool enabled(const char* name) { return control(name)->isEnabled(); }
};

TEST_F(ExecuteTest, WidthChecksShowTheWidthMessage) {
    FrmMain& w = openWith(40, 30);
    const PixelSurface before = w.Picture1->picture().clone();
    for (const char* bad : {"0", "-3", "abc", "", "16.0e1"}) {
        setParams(bad, "5", "5", "5", "0", "0", "0", "0");
        const ShownBox shown = executeExpectingMessage();
        EXPECT_EQ(shown.text, QStringLiteral("幅の設定が不正です。")) << bad;
        EXPECT_EQ(shown.title, QStringLiteral("設定エラー"));
        EXPECT_EQ(shown.icon, QMessageBox::Warning);
        EXPECT_EQ(shown.buttonCount, 1);
        EXPECT_TRUE(w.ExecuteAborted);
        EXPECT_EQ(box("txtW(0)")->text(), QString(bad));  // not corrected
    }
    // W0 + W1 may equal H, not exceed it; 20000 + 20000 overflows 16 bits.
    setParams("15", "16", "5", "5", "0", "0", "0", "0");
    EXPECT_EQ(executeExpectingMessage().text, QStringLiteral("幅の設定が不正です。"));
    setParams("5", "5", "20000", "20000", "0", "0", "0", "0");
    EXPECT_EQ(executeExpectingMessage().text, QStringLiteral("幅の設定が不正です。"));
    EXPECT_TRUE(samePixels(w.Picture1->picture(), before));
    EXPECT_EQ(w.FrameHistory.upperBound(), 0);
    EXPECT_FALSE(enabled("cmdUndo"));
    EXPECT_TRUE(enabled("Frame1"));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    setParams("15", "15", "5", "5", "0", "0", "0", "0");
    click("cmdMeji");
    EXPECT_FALSE(w.ExecuteAborted);
    EXPECT_EQ(w.FrameHistory.upperBound(), 1);
}

TEST_F(ExecuteTest, PositionChecksShowThePositionMessage) {
    FrmMain& w = openWith(40, 30);
    struct Case {
        const char *x0, *x1, *y0, *y1;
    } const bad[] = {{"-1", "0", "0", "0"}, {"0", "0", "31", "0"}, {"0", "41", "0", "0"},
                     {"0", "0", "0", "-2"}, {"40", "0", "0", "0"}, {"20", "20", "0", "0"},
                     {"0", "0", "10", "20"}};
    for (const Case& c : bad) {
        setParams("5", "5", "5", "5", c.x0, c.x1, c.y0, c.y1);
        const ShownBox shown = executeExpectingMessage();
        EXPECT_EQ(shown.text, QStringLiteral("位置の設定が不正です。"))
            << c.x0 << c.x1 << c.y0 << c.y1;
        EXPECT_EQ(shown.title, QStringLiteral("設定エラー"));
        EXPECT_TRUE(w.ExecuteAborted);
    }
    EXPECT_EQ(w.FrameHistory.upperBound(), 0);
    // X0 = W - 1 with X1 = 0 passes; a position that is not a number counts as 0.
    control<QCheckBox>("chkAuto")->setChecked(false);
    setParams("5", "5", "5", "5", "39", "0", "abc", "");
    click("cmdMeji");
    EXPECT_FALSE(w.ExecuteAborted);
    EXPECT_EQ(w.FrameHistory.upperBound(), 1);
    EXPECT_EQ(w.FrameHistory[1].X0, 39);
    EXPECT_EQ(w.FrameHistory[1].Y0, 0);
}

TEST_F(ExecuteTest, AutoAdjustOverflowIsRefusedBeforePainting) {
    FrmMain& w = openWith(32767, 20);
    const PixelSurface before = w.Picture1->picture().clone();
    setParams("5", "5", "67", "5", "32700", "0", "0", "0");  // X0 + W2 + 1 = 32768
    EXPECT_EQ(executeExpectingMessage().text, QStringLiteral("位置の設定が不正です。"));
    EXPECT_TRUE(samePixels(w.Picture1->picture(), before));
    EXPECT_EQ(w.FrameHistory.upperBound(), 0);
    // Without auto-adjust nothing has to be written back, so the same frame is painted.
    control<QCheckBox>("chkAuto")->setChecked(false);
    click("cmdMeji");
    EXPECT_FALSE(w.ExecuteAborted);
    EXPECT_EQ(w.FrameHistory.upperBound(), 1);
}

TEST_F(ExecuteTest, AutoAdjustAdvancesPositionsAndSwitchesKind) {
    FrmMain& w = openWith(640, 480);
    PixelSurface expectedPixels = w.Picture1->picture().clone();
    SurfacePicture expected(expectedPixels);
    click("cmdMeji");
    EXPECT_FALSE(w.ExecuteAborted);
    EXPECT_EQ(positions(), QStringList({"6", "6", "6", "6"}));
    EXPECT_TRUE(control<QRadioButton>("optA(1)")->isChecked());
    ASSERT_EQ(w.FrameHistory.upperBound(), 1);
    FrameParams first;
    first.W = {5, 5, 5, 5};
    EXPECT_EQ(w.FrameHistory[1], first);
    EXPECT_TRUE(enabled("cmdUndo"));
    EXPECT_TRUE(enabled("cmdRec"));
    EXPECT_TRUE(w.Picture1->isVisible());
    ASSERT_TRUE(DrawFrame(expected, 5, 5, 5, 5, 0, 0, 0, 0, 1.0f));

    click("cmdMeji");  // a concave frame right inside the first
    ASSERT_TRUE(DrawFrame(expected, 5, 5, 5, 5, 6, 6, 6, 6, -1.0f));
    EXPECT_EQ(positions(), QStringList({"12", "12", "12", "12"}));
    EXPECT_TRUE(control<QRadioButton>("optA(0)")->isChecked());
    EXPECT_EQ(w.FrameHistory[2].Kind, 1);
    EXPECT_TRUE(samePixels(w.Picture1->picture(), expectedPixels));
}

TEST_F(ExecuteTest, WithoutAutoAdjustPositionsAndKindStay) {
    openWith(100, 80);
    control<QCheckBox>("chkAuto")->setChecked(false);
    setParams("3", "4", "5", "6", "7", "8", "9", "10");
    click("cmdMeji");
    EXPECT_EQ(positions(), QStringList({"7", "8", "9", "10"}));
    EXPECT_TRUE(control<QRadioButton>("optA(0)")->isChecked());
}

TEST_F(ExecuteTest, TenApplicationsAtMost) {
    FrmMain& w = openWith(200, 200);
    for (int i = 1; i <= 10; ++i) {
        ASSERT_TRUE(enabled("cmdMeji")) << i;
        click("cmdMeji");
        ASSERT_FALSE(w.ExecuteAborted) << i;
    }
    EXPECT_FALSE(enabled("cmdMeji"));
    EXPECT_EQ(w.FrameHistory.upperBound(), 10);
    // A replay calls Execute directly: the eleventh ends silently and paints nothing.
    const PixelSurface before = w.Picture1->picture().clone();
    w.cmdMeji_Click();
    EXPECT_TRUE(w.ExecuteAborted);
    EXPECT_EQ(w.FrameHistory.upperBound(), 10);
    EXPECT_TRUE(samePixels(w.Picture1->picture(), before));
    EXPECT_TRUE(enabled("Frame1"));
    // Undo makes room again.
    click("cmdUndo");
    EXPECT_TRUE(enabled("cmdMeji"));
    EXPECT_EQ(w.FrameHistory.upperBound(), 9);
}

TEST_F(ExecuteTest, UndoTakesBackTheLastExecute) {
    FrmMain& w = openWith(120, 90);
    const PixelSurface opened = w.Picture1->picture().clone();
    click("cmdMeji");
    click("cmdMeji");
    const PixelSurface afterSecond = w.Picture1->picture().clone();
    const QStringList beforeThird = positions();
    click("cmdMeji");
    click("cmdUndo");
    EXPECT_TRUE(samePixels(w.Picture1->picture(), afterSecond));
    EXPECT_EQ(w.FrameHistory.upperBound(), 2);
    EXPECT_EQ(positions(), beforeThird);                         // before the third's auto-adjust
    EXPECT_TRUE(control<QRadioButton>("optA(0)")->isChecked());  // the third was convex
    EXPECT_FALSE(enabled("cmdUndo"));
    EXPECT_TRUE(enabled("cmdRec"));
    EXPECT_TRUE(enabled("cmdMeji"));

    // Back to the picture as opened: Record has nothing left to record.
    openWith(120, 90);
    click("cmdMeji");
    click("cmdUndo");
    EXPECT_TRUE(samePixels(m_window->Picture1->picture(), opened));
    EXPECT_EQ(m_window->FrameHistory.upperBound(), 0);
    EXPECT_FALSE(enabled("cmdRec"));
}

TEST_F(ExecuteTest, UndoWritesBackTheNumbersExecuteRead) {
    openWith(60, 60);
    setParams("2.5", "3.5", "4", "4", "abc", "1", "2", "3");
    control<QRadioButton>("optA(1)")->setChecked(true);
    click("cmdMeji");
    click("cmdUndo");
    EXPECT_EQ(box("txtW(0)")->text(), "2");  // ties to even
    EXPECT_EQ(box("txtW(1)")->text(), "4");
    EXPECT_EQ(positions(), QStringList({"0", "1", "2", "3"}));
    EXPECT_TRUE(control<QRadioButton>("optA(1)")->isChecked());
}

TEST_F(ExecuteTest, OpeningAnotherPictureWithdrawsUndo) {
    FrmMain& w = openWith(50, 50);
    click("cmdMeji");
    givePicture(randomSurface(30, 30, 99));
    EXPECT_FALSE(enabled("cmdUndo"));
    EXPECT_TRUE(enabled("cmdRec"));
    EXPECT_EQ(w.FrameHistory.upperBound(), 0);
}

TEST_F(ExecuteTest, PictureThatCannotBePaintedChangesNothing) {
    FrmMain& w = openWith(50, 50);
    click("cmdMeji");
    const QStringList before = positions();
    w.Picture1->simulateTransferFailure(true);
    click("cmdMeji");
    EXPECT_TRUE(w.ExecuteAborted);
    EXPECT_EQ(w.FrameHistory.upperBound(), 1);
    EXPECT_EQ(positions(), before);
    EXPECT_TRUE(enabled("Frame1"));
    EXPECT_TRUE(enabled("cmdUndo"));  // still the first Execute's Undo
    EXPECT_TRUE(w.Picture1->isVisible());
    w.Picture1->simulateTransferFailure(false);
    click("cmdUndo");
    EXPECT_EQ(w.FrameHistory.upperBound(), 0);
}

}  // namespace
}  // namespace rimvista::test
