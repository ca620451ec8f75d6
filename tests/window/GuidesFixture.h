#pragma once
// The main window with a picture, driven by presses on the picture and by the position boxes.

#include <QApplication>
#include <QScrollBar>
#include <array>

#include "support/TestPictures.h"
#include "support/WindowFixture.h"
#include "window/GuideMarker.h"
#include "window/PictureBox.h"
#include "window/Viewport.h"

namespace rimvista::test {

using Geometry = std::array<float, 4>;  // Left, Top, Width, Height

class GuidesTest : public WindowTest {
protected:
    // The picture at its own size, as after Ctrl+1, whether or not it fits the viewport.
    FrmMain& openWithPicture(int width = 640, int height = 480) {
        FrmMain& w = openWindow();
        w.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&w));
        w.setZoom(1.0);
        givePicture(uniformSurface(width, height, Pixel{128, 128, 128, 0}));
        return w;
    }

    Geometry marker() const {
        const GuideMarker* m = m_window->sha0;
        return {m->Left(), m->Top(), m->Width(), m->Height()};
    }

    // X0, Y0, X1, Y1 as the boxes show them.
    std::array<QString, 4> margins() {
        return {box("txtX(0)")->text(), box("txtY(0)")->text(), box("txtX(1)")->text(),
                box("txtY(1)")->text()};
    }
    void setMargins(const char* x0, const char* y0, const char* x1, const char* y1) {
        box("txtX(0)")->setText(x0);
        box("txtY(0)")->setText(y0);
        box("txtX(1)")->setText(x1);
        box("txtY(1)")->setText(y1);
    }

    // A real press (and release) of `button` on the picture pixel `at`, scrolled into view first.
    void pressOnPicture(Qt::MouseButton button, QPoint at) {
        FrmMain& w = *m_window;
        const QSize view = w.picCont->client()->size();
        w.HScroll1->setValue(at.x() < view.width() ? 0 : 100);
        w.VScroll1->setValue(at.y() < view.height() ? 0 : 100);
        const QPoint inView = w.Picture1->mapTo(w.picCont->client(), at);
        ASSERT_TRUE(QRect(QPoint(0, 0), view).contains(inView)) << "pixel not visible";
        QTest::mouseClick(w.Picture1, button, Qt::NoModifier, at);
    }
};

}  // namespace rimvista::test
