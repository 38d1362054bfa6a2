#include "afx/afxgdi.h"

#include "afx/afximpl.h"
#include "afx/afxmodule.h"
#include "afx/afxwnd.h"

#include <vector>

namespace {

CSRWLock s_cleanersLock;

std::vector<void (*)()>& Cleaners()
{
    static std::vector<void (*)()> s_cleaners;
    return s_cleaners;
}

// One map per kind, so each wrapper really is the type it is used as. The
// maps live as long as the process.
template <class T>
CTempHandleMap<HGDIOBJ, T>& TempGdiMap()
{
    static CTempHandleMap<HGDIOBJ, T>* s_pMap = [] {
        auto* pMap = new CTempHandleMap<HGDIOBJ, T>(
            [](HGDIOBJ h) {
                T* p = new T;
                p->m_hObject = h;
                return p;
            },
            [](HGDIOBJ h) { return ::GetObjectType(h) != 0; },
            [](T* p) { p->m_hObject = nullptr; });
        CSRWLockGuard hold(s_cleanersLock);
        Cleaners().push_back([] { TempGdiMap<T>().DeleteAll(); });
        return pMap;
    }();
    return *s_pMap;
}

template <class T>
T* TempGdiObject(HGDIOBJ h)
{
    return h ? TempGdiMap<T>().Get(h) : nullptr;
}

CTempHandleMap<HDC, CDC>& TempDCMap()
{
    static CTempHandleMap<HDC, CDC> s_map(
        [](HDC h) {
            CDC* p = new CDC;
            p->m_hDC = h;
            return p;
        },
        [](HDC h) { return ::GetObjectType(h) != 0; },
        [](CDC* p) { p->m_hDC = nullptr; });
    return s_map;
}

}  // namespace

void AfxDeleteTempGdiMaps()
{
    std::vector<void (*)()> cleaners;
    {
        CSRWLockGuard hold(s_cleanersLock);
        cleaners = Cleaners();
    }
    for (void (*pfnClean)() : cleaners)
        pfnClean();
    TempDCMap().DeleteAll();
}

// ---- CGdiObject and kinds ------------------------------------------------------

CGdiObject::~CGdiObject()
{
    DeleteObject();
}

CGdiObject* CGdiObject::FromHandle(HGDIOBJ hObject)
{
    return TempGdiObject<CGdiObject>(hObject);
}

CPen* CPen::FromHandle(HPEN hPen)
{
    return TempGdiObject<CPen>(hPen);
}

CBrush* CBrush::FromHandle(HBRUSH hBrush)
{
    return TempGdiObject<CBrush>(hBrush);
}

CFont* CFont::FromHandle(HFONT hFont)
{
    return TempGdiObject<CFont>(hFont);
}

CBitmap* CBitmap::FromHandle(HBITMAP hBitmap)
{
    return TempGdiObject<CBitmap>(hBitmap);
}

CRgn* CRgn::FromHandle(HRGN hRgn)
{
    return TempGdiObject<CRgn>(hRgn);
}

BOOL CGdiObject::Attach(HGDIOBJ hObject)
{
    if (!hObject)
        return FALSE;
    DeleteObject();   // an owned handle is never dropped without being deleted
    m_hObject = hObject;
    return TRUE;
}

HGDIOBJ CGdiObject::Detach()
{
    HGDIOBJ h = m_hObject;
    m_hObject = nullptr;
    return h;
}

BOOL CGdiObject::DeleteObject()
{
    if (!m_hObject)
        return FALSE;
    const BOOL bResult = ::DeleteObject(Detach());
    return bResult;
}

int CGdiObject::GetObject(int nCount, LPVOID lpObject) const
{
    return m_hObject ? ::GetObjectW(m_hObject, nCount, lpObject) : 0;
}

BOOL CGdiObject::CreateStockObject(int nIndex)
{
    // Deleting a stock object later is a harmless no-op, so it can be held
    // like an owned one.
    DeleteObject();
    m_hObject = ::GetStockObject(nIndex);
    return m_hObject != nullptr;
}

BOOL CPen::CreatePen(int nPenStyle, int nWidth, COLORREF crColor)
{
    return Attach(::CreatePen(nPenStyle, nWidth, crColor));
}

BOOL CBrush::CreateSolidBrush(COLORREF crColor)
{
    return Attach(::CreateSolidBrush(crColor));
}

BOOL CBrush::CreateSysColorBrush(int nIndex)
{
    return Attach(::GetSysColorBrush(nIndex));   // system brushes ignore DeleteObject
}

BOOL CFont::CreateFontIndirect(const LOGFONTW* lpLogFont)
{
    return lpLogFont ? Attach(::CreateFontIndirectW(lpLogFont)) : FALSE;
}

BOOL CFont::CreatePointFont(int nPointSize, LPCWSTR lpszFaceName, CDC* pDC)
{
    LOGFONTW lf = {};
    lf.lfCharSet = DEFAULT_CHARSET;
    if (lpszFaceName)
        lstrcpynW(lf.lfFaceName, lpszFaceName, LF_FACESIZE);
    HDC hDC = pDC ? pDC->m_hDC : ::GetDC(nullptr);
    // nPointSize is in tenths of a point.
    lf.lfHeight = -MulDiv(nPointSize, ::GetDeviceCaps(hDC, LOGPIXELSY), 720);
    if (!pDC)
        ::ReleaseDC(nullptr, hDC);
    return CreateFontIndirect(&lf);
}

int CFont::GetLogFont(LOGFONTW* pLogFont) const
{
    return GetObject(sizeof(LOGFONTW), pLogFont);
}

BOOL CBitmap::CreateCompatibleBitmap(CDC* pDC, int nWidth, int nHeight)
{
    return Attach(::CreateCompatibleBitmap(SafeHdc(pDC), nWidth, nHeight));
}

BOOL CBitmap::CreateBitmap(int nWidth, int nHeight, UINT nPlanes, UINT nBitcount, const void* lpBits)
{
    return Attach(::CreateBitmap(nWidth, nHeight, nPlanes, nBitcount, lpBits));
}

BOOL CBitmap::LoadBitmap(UINT nIDResource)
{
    return Attach(::LoadBitmapW(AfxGetResourceHandle(), MAKEINTRESOURCEW(nIDResource)));
}

BOOL CRgn::CreateRectRgn(int x1, int y1, int x2, int y2)
{
    return Attach(::CreateRectRgn(x1, y1, x2, y2));
}

BOOL CRgn::CreateRectRgnIndirect(LPCRECT lpRect)
{
    return Attach(::CreateRectRgnIndirect(lpRect));
}

BOOL CRgn::CreateRoundRectRgn(int x1, int y1, int x2, int y2, int x3, int y3)
{
    return Attach(::CreateRoundRectRgn(x1, y1, x2, y2, x3, y3));
}

int CRgn::CombineRgn(const CRgn* pRgn1, const CRgn* pRgn2, int nCombineMode)
{
    return ::CombineRgn(*this, static_cast<HRGN>(SafeHandle(pRgn1)),
                        static_cast<HRGN>(SafeHandle(pRgn2)), nCombineMode);
}

// ---- CDC ---------------------------------------------------------------------

CDC::~CDC()
{
    DeleteDC();
}

CDC* CDC::FromHandle(HDC hDC)
{
    return hDC ? TempDCMap().Get(hDC) : nullptr;
}

BOOL CDC::Attach(HDC hDC)
{
    if (!hDC)
        return FALSE;
    DeleteDC();
    m_hDC = hDC;
    return TRUE;
}

HDC CDC::Detach()
{
    HDC h = m_hDC;
    m_hDC = nullptr;
    return h;
}

BOOL CDC::CreateCompatibleDC(CDC* pDC)
{
    return Attach(::CreateCompatibleDC(SafeHdc(pDC)));
}

BOOL CDC::DeleteDC()
{
    if (!m_hDC)
        return FALSE;
    return ::DeleteDC(Detach());
}

HGDIOBJ CDC::SelectObject(HGDIOBJ hObject)
{
    return hObject ? ::SelectObject(m_hDC, hObject) : nullptr;
}

CGdiObject* CDC::SelectObject(CGdiObject* pObject)
{
    return CGdiObject::FromHandle(SelectObject(SafeHandle(pObject)));
}

CPen* CDC::SelectObject(CPen* pPen)
{
    return CPen::FromHandle(static_cast<HPEN>(SelectObject(SafeHandle(pPen))));
}

CBrush* CDC::SelectObject(CBrush* pBrush)
{
    return CBrush::FromHandle(static_cast<HBRUSH>(SelectObject(SafeHandle(pBrush))));
}

CFont* CDC::SelectObject(CFont* pFont)
{
    return CFont::FromHandle(static_cast<HFONT>(SelectObject(SafeHandle(pFont))));
}

CBitmap* CDC::SelectObject(CBitmap* pBitmap)
{
    return CBitmap::FromHandle(static_cast<HBITMAP>(SelectObject(SafeHandle(pBitmap))));
}

int CDC::SelectObject(CRgn* pRgn)
{
    return static_cast<int>(reinterpret_cast<INT_PTR>(::SelectObject(m_hDC, SafeHandle(pRgn))));
}

CGdiObject* CDC::SelectStockObject(int nIndex)
{
    return CGdiObject::FromHandle(SelectObject(::GetStockObject(nIndex)));
}

BOOL CDC::BitBlt(int x, int y, int nWidth, int nHeight, CDC* pSrcDC, int xSrc, int ySrc, DWORD dwRop)
{
    return ::BitBlt(m_hDC, x, y, nWidth, nHeight, SafeHdc(pSrcDC), xSrc, ySrc, dwRop);
}

BOOL CDC::StretchBlt(int x, int y, int nWidth, int nHeight, CDC* pSrcDC,
                     int xSrc, int ySrc, int nSrcWidth, int nSrcHeight, DWORD dwRop)
{
    return ::StretchBlt(m_hDC, x, y, nWidth, nHeight, SafeHdc(pSrcDC), xSrc, ySrc, nSrcWidth, nSrcHeight, dwRop);
}

void CDC::FillSolidRect(LPCRECT lpRect, COLORREF clr)
{
    // The ExtTextOut way: no brush to create and delete.
    const COLORREF clrOld = ::SetBkColor(m_hDC, clr);
    ::ExtTextOutW(m_hDC, 0, 0, ETO_OPAQUE, lpRect, nullptr, 0, nullptr);
    ::SetBkColor(m_hDC, clrOld);
}

void CDC::FillSolidRect(int x, int y, int cx, int cy, COLORREF clr)
{
    const RECT rc = {x, y, x + cx, y + cy};
    FillSolidRect(&rc, clr);
}

CPoint CDC::MoveTo(int x, int y)
{
    POINT pt = {};
    ::MoveToEx(m_hDC, x, y, &pt);
    return CPoint(pt);
}

CSize CDC::GetTextExtent(LPCWSTR lpszString, int nCount) const
{
    SIZE size = {};
    ::GetTextExtentPoint32W(m_hDC, lpszString, nCount, &size);
    return CSize(size);
}

// ---- Scoped system DCs -------------------------------------------------------

CPaintDC::CPaintDC(CWnd* pWnd) : m_hWnd(SafeHwnd(pWnd))
{
    m_hDC = ::BeginPaint(m_hWnd, &m_ps);
}

CPaintDC::~CPaintDC()
{
    ::EndPaint(m_hWnd, &m_ps);
    m_hDC = nullptr;   // EndPaint released it; ~CDC must not delete it
}

CClientDC::CClientDC(CWnd* pWnd) : m_hWnd(SafeHwnd(pWnd))
{
    m_hDC = ::GetDC(m_hWnd);
}

CClientDC::~CClientDC()
{
    if (m_hDC)
        ::ReleaseDC(m_hWnd, Detach());
}

CWindowDC::CWindowDC(CWnd* pWnd) : m_hWnd(SafeHwnd(pWnd))
{
    m_hDC = ::GetWindowDC(m_hWnd);
}

CWindowDC::~CWindowDC()
{
    if (m_hDC)
        ::ReleaseDC(m_hWnd, Detach());
}
