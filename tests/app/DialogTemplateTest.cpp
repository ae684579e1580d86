#include <gtest/gtest.h>

#include "app/DialogTemplate.h"

using namespace app;

namespace {

// The platform's 8-point dialog font has base units of 6 x 13 pixels at 96 dpi: the Fix
// dialog is then 238 x 178 pixels.
TEST(DialogTemplateTest, DialogUnitsToPixelsRoundDown) {
    const DialogBaseUnits units{6, 13};
    EXPECT_EQ(units.toPixelsX(kFixDialogTemplate.width), 238);
    EXPECT_EQ(units.toPixelsY(kFixDialogTemplate.height), 178);
    EXPECT_EQ(units.toPixelsX(3), 4);
    EXPECT_EQ(units.toPixelsY(3), 4);
}

TEST(DialogTemplateTest, AverageCharWidthRoundsHalfUp) {
    EXPECT_EQ(averageCharWidth(52 * 6), 6);
    EXPECT_EQ(averageCharWidth(52 * 6 + 25), 6);
    EXPECT_EQ(averageCharWidth(52 * 6 + 26), 7);
}

// A slip in a position would put a control outside the window, where no one sees it.
TEST(DialogTemplateTest, EveryControlLiesInsideTheDialog) {
    for (const ControlTemplate& control : kFixDialogTemplate.controls) {
        SCOPED_TRACE(control.text);
        const DialogRect& r = control.rect;
        EXPECT_GE(r.x, 0);
        EXPECT_GE(r.y, 0);
        EXPECT_LE(r.x + r.width, kFixDialogTemplate.width);
        EXPECT_LE(r.y + r.height, kFixDialogTemplate.height);
    }
}

}  // namespace
