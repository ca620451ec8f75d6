// The main window as designed, its start-up and shutdown, layout and scrolling.
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>

#include "core/cInifile.h"
#include "support/TestPictures.h"
#include "support/WindowFixture.h"
#include "window/GuideMarker.h"
#include "window/PictureBox.h"
#include "window/Viewport.h"

namespace rimvista::test {
namespace {

class FrmMainTest : public WindowTest {
protected:
    void writeSetting(const char* section, const char* key, const QString& value) {
        cInifile ini;
        ini.FileName(settingsPath().toStdString());
        ini.WriteStr(section, key, value.toStdString());
    }
    std::string readSetting(const char* section, const char* key) {
        cInifile ini;
        ini.FileName(settingsPath().toStdString());
        return ini.ReadStr(section, key, "<missing>");
    }
};

TEST_F(FrmMainTest, ControlsAsDesigned) {
    FrmMain& w = openWindow();
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Rimvista   [Ver.1.1.0]"));
    const struct {
        const char* name;
        const char* caption;
        bool enabled;
    } buttons[] = {{"cmdOpen", "開く", true},  {"cmdSave", "保存", false},
                   {"cmdMeji", "実行", false}, {"cmdUndo", "戻す", false},
                   {"cmdRec", "記録", false},  {"cmdLoad", "再生", false},
                   {"cmdExit", "終了", true}};
    for (const auto& b : buttons) {
        auto* button = control<QPushButton>(b.name);
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->text(), QString::fromUtf8(b.caption)) << b.name;
        EXPECT_EQ(button->isEnabled(), b.enabled) << b.name;
        EXPECT_EQ(button->parentWidget(), control("Frame1")) << b.name;
    }
    for (int i = 0; i < 4; ++i) EXPECT_EQ(box(QString("txtW(%1)").arg(i))->text(), "5");
    for (const char* n : {"txtX(0)", "txtX(1)", "txtY(0)", "txtY(1)"})
        EXPECT_EQ(box(n)->text(), "0");
    EXPECT_TRUE(control<QCheckBox>("chkAuto")->isChecked());
    EXPECT_EQ(control<QCheckBox>("chkAuto")->text(), QStringLiteral("自動調整"));
    EXPECT_TRUE(control<QRadioButton>("optA(0)")->isChecked());
    EXPECT_FALSE(control<QRadioButton>("optA(1)")->isChecked());
    EXPECT_EQ(control<QRadioButton>("optA(0)")->text(), QStringLiteral("凸"));
    EXPECT_EQ(control<QRadioButton>("optA(1)")->text(), QStringLiteral("凹"));
    EXPECT_EQ(control<QLabel>("Label1(0)")->text(), QStringLiteral("位置"));
    EXPECT_EQ(control<QLabel>("Label1(1)")->text(), QStringLiteral("幅"));
    EXPECT_TRUE(control<QLabel>("lblSize")->text().isEmpty());
    for (const char* n : {"Shape1(0)", "Shape1(1)", "Shape1(2)", "picCont", "Picture1", "sha0"})
        EXPECT_NE(control(n), nullptr) << n;
    EXPECT_EQ(control("Picture1")->pos(), QPoint(0, 0));
    EXPECT_FALSE(control("sha0")->isVisible());
}

TEST_F(FrmMainTest, TabOrderFollowsTheDesign) {
    openWindow();
    const char* order[] = {"chkAuto", "txtY(0)", "txtY(1)", "txtX(0)", "txtX(1)",
                           "txtW(0)", "txtW(1)", "txtW(2)", "txtW(3)", "optA(0)"};
    control(order[0])->setFocus();
    for (std::size_t i = 1; i < std::size(order); ++i) {
        QWidget* focused = QApplication::focusWidget();
        ASSERT_NE(focused, nullptr);
        QTest::keyClick(focused, Qt::Key_Tab);
        ASSERT_NE(QApplication::focusWidget(), nullptr);
        EXPECT_EQ(QApplication::focusWidget()->objectName(), order[i]);
    }
}

TEST_F(FrmMainTest, FirstStartUsesDefaultsAndCreatesNothing) {
    FrmMain& w = openWindow();
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    EXPECT_EQ(QApplication::focusWidget(), w.chkAuto);  // not a scroll bar without a focus mark
    EXPECT_FALSE(QFile::exists(settingsPath()));
    // 8000 x 6000 twips at 15 twips per pixel.
    EXPECT_EQ(w.frameGeometry().size(), QSize(533, 400));
    EXPECT_EQ(w.DataFolder, FrmMain::AppFolder());
    EXPECT_EQ(w.SaveFolder, FrmMain::AppFolder());
}

TEST_F(FrmMainTest, WindowRectangleAndFoldersRoundTrip) {
    QDir(m_dir.path()).mkpath("pics");
    const QString pics = m_dir.filePath("pics");
    writeSetting("Position", "Left", "1200");
    writeSetting("Position", "Top", "600");
    writeSetting("Position", "Width", "8115");
    writeSetting("Position", "Height", "6090");
    writeSetting("Folder", "DataFolder", pics + "/");
    writeSetting("Folder", "SaveFolder", m_dir.filePath("deleted-since"));
    FrmMain& w = openWindow();
    EXPECT_EQ(w.frameGeometry(), QRect(80, 40, 541, 406));
    EXPECT_EQ(w.DataFolder, pics + "/");  // exists: kept exactly, slash included
    EXPECT_EQ(w.SaveFolder, FrmMain::AppFolder());
    click("cmdExit");
    m_window.reset();
    EXPECT_EQ(readSetting("Position", "Left"), "1200");
    EXPECT_EQ(readSetting("Position", "Top"), "600");
    EXPECT_EQ(readSetting("Position", "Width"), "8115");
    EXPECT_EQ(readSetting("Position", "Height"), "6090");
    EXPECT_EQ(readSetting("Folder", "DataFolder"), (pics + "/").toStdString());
    EXPECT_EQ(readSetting("Folder", "SaveFolder"), FrmMain::AppFolder().toStdString());
}

TEST_F(FrmMainTest, MovedWindowIsWrittenInTwips) {
    FrmMain& w = openWindow();
    w.move(100, 60);
    w.resize(600, 420);
    const QRect outer = w.frameGeometry();  // the figures are of the whole window, frame included
    closeWindow();
    EXPECT_EQ(readSetting("Position", "Left"), std::to_string(outer.x() * 15));
    EXPECT_EQ(readSetting("Position", "Top"), std::to_string(outer.y() * 15));
    EXPECT_EQ(readSetting("Position", "Width"), std::to_string(outer.width() * 15));
    EXPECT_EQ(readSetting("Position", "Height"), std::to_string(outer.height() * 15));
}

TEST_F(FrmMainTest, UnusableStoredRectanglesAreBroughtBack) {
    writeSetting("Position", "Left", "abc");
    writeSetting("Position", "Top", "-30000");
    writeSetting("Position", "Width", "0");
    writeSetting("Position", "Height", "15");
    FrmMain& w = openWindow();
    EXPECT_GE(w.width(), w.minimumWidth());
    EXPECT_GE(w.height(), w.minimumHeight());
    const QRect screen = w.screen()->availableGeometry();
    EXPECT_TRUE(screen.intersects(w.frameGeometry()));
    // The panel and the viewport fit.
    EXPECT_GE(control("picCont")->width(), 0);
    EXPECT_LE(control("Frame1")->geometry().right(), w.centralWidget()->width());
}

TEST_F(FrmMainTest, MinimizedWindowStoresItsNormalRectangle) {
    FrmMain& w = openWindow();
    w.move(30, 45);
    w.resize(560, 400);
    const QRect normal = w.frameGeometry();
    w.showMinimized();
    QTest::qWait(20);
    w.resize(300, 300);  // what a platform may report for a minimized window
    closeWindow();
    EXPECT_EQ(readSetting("Position", "Left"), std::to_string(normal.x() * 15));
    EXPECT_EQ(readSetting("Position", "Width"), std::to_string(normal.width() * 15));
}

TEST_F(FrmMainTest, ScrollBarsMoveAPictureByPercent) {
    FrmMain& w = openWindow();
    w.setZoom(1.0);  // the percentages hold at 100 %
    givePicture(uniformSurface(2000, 1500, Pixel{10, 20, 30, 0}));
    auto* h = control<QScrollBar>("HScroll1");
    auto* v = control<QScrollBar>("VScroll1");
    EXPECT_EQ(h->minimum(), 0);
    EXPECT_EQ(h->maximum(), 100);
    EXPECT_EQ(h->pageStep(), 10);
    EXPECT_EQ(h->singleStep(), 1);
    const int inner = w.picCont->client()->width();
    h->setValue(50);
    EXPECT_EQ(w.Picture1->x(), -(2000 - inner) / 2);
    h->setValue(100);
    EXPECT_EQ(w.Picture1->x(), -(2000 - inner));
    const int innerH = w.picCont->client()->height();
    v->setValue(100);
    EXPECT_EQ(w.Picture1->y(), -(1500 - innerH));
    // Arrow keys move the natural way: Down scrolls on, Right too.
    v->setValue(50);
    v->setFocus();
    QTest::keyClick(v, Qt::Key_Down);
    EXPECT_EQ(v->value(), 51);
    h->setValue(50);
    QTest::keyClick(h, Qt::Key_Right);
    EXPECT_EQ(h->value(), 51);
    // A resize puts the view back to the corner.
    w.resize(w.width() + 20, w.height() + 10);
    EXPECT_EQ(h->value(), 0);
    EXPECT_EQ(v->value(), 0);
    EXPECT_EQ(w.Picture1->pos(), QPoint(0, 0));
}

TEST_F(FrmMainTest, LayoutFollowsTheWindowSize) {
    FrmMain& w = openWindow();
    w.resize(541, 379);  // 8115 x 5685 twips inside
    QTest::qWait(10);
    // 100 twips are 6.67 pixels: each figure is the twips value at 15 per pixel, rounded.
    EXPECT_EQ(control("picCont")->geometry(), QRect(7, 7, 374, 332));
    EXPECT_EQ(control("VScroll1")->geometry().topLeft(), QPoint(381, 7));
    EXPECT_EQ(control("HScroll1")->geometry().topLeft(), QPoint(7, 339));
    EXPECT_EQ(control("Frame1")->pos(), QPoint(405, 7));
    EXPECT_EQ(control("lblSize")->geometry().topLeft(), QPoint(7, 356));
}

TEST_F(FrmMainTest, PictureLoadedStepsResetParametersAndCommands) {
    FrmMain& w = openWindow();
    typeInto("txtW(0)", "9");
    typeInto("txtX(1)", "12");
    control<QRadioButton>("optA(1)")->setChecked(true);
    w.setZoom(1.0);  // shown at its own size, though larger than the viewport
    givePicture(uniformSurface(640, 480, Pixel{1, 2, 3, 0}));
    EXPECT_EQ(control<QLabel>("lblSize")->text(), QStringLiteral(" 640 ×  480"));
    EXPECT_EQ(box("txtW(0)")->text(), "5");
    EXPECT_EQ(box("txtX(1)")->text(), "0");
    EXPECT_TRUE(control<QRadioButton>("optA(1)")->isChecked());  // the kind stays
    EXPECT_TRUE(control("cmdMeji")->isEnabled());
    EXPECT_TRUE(control("cmdSave")->isEnabled());
    EXPECT_TRUE(control("cmdLoad")->isEnabled());
    EXPECT_FALSE(control("cmdUndo")->isEnabled());
    EXPECT_EQ(w.FrameHistory.upperBound(), 0);
    EXPECT_EQ(w.Picture1->size(), QSize(640, 480));
}

TEST_F(FrmMainTest, PictureShowsItsPixelsWhateverTheReservedByte) {
    FrmMain& w = openWindow();
    // Loaders leave the fourth byte 0; the box must still show the colour, opaque.
    givePicture(uniformSurface(40, 30, Pixel{10, 20, 200, 0}));
    const QImage shown = w.Picture1->grab().toImage();
    ASSERT_EQ(shown.size(), QSize(40, 30));
    EXPECT_EQ(shown.pixel(5, 5), qRgb(200, 20, 10));
    EXPECT_EQ(shown.pixel(39, 29), qRgb(200, 20, 10));
}

TEST_F(FrmMainTest, BackgroundMovesHideTheMarker) {
    FrmMain& w = openWindow();
    givePicture(uniformSurface(100, 80, Pixel{0, 0, 0, 0}));
    w.sha0->setMarkerVisible(true);
    // Over the panel (a control): the marker stays.
    QTest::mouseMove(control("Frame1"), QPoint(5, 5));
    QTest::qWait(10);
    EXPECT_TRUE(w.sha0->Visible());
    // Over the window's own background: hidden (on a real display, once the pointer's event came).
    QTest::mouseMove(w.centralWidget(), QPoint(2, w.centralWidget()->height() - 2));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !w.sha0->Visible(); }, 2000));
}

}  // namespace
}  // namespace rimvista::test
