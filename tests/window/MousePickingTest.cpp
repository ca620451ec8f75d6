// Setting the framed area's corners by pressing mouse buttons on the picture.
#include <vector>

#include "window/GuidesFixture.h"

namespace rimvista::test {
namespace {

using Margins = std::array<QString, 4>;  // X0, Y0, X1, Y1

using MousePickingTest = GuidesTest;

TEST_F(MousePickingTest, LeftSetsTheTopLeftCornerAndRightTheBottomRight) {
    FrmMain& w = openWithPicture(640, 480);
    // The marker moves once, after all four boxes are written: never on the single writes.
    std::vector<Geometry> seen;
    QObject probe;  // goes before `seen`, and its connections with it
    for (const char* name : {"txtX(0)", "txtY(0)", "txtX(1)", "txtY(1)"})
        QObject::connect(box(name), &QLineEdit::textChanged, &probe,
                         [this, &seen] { seen.push_back(marker()); });
    pressOnPicture(Qt::LeftButton, QPoint(100, 50));
    EXPECT_EQ(margins(), (Margins{"100", "50", "0", "0"}));
    EXPECT_EQ(marker(), (Geometry{100, 50, 540, 430}));
    EXPECT_EQ(seen, (std::vector<Geometry>(2, Geometry{0, 0, 640, 480})));  // X0, Y0 changed
    EXPECT_FALSE(w.PickingByMouse);

    seen.clear();
    pressOnPicture(Qt::RightButton, QPoint(600, 400));
    EXPECT_EQ(margins(), (Margins{"100", "50", "40", "80"}));
    EXPECT_EQ(marker(), (Geometry{100, 50, 500, 350}));
    EXPECT_EQ(seen, (std::vector<Geometry>(2, Geometry{100, 50, 540, 430})));
    EXPECT_FALSE(w.PickingByMouse);

    // The kept corner is written back in the program's own number form.
    setMargins("10.50", " 2e1", "40", "80");
    pressOnPicture(Qt::RightButton, QPoint(500, 300));
    EXPECT_EQ(margins(), (Margins{"10.5", "20", "140", "180"}));
    EXPECT_EQ(marker(), (Geometry{10.5f, 20, 489.5f, 280}));
}

TEST_F(MousePickingTest, AreaThatWouldTurnInsideOutIsRefused) {
    FrmMain& w = openWithPicture(640, 480);
    setMargins("100", "50", "0", "0");
    pressOnPicture(Qt::RightButton, QPoint(100, 50));  // zero width and height: allowed
    EXPECT_EQ(margins(), (Margins{"100", "50", "540", "430"}));
    EXPECT_EQ(marker(), (Geometry{100, 50, 0, 0}));

    const Geometry shown = marker();
    const Margins kept = margins();
    for (const auto& [button, at] :
         {std::pair{Qt::RightButton, QPoint(99, 300)}, std::pair{Qt::RightButton, QPoint(300, 49)},
          std::pair{Qt::LeftButton, QPoint(101, 10)}, std::pair{Qt::LeftButton, QPoint(10, 51)}}) {
        pressOnPicture(button, at);
        EXPECT_EQ(margins(), kept) << at.x() << "," << at.y();
        EXPECT_EQ(marker(), shown);
        EXPECT_FALSE(w.PickingByMouse);
    }
}

TEST_F(MousePickingTest, PressesThatCannotBeUsedChangeNothing) {
    FrmMain& w = openWithPicture(640, 480);
    setMargins("10", "20", "30", "40");
    const Geometry shown = marker();

    // The other corner's boxes not holding numbers.
    box("txtX(1)")->clear();
    pressOnPicture(Qt::LeftButton, QPoint(100, 50));
    EXPECT_EQ(margins(), (Margins{"10", "20", "", "40"}));
    box("txtX(1)")->setText("30");
    box("txtY(0)")->setText("abc");
    pressOnPicture(Qt::RightButton, QPoint(500, 400));
    EXPECT_EQ(margins(), (Margins{"10", "abc", "30", "40"}));
    EXPECT_EQ(marker(), shown);
    EXPECT_FALSE(w.PickingByMouse);

    // The middle button picks nothing.
    box("txtY(0)")->setText("20");
    pressOnPicture(Qt::MiddleButton, QPoint(100, 50));
    EXPECT_EQ(margins(), (Margins{"10", "20", "30", "40"}));
    EXPECT_EQ(marker(), shown);
    EXPECT_FALSE(w.PickingByMouse);
}

TEST_F(MousePickingTest, BeforeAnyPictureTheEmptyBoxIsSixteenPixelsSquare) {
    FrmMain& w = openWindow();
    ASSERT_FALSE(w.Picture1->hasPicture());
    QTest::mouseClick(w.Picture1, Qt::RightButton, Qt::NoModifier, QPoint(5, 5));
    EXPECT_EQ(margins(), (Margins{"0", "0", "11", "11"}));
}

}  // namespace
}  // namespace rimvista::test
