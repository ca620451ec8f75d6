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

TEST(WindowLayout, FrameIsBroughtWhollyOntoTheWorkArea) {
    const QRect area(0, 30, 1280, 770);  // a panel above
    const QSize minimum(233, 392);
    const struct {
        QRect stored, fitted;
    } cases[] = {
        {{80, 40, 541, 406}, {80, 40, 541, 406}},       // inside: unchanged
        {{200, 180, 1596, 974}, {0, 30, 1280, 770}},    // larger than the area (a 1x file at 2x)
        {{1000, 600, 541, 406}, {739, 394, 541, 406}},  // partly beyond the far edges
        {{-300, 0, 541, 406}, {0, 30, 541, 406}},       // partly before the near edges
        {{5000, 5000, 0, 15}, {1047, 408, 233, 392}},   // unusable size, off every screen
        {{10, 40, 300, 900}, {10, 30, 300, 770}},       // one axis too large
    };
    for (const auto& c : cases)
        EXPECT_EQ(rimvista::fitFrameInto(c.stored, area, minimum), c.fitted) << c.stored.x();
    // A work area smaller than the layout's minimum keeps the title bar on it.
    EXPECT_EQ(rimvista::fitFrameInto({50, 50, 541, 406}, {0, 0, 200, 300}, minimum),
              QRect(0, 0, 233, 392));
}
