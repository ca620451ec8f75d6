// Zoom: the marker, mouse picking, the pixels shown and the commands at fit, 50 % and 200 %;
// also run at a device pixel ratio of 2.
#include <QGroupBox>
#include <QLabel>
#include <QMouseEvent>
#include <QWheelEvent>
#include <cmath>

#include "core/FrameCommand.h"
#include "window/GuidesFixture.h"

namespace rimvista::test {
namespace {

class ZoomTest : public GuidesTest {
protected:
    // At 100 %, as after Ctrl+1.
    FrmMain& openWithRandomPicture(int width, int height) {
        FrmMain& w = openWindow();
        w.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&w));
        w.setZoom(1.0);
        givePicture(randomSurface(width, height, 21));
        return w;
    }
    void zoomKey(int key) { QTest::keyClick(m_window.get(), Qt::Key(key), Qt::ControlModifier); }
    // The widget point in the middle of picture pixel `px`.
    QPoint pointOf(QPoint px) const {
        const PictureBox* b = m_window->Picture1;
        return {int((px.x() + 0.5) * b->scaleX()), int((px.y() + 0.5) * b->scaleY())};
    }
    // A real press on picture pixel `px`, scrolled into view first.
    void pressAt(Qt::MouseButton button, QPoint px) {
        FrmMain& w = *m_window;
        const QPoint at = pointOf(px);
        const QSize view = w.picCont->client()->size();
        w.HScroll1->setValue(at.x() < view.width() ? 0 : 100);
        w.VScroll1->setValue(at.y() < view.height() ? 0 : 100);
        ASSERT_TRUE(QRect(QPoint(0, 0), view).contains(w.Picture1->mapTo(w.picCont->client(), at)));
        QTest::mouseClick(w.Picture1, button, Qt::NoModifier, at);
    }
    // The colour shown at a widget point of the picture, in device pixels.
    QRgb shownAt(QPointF at) const {
        const QPixmap shot = m_window->Picture1->grab();
        const double dpr = shot.devicePixelRatio();
        return shot.toImage().pixel(int(at.x() * dpr), int(at.y() * dpr));
    }
    static QRgb rgb(Pixel p) { return qRgb(p.red, p.green, p.blue); }
};

TEST_F(ZoomTest, MarkerPickingAndPixelsMeanThePictureAtEveryZoom) {
    FrmMain& w = openWithRandomPicture(640, 480);
    EXPECT_EQ(control<QLabel>("lblZoom")->text(), "100%");
    // The layout in logical pixels whatever the screen's pixel ratio: everything on the window.
    for (QWidget* c : {(QWidget*)w.picCont, (QWidget*)w.Frame1, (QWidget*)w.HScroll1})
        EXPECT_TRUE(w.centralWidget()->rect().contains(c->geometry()))
            << c->objectName().toStdString();
    // At 100 % one picture pixel covers one logical pixel, unsmoothed.
    for (const QPoint px : {QPoint(0, 0), QPoint(7, 3), QPoint(100, 200)}) {
        const Pixel p = w.Picture1->picture().row(px.y())[px.x()];
        EXPECT_EQ(shownAt(QPointF(px) + QPointF(0.1, 0.1)), rgb(p));
        EXPECT_EQ(shownAt(QPointF(px) + QPointF(0.9, 0.9)), rgb(p));
    }

    struct Step {
        int key;
        const char* label;
        QSize shown;  // the picture's size on screen; empty: fitted
    };
    for (const Step& s :
         {Step{Qt::Key_0, "全体", {}}, Step{Qt::Key_Minus, "50%", {320, 240}},
          Step{Qt::Key_Equal, "100%", {640, 480}}, Step{Qt::Key_Plus, "200%", {1280, 960}}}) {
        SCOPED_TRACE(s.label);
        if (s.key == Qt::Key_Minus) zoomKey(Qt::Key_1);
        zoomKey(s.key);
        EXPECT_TRUE(control<QLabel>("lblZoom")->text().startsWith(QString::fromUtf8(s.label)));
        const QSize view = w.picCont->client()->size();
        if (s.shown.isEmpty()) {
            EXPECT_TRUE(w.Picture1->width() == view.width() ||
                        w.Picture1->height() == view.height());
            EXPECT_TRUE(QRect(QPoint(0, 0), view).contains(w.Picture1->geometry()));
        } else {
            EXPECT_EQ(w.Picture1->size(), s.shown);
        }
        EXPECT_EQ(w.Picture1->ScaleWidth(), 640);

        // The picture pixel a press at the middle of `px`'s widget pixels picks: `px` itself
        // while a widget pixel is no larger than a picture pixel.
        const double sx = w.Picture1->scaleX(), sy = w.Picture1->scaleY();
        const auto picked = [&](QPoint px) {
            const QPoint at = pointOf(px);
            return QPoint(int(std::floor(at.x() / sx)), int(std::floor(at.y() / sy)));
        };
        const QPoint a = picked({30, 20}), b = picked({600, 400});
        if (!s.shown.isEmpty()) {
            EXPECT_EQ(a, QPoint(30, 20));
            EXPECT_EQ(b, QPoint(600, 400));
        }
        setMargins("0", "0", "0", "0");
        pressAt(Qt::LeftButton, {30, 20});
        pressAt(Qt::RightButton, {600, 400});
        const auto text = [](int v) { return QString::number(v); };
        EXPECT_EQ(margins(), (std::array<QString, 4>{text(a.x()), text(a.y()), text(640 - b.x()),
                                                     text(480 - b.y())}));
        EXPECT_EQ(marker(), (Geometry{float(a.x()), float(a.y()), float(b.x() - a.x()),
                                      float(b.y() - a.y())}));
        // The outline lies on the edges of those picture pixels, to the widget pixel.
        const QRect outline = w.sha0->geometry().adjusted(1, 1, -1, -1);
        EXPECT_NEAR(outline.left(), a.x() * sx, 1.0);
        EXPECT_NEAR(outline.right(), b.x() * sx, 1.0);
        EXPECT_NEAR(outline.top(), a.y() * sy, 1.0);
        EXPECT_NEAR(outline.bottom(), b.y() * sy, 1.0);
    }

    // Execute and Undo work on the full picture, and a reduced view shows the new bands.
    const PixelSurface before = w.Picture1->picture().clone();
    zoomKey(Qt::Key_1);
    zoomKey(Qt::Key_Minus);  // 50 %: each shown pixel is the mean of a 2 x 2 block
    setMargins("0", "0", "0", "0");
    click("cmdMeji");
    PixelSurface expected = before.clone();
    SurfacePicture target(expected);
    ASSERT_TRUE(applyFrame(target, makeFrameParams(5, 5, 5, 5, 0, 0, 0, 0)));
    EXPECT_TRUE(samePixels(w.Picture1->picture(), expected));
    const auto mean = [&](int x, int y) {
        int r = 0, g = 0, b = 0;
        for (int dy = 0; dy < 2; ++dy)
            for (int dx = 0; dx < 2; ++dx) {
                const Pixel p = expected.row(y + dy)[x + dx];
                r += p.red, g += p.green, b += p.blue;
            }
        return qRgb((r + 2) / 4, (g + 2) / 4, (b + 2) / 4);
    };
    EXPECT_EQ(shownAt({0.5, 0.5}), mean(0, 0));
    EXPECT_EQ(shownAt({1.5, 100.5}), mean(2, 200));
    click("cmdUndo");
    EXPECT_TRUE(samePixels(w.Picture1->picture(), before));
    EXPECT_EQ(shownAt({1.5, 100.5}), [&] {
        expected = before.clone();
        return mean(2, 200);
    }());
}

TEST_F(ZoomTest, CtrlWheelZoomsAboutThePointer) {
    FrmMain& w = openWithRandomPicture(640, 480);
    const QPointF anchor(100, 80);  // over picture pixel (100, 80) at 100 %
    const QPointF inViewport = w.picCont->client()->mapTo(w.picCont, anchor);
    for (const auto& [turn, zoom] :
         {std::pair{120, 2.0}, std::pair{120, 4.0}, std::pair{-240, 1.0}}) {
        QWheelEvent e(inViewport, w.picCont->mapToGlobal(inViewport), QPoint(), QPoint(0, turn),
                      Qt::NoButton, Qt::ControlModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(w.picCont, &e);
        EXPECT_EQ(w.Picture1->zoom(), zoom);
        const QPointF under = w.Picture1->toPicture(anchor - QPointF(w.Picture1->pos()));
        EXPECT_NEAR(under.x(), 100, 1.0) << zoom;
        EXPECT_NEAR(under.y(), 80, 1.0) << zoom;
    }
    EXPECT_EQ(w.HScroll1->value(), 0);  // back at 100 % the bars tell where the picture is
}

TEST_F(ZoomTest, APressAnywhereInsideAPicturePixelPicksIt) {
    FrmMain& w = openWithRandomPicture(640, 480);
    const double dpr = w.Picture1->devicePixelRatioF();
    // The pointer as the platform delivers it: at a device pixel, in fractions of Qt's pixels.
    const auto press = [&](Qt::MouseButton button, QPointF local) {
        const QPointF at = QPointF(w.Picture1->mapTo(&w, QPoint(0, 0))) + local;
        for (const QEvent::Type t :
             {QEvent::MouseMove, QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
            const Qt::MouseButton b = t == QEvent::MouseMove ? Qt::NoButton : button;
            QMouseEvent e(t, at, at, w.mapToGlobal(at), b,
                          t == QEvent::MouseButtonPress ? button : Qt::NoButton, Qt::NoModifier);
            QApplication::sendEvent(w.windowHandle(), &e);
        }
    };
    const auto isMarker = [](QRgb c) { return c == qRgb(255, 255, 255) || c == qRgb(0, 0, 0); };
    for (const double zoom : {0.5, 1.0, 2.0, 4.0}) {
        const double perPixel = zoom * dpr;  // device pixels per picture pixel
        if (perPixel < 1) continue;  // a device pixel then shows more than one picture pixel
        SCOPED_TRACE(zoom);
        w.setZoom(zoom);
        w.resetView();
        setMargins("0", "0", "0", "0");
        // The first device pixel of picture pixel (10, 8) for the top-left corner, the last one
        // of (21, 17) for the bottom-right: the area is columns 10 to 20, rows 8 to 16.
        press(Qt::LeftButton, QPointF(10, 8) * perPixel / dpr);
        press(Qt::RightButton, (QPointF(22, 18) * perPixel - QPointF(1, 1)) / dpr);
        EXPECT_EQ(margins(), (std::array<QString, 4>{"10", "8", "619", "463"}));
        // The outline lies on the outermost device pixels of the area, the picture beside it.
        const QImage shown = w.Picture1->grab().toImage();
        const int middle = int(12 * perPixel);
        const int left = int(10 * perPixel), right = int(21 * perPixel) - 1;
        EXPECT_TRUE(isMarker(shown.pixel(left, middle)));
        EXPECT_FALSE(isMarker(shown.pixel(left - 1, middle)));
        EXPECT_TRUE(isMarker(shown.pixel(right, middle)));
        EXPECT_FALSE(isMarker(shown.pixel(right + 1, middle)));
    }
}

}  // namespace
}  // namespace rimvista::test
