#include "skin/shadow_bits.h"

#include <algorithm>
#include <cmath>

namespace {

// Rounds to a double in memory: on x87 the intermediate would otherwise keep
// extended precision, and (1 - 3/5) x 100 would truncate to 39 instead of 40.
double AsDouble(double v)
{
    volatile double d = v;
    return d;
}

}  // namespace

uint32_t PremultipliedShadowColor(COLORREF clr, int a)
{
    const uint32_t r = GetRValue(clr) * a / 255;
    const uint32_t g = GetGValue(clr) * a / 255;
    const uint32_t b = GetBValue(clr) * a / 255;
    return static_cast<uint32_t>(a) << 24 | r << 16 | g << 8 | b;
}

void BuildShadowBitsFromSpans(uint32_t* pBits, int W, int H, const std::vector<ShadowSpan>& dialog,
                              const ShadowParams& params)
{
    const int s = ShadowExtent(params.chSize);
    const int S = params.bySharpness;
    const int D = params.byDarkness;
    const int ox = params.chOffsetX;
    const int oy = params.chOffsetY;
    const int Ws = W + 2 * s;
    const int Hs = H + 2 * s;
    if (W <= 0 || H <= 0 || static_cast<int>(dialog.size()) < H)
        return;

    // Shadow spans for rows -1 .. N, stored at index r + 1; guards stay empty.
    const int N = std::max(H, Hs);
    std::vector<int> L(N + 2, W), R(N + 2, 0);
    for (int r = s; r < s + H; ++r) {
        L[r + 1] = dialog[r - s].nStart + s;
        R[r + 1] = dialog[r - s].nEnd + s;
    }
    if (S > s) {
        std::vector<int> L2(L), R2(R);
        for (int pass = 0; pass < S - s; ++pass) {
            for (int r = 0; r < N; ++r) {
                L2[r + 1] = std::max({L[r], L[r + 1], L[r + 2]}) + 1;
                R2[r + 1] = std::min({R[r], R[r + 1], R[r + 2]}) - 1;
            }
            L.swap(L2);
            R.swap(R2);
        }
    }
    auto spanL = [&](int r) { return L[r + 1]; };
    auto spanR = [&](int r) { return R[r + 1]; };

    // The fall-off kernel, (2K + 1)^2 values.
    const int K = std::max(s, S);
    const int c0 = std::max(s - S, 0);
    const int nSide = 2 * K + 1;
    std::vector<uint32_t> kernel(static_cast<size_t>(nSide) * nSide);
    for (int dy = -K; dy <= K; ++dy) {
        for (int dx = -K; dx <= K; ++dx) {
            const double d = std::sqrt(static_cast<double>(dx * dx + dy * dy));
            uint32_t value = 0;
            if (d < c0)
                value = PremultipliedShadowColor(params.clrShadow, D);
            else if (d <= K)
                value = PremultipliedShadowColor(
                    params.clrShadow, static_cast<int>(AsDouble(AsDouble(1.0 - AsDouble((d - c0) / (S + 1))) * D)));
            kernel[static_cast<size_t>(dy + K) * nSide + (dx + K)] = value;
        }
    }

    // Row r from the top lives in memory row Hs - 1 - r.
    auto pixel = [&](int c, int r) -> uint32_t& { return pBits[static_cast<size_t>(Hs - 1 - r) * Ws + c]; };
    auto stamp = [&](int cx, int cy) {
        for (int dy = -K; dy <= K; ++dy) {
            const int y = cy + dy;
            if (y < 0 || y >= Hs)
                continue;
            for (int dx = -K; dx <= K; ++dx) {
                const int x = cx + dx;
                if (x < 0 || x >= Ws)
                    continue;
                uint32_t& p = pixel(x, y);
                p = std::max(p, kernel[static_cast<size_t>(dy + K) * nSide + (dx + K)]);
            }
        }
    };
    for (int r = K; r <= Hs - K - 1; ++r) {
        if (spanL(r) >= spanR(r))
            continue;
        int c = spanL(r);
        for (; c < std::min(std::max(spanL(r - 1), spanL(r + 1)) + 1, spanR(r)); ++c)
            stamp(c, r);
        for (c = std::max(c, std::min(spanR(r - 1), spanR(r + 1)) - 1); c < spanR(r); ++c)
            stamp(c, r);
    }

    // Full colour inside, nothing under the dialog.
    const uint32_t Pc = PremultipliedShadowColor(params.clrShadow, D);
    auto fill = [&](int r, int from, int to, uint32_t value) {
        for (int c = std::max(from, 0); c < std::min(to, Ws); ++c)
            pixel(c, r) = value;
    };
    const int rFirst = std::min(K, std::max(s - oy, 0));
    const int rEnd = std::min(Hs, std::max(Hs - K, std::min(H + s - oy, H + 2 * s)));
    for (int r = std::max(rFirst, 0); r < rEnd; ++r) {
        const int y = r - s + oy;
        if (y < 0 || y >= H) {
            fill(r, spanL(r), spanR(r), Pc);
            continue;
        }
        const int st = dialog[y].nStart;
        const int en = dialog[y].nEnd;
        fill(r, spanL(r), std::min(st + s - ox, spanR(r)), Pc);
        fill(r, std::max(st + s - ox, 0), std::min(en + s - ox, Ws), 0);
        fill(r, std::max(en + s - ox, spanL(r)), spanR(r), Pc);
    }
}

std::vector<ShadowSpan> ScanWindowShape(HWND hWnd, int W, int H)
{
    std::vector<ShadowSpan> spans(H > 0 ? H : 0, ShadowSpan{W, 0});
    HRGN hRgn = ::CreateRectRgn(0, 0, W, H);
    if (!hRgn)
        return spans;
    ::GetWindowRgn(hWnd, hRgn);   // without a window region the rectangle stays
    for (int y = 0; y < H; ++y) {
        int x = 0;
        while (x < W && !::PtInRegion(hRgn, x, y))
            ++x;
        if (x == W)
            continue;
        int xLast = W - 1;
        while (xLast > x && !::PtInRegion(hRgn, xLast, y))
            --xLast;
        spans[y] = ShadowSpan{x, xLast + 1};
    }
    ::DeleteObject(hRgn);
    return spans;
}

void BuildShadowBits(uint32_t* pBits, HWND hParent, const RECT& rcParent, const ShadowParams& params)
{
    const int W = rcParent.right - rcParent.left;
    const int H = rcParent.bottom - rcParent.top;
    BuildShadowBitsFromSpans(pBits, W, H, ScanWindowShape(hParent, W, H), params);
}
