// The marker placed from the position boxes, and when it shows.
#include "window/GuidesFixture.h"

namespace rimvista::test {
namespace {

using GuideMarkerTest = GuidesTest;

TEST_F(GuideMarkerTest, OutlinesTheAreaBetweenTheMargins) {
    openWithPicture(640, 480);
    EXPECT_EQ(marker(), (Geometry{0, 0, 640, 480}));  // opening a picture outlines all of it
    setMargins("10", "5", "20", "5");
    EXPECT_EQ(marker(), (Geometry{10, 5, 610, 470}));
    // Fractions and the whole number syntax are taken as they are.
    setMargins("10.5", " 2.5e1 ", "0.25", "-5");
    EXPECT_EQ(marker(), (Geometry{10.5f, 25, 629.25f, 460}));
    // Margins meeting: an area of zero width.
    setMargins("600", "0", "40", "0");
    EXPECT_EQ(marker(), (Geometry{600, 0, 0, 480}));
}

TEST_F(GuideMarkerTest, StepsStopQuietlyAtTheFirstFailure) {
    FrmMain& w = openWithPicture(640, 480);
    setMargins("10", "5", "20", "5");
    // Margins overlapping: the left edge moves, the width keeps its last value.
    box("txtX(0)")->setText("650");
    EXPECT_EQ(marker(), (Geometry{650, 5, 610, 470}));
    // The other margin of the axis not a number: likewise.
    setMargins("10", "5", "20", "5");
    box("txtX(1)")->setText("abc");
    box("txtX(0)")->setText("30");
    EXPECT_EQ(marker(), (Geometry{30, 5, 610, 470}));
    // Beyond the coordinate range: nothing moves.
    box("txtX(0)")->setText("1e30");
    EXPECT_EQ(marker(), (Geometry{30, 5, 610, 470}));

    // Write the boxes without their change handlers to drive UpdateGuide alone.
    const auto quietly = [&](const char* x0, const char* y0, const char* x1, const char* y1) {
        w.PickingByMouse = true;
        setMargins(x0, y0, x1, y1);
        w.PickingByMouse = false;
    };
    quietly("10", "7", "20", "8");
    w.UpdateGuide(1);  // vertical only
    EXPECT_EQ(marker(), (Geometry{30, 7, 610, 465}));
    // A failing horizontal step ends the whole update: the vertical steps are not run.
    quietly("600", "50", "100", "50");
    w.UpdateGuide(2);
    EXPECT_EQ(marker(), (Geometry{600, 7, 610, 465}));
    quietly("100", "50", "100", "50");
    w.UpdateGuide(2);
    EXPECT_EQ(marker(), (Geometry{100, 50, 440, 380}));
}

TEST_F(GuideMarkerTest, ShownOnlyWhileTheMouseIsOverThePicture) {
    FrmMain& w = openWithPicture(100, 80);  // leaves empty viewport beside it
    QWidget* viewport = w.picCont->client();
    ASSERT_GT(viewport->width(), 150);
    EXPECT_FALSE(w.sha0->Visible());
    // On a real display the pointer really moves, and its events arrive a little later.
    const auto shown = [&](bool visible) {
        return QTest::qWaitFor([&] { return w.sha0->Visible() == visible; }, 2000);
    };
    QTest::mouseMove(w.Picture1, QPoint(50, 40));
    EXPECT_TRUE(shown(true));
    QTest::mouseMove(viewport, QPoint(140, 40));
    EXPECT_TRUE(shown(false));
    // Hidden, it still follows the boxes.
    setMargins("10", "20", "30", "40");
    EXPECT_EQ(marker(), (Geometry{10, 20, 60, 20}));
    QTest::mouseMove(w.Picture1, QPoint(60, 40));
    EXPECT_TRUE(shown(true));
    QTest::mouseMove(w.centralWidget(), QPoint(2, w.centralWidget()->height() - 2));
    EXPECT_TRUE(shown(false));
}

TEST_F(GuideMarkerTest, DrawnOverThePictureButNeverIntoIt) {
    FrmMain& w = openWithPicture(120, 90);
    const PixelSurface before = w.Picture1->picture().clone();
    setMargins("10", "20", "30", "40");
    w.sha0->setMarkerVisible(true);
    const QImage shown = w.Picture1->grab().toImage();
    const QRgb picture = qRgb(128, 128, 128);
    // The outline runs along the area's outermost pixels, in black and white.
    for (const QPoint p : {QPoint(10, 35), QPoint(89, 35), QPoint(40, 20), QPoint(40, 49)})
        EXPECT_NE(shown.pixel(p), picture) << p.x() << "," << p.y();
    for (const QPoint p : {QPoint(9, 35), QPoint(11, 35), QPoint(88, 35), QPoint(90, 35),
                           QPoint(40, 19), QPoint(40, 21), QPoint(40, 48), QPoint(40, 50)})
        EXPECT_EQ(shown.pixel(p), picture) << p.x() << "," << p.y();
    EXPECT_TRUE(samePixels(before, w.Picture1->picture()));
}

}  // namespace
}  // namespace rimvista::test
