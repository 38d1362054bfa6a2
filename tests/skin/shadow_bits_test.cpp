// The shadow picture: figures of the installer's shadow, erosion, the flat
// core, and a shape taken from a window region.
#include <gtest/gtest.h>

#include "skin/shadow_bits.h"
#include "skin/wnd_shadow.h"

namespace {

ShadowParams Params(int nSize, int nSharpness, int nDarkness = 100, COLORREF clr = RGB(50, 50, 50))
{
    ShadowParams params;
    params.chSize = static_cast<signed char>(nSize);
    params.bySharpness = static_cast<BYTE>(nSharpness);
    params.byDarkness = static_cast<BYTE>(nDarkness);
    params.clrShadow = clr;
    return params;
}

// A built picture with top-down addressing over the bottom-up buffer.
struct Picture
{
    int w, h;
    std::vector<uint32_t> bits;
    uint32_t At(int x, int y) const { return bits[static_cast<size_t>(h - 1 - y) * w + x]; }
    int Alpha(int x, int y) const { return static_cast<int>(At(x, y) >> 24); }
};

Picture Build(int W, int H, const std::vector<ShadowSpan>& spans, const ShadowParams& params)
{
    const int e = ShadowExtent(params.chSize);
    Picture pic{W + 2 * e, H + 2 * e, {}};
    pic.bits.assign(static_cast<size_t>(pic.w) * pic.h, 0);
    BuildShadowBitsFromSpans(pic.bits.data(), W, H, spans, params);
    return pic;
}

Picture BuildRect(int W, int H, const ShadowParams& params)
{
    return Build(W, H, std::vector<ShadowSpan>(H, ShadowSpan{0, W}), params);
}

TEST(ShadowBits, InstallerShadowOfAPage)
{
    const Picture pic = BuildRect(416, 250, Params(SHADOW_SIZE, SHADOW_SHARPNESS, SHADOW_DARKNESS, SHADOW_COLOR));
    ASSERT_EQ(424, pic.w);
    ASSERT_EQ(258, pic.h);

    // Going outward from each straight edge: 80, 60, 40, 19.
    const int expected[4] = {80, 60, 40, 19};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(expected[i], pic.Alpha(3 - i, 129)) << "left edge, " << i + 1 << " px out";
        EXPECT_EQ(expected[i], pic.Alpha(420 + i, 129)) << "right edge, " << i + 1 << " px out";
        EXPECT_EQ(expected[i], pic.Alpha(200, 3 - i)) << "top edge, " << i + 1 << " px out";
        EXPECT_EQ(expected[i], pic.Alpha(200, 254 + i)) << "bottom edge, " << i + 1 << " px out";
    }
    EXPECT_EQ(71, pic.Alpha(3, 3)) << "diagonally outside the top-left corner";
    EXPECT_EQ(71, pic.Alpha(420, 254)) << "diagonally outside the bottom-right corner";
    EXPECT_EQ(0u, pic.At(0, 0)) << "outermost corner pixel";
    EXPECT_EQ(0u, pic.At(423, 257)) << "outermost corner pixel";
    EXPECT_EQ(0x500F0F0Fu, pic.At(3, 129)) << "premultiplied 0x323232 at alpha 80";

    int nLit = 0;
    for (int y = 4; y < 254; ++y)
        for (int x = 4; x < 420; ++x)
            nLit += pic.At(x, y) != 0;
    EXPECT_EQ(0, nLit) << "pixels under the dialog that are not fully transparent";
}

TEST(ShadowBits, SharpnessAboveSizeErodesTheShape)
{
    // Size 2, sharpness 4: two erosion passes pull the stamped border two
    // pixels inside the dialog, so the column next to it gets distance 3.
    const Picture pic = BuildRect(40, 30, Params(2, 4));
    ASSERT_EQ(44, pic.w);
    EXPECT_EQ(40, pic.Alpha(1, 17));
    EXPECT_EQ(19, pic.Alpha(0, 17));
    EXPECT_EQ(0, pic.Alpha(2, 17)) << "under the dialog";
}

TEST(ShadowBits, SharpnessBelowSizeGivesAFlatCore)
{
    // Size 4, sharpness 2: full darkness up to radius 2, then a fall-off over 3.
    const Picture pic = BuildRect(40, 30, Params(4, 2));
    const int expected[4] = {100, 100, 66, 33};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(expected[i], pic.Alpha(3 - i, 19)) << i + 1 << " px out";
}

TEST(ShadowBits, ShapeFollowsTheWindowRegionRowByRow)
{
    // A T shape: rows 0..14 are 40 wide, rows 15..29 only [10, 30).
    HWND hWnd = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 40, 30, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, hWnd);
    HRGN hRgn = ::CreateRectRgn(0, 0, 40, 15);
    HRGN hStem = ::CreateRectRgn(10, 15, 30, 30);
    ::CombineRgn(hRgn, hRgn, hStem, RGN_OR);
    ::DeleteObject(hStem);
    ::SetWindowRgn(hWnd, hRgn, FALSE);   // the window owns the region now

    const std::vector<ShadowSpan> spans = ScanWindowShape(hWnd, 40, 30);
    ASSERT_EQ(30u, spans.size());
    EXPECT_EQ(0, spans[5].nStart);
    EXPECT_EQ(40, spans[5].nEnd);
    EXPECT_EQ(10, spans[20].nStart);
    EXPECT_EQ(30, spans[20].nEnd);

    RECT rc = {0, 0, 40, 30};
    const ShadowParams params = Params(4, 4);
    Picture pic{48, 38, std::vector<uint32_t>(48 * 38, 0)};
    BuildShadowBits(pic.bits.data(), hWnd, rc, params);
    EXPECT_EQ(80, pic.Alpha(3, 10)) << "left of the wide rows";
    EXPECT_EQ(0, pic.Alpha(13, 10)) << "under the wide rows";
    EXPECT_EQ(80, pic.Alpha(13, 28)) << "left of the stem";
    EXPECT_EQ(0, pic.Alpha(4, 30)) << "beside the stem, far from it";
    EXPECT_EQ(0, pic.Alpha(20, 28)) << "under the stem";
    ::DestroyWindow(hWnd);
}

TEST(ShadowBits, NegativeSizeDrawsAsNoSpread)
{
    const Picture pic = BuildRect(20, 10, Params(-3, 0));
    ASSERT_EQ(20, pic.w);
    ASSERT_EQ(10, pic.h);
    for (uint32_t p : pic.bits)
        ASSERT_EQ(0u, p);
}

}  // namespace
