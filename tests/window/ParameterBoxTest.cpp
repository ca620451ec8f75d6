// The parameter boxes: position boxes move the marker as their text changes, every box selects
// its whole text when it gets the focus.
#include <vector>

#include "window/GuidesFixture.h"

namespace rimvista::test {
namespace {

using ParameterBoxTest = GuidesTest;

TEST_F(ParameterBoxTest, MarkerFollowsEachNumberTypedIntoAPositionBox) {
    FrmMain& w = openWithPicture(640, 480);
    setMargins("10", "5", "20", "5");
    std::vector<float> widths;
    QObject probe;
    QObject::connect(box("txtX(1)"), &QLineEdit::textChanged, &probe,
                     [&] { widths.push_back(w.sha0->Width()); });
    typeInto("txtX(1)", "");
    QTest::keyClicks(box("txtX(1)"), "12");
    EXPECT_EQ(widths, (std::vector<float>{610, 629, 618}));  // "", "1", "12"

    // Texts that are not numbers leave the marker where it was.
    const Geometry shown = marker();
    for (const char* name : {"txtX(0)", "txtY(0)", "txtY(1)"}) {
        typeInto(name, "");
        EXPECT_EQ(marker(), shown) << name << " emptied";
        typeInto(name, "x");
        QTest::keyClicks(box(name), "1");
        typeInto(name, "-");
        QTest::keyClicks(box(name), ".e");
        box(name)->setText("1e5x");
        EXPECT_EQ(marker(), shown) << name;
    }
}

TEST_F(ParameterBoxTest, WidthBoxesNeverMoveTheMarker) {
    FrmMain& w = openWithPicture(640, 480);
    // Position texts the marker has not followed: a marker update would show at once.
    w.PickingByMouse = true;
    setMargins("10", "5", "20", "5");
    w.PickingByMouse = false;
    for (const char* name : {"txtW(0)", "txtW(1)", "txtW(2)", "txtW(3)"}) {
        typeInto(name, "12");
        box(name)->setText("7");
    }
    EXPECT_EQ(marker(), (Geometry{0, 0, 640, 480}));
}

TEST_F(ParameterBoxTest, GettingTheFocusSelectsTheWholeText) {
    openWithPicture(640, 480);
    box("txtY(0)")->setText("125");
    box("txtW(1)")->setText("5.5");
    QWidget* before = control("chkAuto");  // just ahead of txtY(0) in the keyboard order
    before->setFocus(Qt::TabFocusReason);
    QTest::keyClick(before, Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), box("txtY(0)"));
    EXPECT_EQ(box("txtY(0)")->selectedText(), "125");
    box("txtW(1)")->setFocus();
    EXPECT_EQ(box("txtW(1)")->selectedText(), "5.5");

    // By a mouse click, which by itself would place the cursor where it was pressed.
    QLineEdit* x1 = box("txtX(1)");
    x1->setText("640");
    QTest::mouseClick(x1, Qt::LeftButton, Qt::NoModifier, QPoint(4, x1->height() / 2));
    ASSERT_EQ(QApplication::focusWidget(), x1);
    EXPECT_EQ(x1->selectedText(), "640");
    // A further click in the box it already has the focus: the cursor goes to the click.
    QTest::mouseClick(x1, Qt::LeftButton, Qt::NoModifier, QPoint(4, x1->height() / 2));
    EXPECT_FALSE(x1->hasSelectedText());
    EXPECT_EQ(x1->cursorPosition(), 0);
    // Typing after the focus came replaces the whole value.
    QLineEdit* x0 = box("txtX(0)");
    x0->setText("10");
    QTest::mouseClick(x0, Qt::LeftButton, Qt::NoModifier, QPoint(4, x0->height() / 2));
    QTest::keyClicks(x0, "3");
    EXPECT_EQ(x0->text(), "3");
    EXPECT_EQ(marker()[0], 3);
}

TEST_F(ParameterBoxTest, ExecuteAndUndoMoveTheMarkerThroughTheBoxes) {
    openWithPicture(640, 480);
    setMargins("10", "5", "20", "5");
    const auto fromBoxes = [this] {
        const auto v = [this](const char* name) { return box(name)->text().toFloat(); };
        return Geometry{v("txtX(0)"), v("txtY(0)"), 640 - v("txtX(0)") - v("txtX(1)"),
                        480 - v("txtY(0)") - v("txtY(1)")};
    };
    click("cmdMeji");  // auto-adjust is on: the margins move inward past the frame
    ASSERT_NE(box("txtX(0)")->text(), "10");
    EXPECT_EQ(marker(), fromBoxes());
    click("cmdUndo");
    EXPECT_EQ(marker(), (Geometry{10, 5, 610, 470}));
}

}  // namespace
}  // namespace rimvista::test
