// gdi_census.h: counts the GDI and GDI+ objects this test program creates and
// frees, by redirecting its own import table. Wine does not implement
// GetGuiResources, so the count the system keeps cannot show a leak here; the
// calls themselves can. The product code is linked statically into the test
// program, so every call it makes goes through the entries patched here.
//
//   GdiCensus census;                  // installs the counters
//   const GdiCensus::Counts before = census.Now();
//   ... paint 100 times ...
//   EXPECT_EQ(before.Live(), census.Now().Live());
#pragma once
#include <windows.h>

#include <functional>

class GdiCensus
{
public:
    struct Counts
    {
        long nGdiCreated = 0;     // CreateXxx of gdi32: pens, brushes, fonts, bitmaps, DCs, regions
        long nGdiDeleted = 0;     // DeleteObject, DeleteDC
        long nGdipCreated = 0;    // GdipCreateXxx, GdipCloneXxx, GdipLoadXxx, ... of gdiplus
        long nGdipDeleted = 0;    // GdipDeleteXxx, GdipDisposeXxx
        long nDcGot = 0;          // GetDC, GetWindowDC, GetDCEx of user32
        long nDcReleased = 0;     // ReleaseDC

        // Objects created and not yet freed, by kind.
        long LiveGdi() const { return nGdiCreated - nGdiDeleted; }
        long LiveGdip() const { return nGdipCreated - nGdipDeleted; }
        long LiveDc() const { return nDcGot - nDcReleased; }
    };

    GdiCensus();     // patches the program's import table (once per process)
    ~GdiCensus();    // restores it

    GdiCensus(const GdiCensus&) = delete;
    GdiCensus& operator=(const GdiCensus&) = delete;

    Counts Now() const;
    // How many import entries were redirected: zero means the census sees nothing.
    int Patched() const { return m_nPatched; }

private:
    int m_nPatched = 0;
};

struct Growth
{
    long nGdi, nGdip, nDc;   // objects left alive, by kind
};

// What 100 rounds of some work leave alive, after 5 rounds to warm caches.
Growth GrowthOver100(const GdiCensus& census, const std::function<void()>& work);
