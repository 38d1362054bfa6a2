// Lengths for a window's DPI, and the layout a window takes when its DPI changes.
#include <gtest/gtest.h>

#include "res/pictures.h"
#include "skin/dpi_scale.h"

namespace {

TEST(DpiScale, ScalesLengthsRectsAndFontsForEachDpi)
{
    struct Case {
        int nDpi;
        int nLength;   // 13 at 96
        CRect rc;      // (10, 208, 150 x 16) at 96
        LONG nFont;    // -11 at 96
    };
    const Case cases[] = {
        {96, 13, CRect(10, 208, 160, 224), -11},
        {120, 16, CRect(13, 260, 200, 280), -14},   // 16.25, 12.5 and 13.75 rounded
        {144, 20, CRect(15, 312, 240, 336), -17},   // 19.5 and -16.5 round away from zero
        {192, 26, CRect(20, 416, 320, 448), -22},
        {0, 13, CRect(10, 208, 160, 224), -11},     // no DPI known: 96
    };
    for (const Case& c : cases) {
        const CDpiScale scale(c.nDpi);
        EXPECT_EQ(scale.Scale(13), c.nLength) << c.nDpi;
        EXPECT_EQ(scale.ScaleRect(10, 208, 150, 16), c.rc) << c.nDpi;
        EXPECT_EQ(scale.FontHeight(-11), c.nFont) << c.nDpi;
    }
    EXPECT_FLOAT_EQ(CDpiScale(144).ScaleF(14), 21.0f);
    // Edges that touch at 96 still touch when scaled.
    const CDpiScale scale(120);
    EXPECT_EQ(scale.ScaleRect(0, 0, 65, 10).right, scale.ScaleRect(65, 0, 5, 10).left);
}

TEST(DpiScale, PicturesComeFromTheScaleAtOrAboveTheWindows)
{
    // DPI -> scale of the drawing taken (percent): never enlarged below 200 %.
    const struct { int nDpi; int nPercent; } cases[] = {
        {72, 100}, {96, 100}, {97, 150}, {120, 150}, {144, 150}, {145, 200}, {168, 200}, {192, 200}, {288, 200},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.nPercent, 100 + PictureStepForDpi(c.nDpi) * PICTURE_STEP_PERCENT) << c.nDpi;
    EXPECT_EQ(21214, PICTURE_ID(1214, 2));
}

TEST(DpiScale, LayoutForANewDpiKeepsTheSuggestedPlaceAndScalesWindowAndChildren)
{
    const CRect rcSuggested(300, 200, 300 + 623, 200 + 374);   // the system's rounding
    const std::vector<CRect> children96 = {CRect(148, 170, 278, 208), CRect(0, 0, 416, 250)};
    const DpiLayout up = LayoutForDpi(rcSuggested, CSize(416, 250), children96, 96, 144);
    EXPECT_EQ(up.rcWindow, CRect(300, 200, 300 + 624, 200 + 375));
    ASSERT_EQ(up.children.size(), 2u);
    EXPECT_EQ(up.children[0], CRect(222, 255, 417, 312));
    EXPECT_EQ(up.children[1], CRect(0, 0, 624, 375));

    // Back and forth over odd scales returns to the same rectangles.
    std::vector<CRect> children = children96;
    int nDpi = 96;
    for (int nNext : {120, 144, 192, 120, 96}) {
        children = LayoutForDpi(rcSuggested, CSize(416, 250), children, nDpi, nNext).children;
        nDpi = nNext;
    }
    EXPECT_EQ(children, children96);
}

}  // namespace
