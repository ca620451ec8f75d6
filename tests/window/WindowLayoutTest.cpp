#include <gtest/gtest.h>

#include "window/WindowLayout.h"

using rimvista::computeLayout;
using rimvista::scrollPosition;

TEST(WindowLayout, DesignedWindowFigures) {
    const auto l = computeLayout(8115, 5685);
    EXPECT_EQ(l.viewport, QRectF(100, 100, 5615, 4985));
    EXPECT_EQ(l.vScroll, QRectF(5715, 100, 255, 4985));
    EXPECT_EQ(l.hScroll, QRectF(100, 5085, 5615, 255));
    EXPECT_EQ(l.panel, QPointF(6070, 100));
    EXPECT_EQ(l.sizeLabel, QRectF(100, 5340, 5615, 195));
    // 110 right of the panel, 150 below the size label.
    EXPECT_EQ(8115 - (l.panel.x() + rimvista::kPanelWidth), 110);
    EXPECT_EQ(5685 - l.sizeLabel.bottom(), 150);
}

TEST(WindowLayout, TooSmallWindowNeverGetsANegativeViewport) {
    const auto l = computeLayout(1000, 300);
    EXPECT_EQ(l.viewport.width(), 0);
    EXPECT_EQ(l.viewport.height(), 0);
    EXPECT_EQ(l.hScroll.width(), 0);
    EXPECT_EQ(l.vScroll.height(), 0);
}

TEST(WindowLayout, ScrollPercentages) {
    // A picture narrower than the viewport moves right as the value grows.
    EXPECT_FLOAT_EQ(scrollPosition(3000, 5000, 50), 1000);
    EXPECT_FLOAT_EQ(scrollPosition(3000, 5000, 100), 2000);
    // A wider one moves left until its far edge meets the viewport's.
    EXPECT_FLOAT_EQ(scrollPosition(9000, 5000, 25), -1000);
    EXPECT_FLOAT_EQ(scrollPosition(9000, 5000, 100), -4000);
    EXPECT_FLOAT_EQ(scrollPosition(9000, 5000, 0), 0);
}
