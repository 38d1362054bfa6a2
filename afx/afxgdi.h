// afxgdi.h: GDI objects and device contexts.
//
// CGdiObject and its kinds (CPen, CBrush, CFont, CBitmap, CRgn) OWN their
// handle: the destructor deletes it. Use Attach/Detach to hand a handle over,
// and FromHandle for a handle somebody else owns (a temporary wrapper that
// never deletes it).
//
// CDC owns its HDC (DeleteDC in the destructor), so a memory DC is simply:
//   CDC dcMem;
//   dcMem.CreateCompatibleDC(&dc);
//   CBitmap bmp;
//   bmp.CreateCompatibleBitmap(&dc, w, h);
//   CSelectObject select(dcMem, bmp);  // puts the old bitmap back at scope end
//   ...
// CPaintDC (BeginPaint/EndPaint), CClientDC and CWindowDC (GetDC/ReleaseDC)
// borrow their DC from the system for one scope. CDC::FromHandle wraps a DC
// the caller does not own, such as the one in a DRAWITEMSTRUCT.
#pragma once
#include "afx/afxstr.h"
#include "afx/afxtypes.h"

class CWnd;

class CGdiObject
{
public:
    CGdiObject() = default;
    virtual ~CGdiObject();
    CGdiObject(const CGdiObject&) = delete;
    CGdiObject& operator=(const CGdiObject&) = delete;

    HGDIOBJ m_hObject = nullptr;

    // The handle of this object; through a pointer that may be null use
    // SafeHandle(p) (see SafeHwnd).
    HGDIOBJ GetSafeHandle() const { return m_hObject; }
    operator HGDIOBJ() const { return m_hObject; }
    BOOL Attach(HGDIOBJ hObject);
    HGDIOBJ Detach();
    BOOL DeleteObject();   // deletes the handle once and nulls it
    int GetObject(int nCount, LPVOID lpObject) const;
    BOOL CreateStockObject(int nIndex);

    // A wrapper that does not own hObject; valid while the handle lives.
    static CGdiObject* FromHandle(HGDIOBJ hObject);
};

// The handle of pObject, or null for a null pointer.
inline HGDIOBJ SafeHandle(const CGdiObject* pObject)
{
    return pObject ? pObject->m_hObject : nullptr;
}

class CPen : public CGdiObject
{
public:
    CPen() = default;
    CPen(int nPenStyle, int nWidth, COLORREF crColor) { CreatePen(nPenStyle, nWidth, crColor); }
    BOOL CreatePen(int nPenStyle, int nWidth, COLORREF crColor);
    operator HPEN() const { return static_cast<HPEN>(m_hObject); }
    static CPen* FromHandle(HPEN hPen);
};

class CBrush : public CGdiObject
{
public:
    CBrush() = default;
    explicit CBrush(COLORREF crColor) { CreateSolidBrush(crColor); }
    BOOL CreateSolidBrush(COLORREF crColor);
    BOOL CreateSysColorBrush(int nIndex);
    operator HBRUSH() const { return static_cast<HBRUSH>(m_hObject); }
    static CBrush* FromHandle(HBRUSH hBrush);
};

class CFont : public CGdiObject
{
public:
    BOOL CreateFontIndirect(const LOGFONTW* lpLogFont);
    BOOL CreatePointFont(int nPointSize, LPCWSTR lpszFaceName, class CDC* pDC = nullptr);
    int GetLogFont(LOGFONTW* pLogFont) const;
    operator HFONT() const { return static_cast<HFONT>(m_hObject); }
    static CFont* FromHandle(HFONT hFont);
};

class CBitmap : public CGdiObject
{
public:
    BOOL CreateCompatibleBitmap(class CDC* pDC, int nWidth, int nHeight);
    BOOL CreateBitmap(int nWidth, int nHeight, UINT nPlanes, UINT nBitcount, const void* lpBits);
    BOOL LoadBitmap(UINT nIDResource);
    int GetBitmap(BITMAP* pBitMap) const { return GetObject(sizeof(BITMAP), pBitMap); }
    operator HBITMAP() const { return static_cast<HBITMAP>(m_hObject); }
    static CBitmap* FromHandle(HBITMAP hBitmap);
};

class CRgn : public CGdiObject
{
public:
    BOOL CreateRectRgn(int x1, int y1, int x2, int y2);
    BOOL CreateRectRgnIndirect(LPCRECT lpRect);
    BOOL CreateRoundRectRgn(int x1, int y1, int x2, int y2, int x3, int y3);
    int CombineRgn(const CRgn* pRgn1, const CRgn* pRgn2, int nCombineMode);
    BOOL PtInRegion(int x, int y) const { return ::PtInRegion(*this, x, y); }
    BOOL PtInRegion(POINT point) const { return PtInRegion(point.x, point.y); }
    int GetRgnBox(LPRECT lpRect) const { return ::GetRgnBox(*this, lpRect); }
    operator HRGN() const { return static_cast<HRGN>(m_hObject); }
    static CRgn* FromHandle(HRGN hRgn);
};

class CDC
{
public:
    CDC() = default;
    virtual ~CDC();
    CDC(const CDC&) = delete;
    CDC& operator=(const CDC&) = delete;

    HDC m_hDC = nullptr;   // owned unless the object came from FromHandle

    // The handle of this object; through a pointer that may be null use
    // SafeHdc(p) (see SafeHwnd).
    HDC GetSafeHdc() const { return m_hDC; }
    operator HDC() const { return m_hDC; }
    BOOL Attach(HDC hDC);
    HDC Detach();
    BOOL CreateCompatibleDC(CDC* pDC);
    BOOL DeleteDC();       // deletes the handle once and nulls it
    // A wrapper that does not own hDC; valid while the DC lives.
    static CDC* FromHandle(HDC hDC);

    // Selecting returns the object that was selected before, for restoring.
    CPen* SelectObject(CPen* pPen);
    CBrush* SelectObject(CBrush* pBrush);
    CFont* SelectObject(CFont* pFont);
    CBitmap* SelectObject(CBitmap* pBitmap);
    CGdiObject* SelectObject(CGdiObject* pObject);
    int SelectObject(CRgn* pRgn);   // a region returns its kind, as SelectObject does
    HGDIOBJ SelectObject(HGDIOBJ hObject);
    CGdiObject* SelectStockObject(int nIndex);
    int SaveDC() { return ::SaveDC(m_hDC); }
    BOOL RestoreDC(int nSavedDC) { return ::RestoreDC(m_hDC, nSavedDC); }

    int SetBkMode(int nBkMode) { return ::SetBkMode(m_hDC, nBkMode); }
    int GetBkMode() const { return ::GetBkMode(m_hDC); }
    COLORREF SetBkColor(COLORREF crColor) { return ::SetBkColor(m_hDC, crColor); }
    COLORREF GetBkColor() const { return ::GetBkColor(m_hDC); }
    COLORREF SetTextColor(COLORREF crColor) { return ::SetTextColor(m_hDC, crColor); }
    COLORREF GetTextColor() const { return ::GetTextColor(m_hDC); }
    int SetStretchBltMode(int nMode) { return ::SetStretchBltMode(m_hDC, nMode); }
    int GetDeviceCaps(int nIndex) const { return ::GetDeviceCaps(m_hDC, nIndex); }
    CFont* GetCurrentFont() const { return CFont::FromHandle(static_cast<HFONT>(::GetCurrentObject(m_hDC, OBJ_FONT))); }
    CBitmap* GetCurrentBitmap() const { return CBitmap::FromHandle(static_cast<HBITMAP>(::GetCurrentObject(m_hDC, OBJ_BITMAP))); }

    BOOL BitBlt(int x, int y, int nWidth, int nHeight, CDC* pSrcDC, int xSrc, int ySrc, DWORD dwRop);
    BOOL StretchBlt(int x, int y, int nWidth, int nHeight, CDC* pSrcDC,
                    int xSrc, int ySrc, int nSrcWidth, int nSrcHeight, DWORD dwRop);
    void FillRect(LPCRECT lpRect, CBrush* pBrush) { ::FillRect(m_hDC, lpRect, static_cast<HBRUSH>(SafeHandle(pBrush))); }
    void FillSolidRect(LPCRECT lpRect, COLORREF clr);
    void FillSolidRect(int x, int y, int cx, int cy, COLORREF clr);
    void FrameRect(LPCRECT lpRect, CBrush* pBrush) { ::FrameRect(m_hDC, lpRect, static_cast<HBRUSH>(SafeHandle(pBrush))); }
    BOOL Rectangle(int x1, int y1, int x2, int y2) { return ::Rectangle(m_hDC, x1, y1, x2, y2); }
    BOOL Rectangle(LPCRECT lpRect) { return Rectangle(lpRect->left, lpRect->top, lpRect->right, lpRect->bottom); }
    CPoint MoveTo(int x, int y);
    BOOL LineTo(int x, int y) { return ::LineTo(m_hDC, x, y); }
    int FillRgn(CRgn* pRgn, CBrush* pBrush) { return ::FillRgn(m_hDC, static_cast<HRGN>(SafeHandle(pRgn)), static_cast<HBRUSH>(SafeHandle(pBrush))); }
    int SelectClipRgn(CRgn* pRgn) { return ::SelectClipRgn(m_hDC, pRgn ? static_cast<HRGN>(*pRgn) : nullptr); }
    int IntersectClipRect(int x1, int y1, int x2, int y2) { return ::IntersectClipRect(m_hDC, x1, y1, x2, y2); }

    int DrawText(LPCWSTR lpszString, int nCount, LPRECT lpRect, UINT nFormat)
    {
        return ::DrawTextW(m_hDC, lpszString, nCount, lpRect, nFormat);
    }
    int DrawText(const CString& str, LPRECT lpRect, UINT nFormat)
    {
        return DrawText(str, str.GetLength(), lpRect, nFormat);
    }
    BOOL TextOut(int x, int y, LPCWSTR lpszString, int nCount) { return ::TextOutW(m_hDC, x, y, lpszString, nCount); }
    BOOL TextOut(int x, int y, const CString& str) { return TextOut(x, y, str, str.GetLength()); }
    CSize GetTextExtent(LPCWSTR lpszString, int nCount) const;
    CSize GetTextExtent(const CString& str) const { return GetTextExtent(str, str.GetLength()); }
    BOOL GetTextMetrics(LPTEXTMETRICW lpMetrics) const { return ::GetTextMetricsW(m_hDC, lpMetrics); }
};

// The handle of pDC, or null for a null pointer.
inline HDC SafeHdc(const CDC* pDC)
{
    return pDC ? pDC->m_hDC : nullptr;
}

// Selects a GDI object into a DC for one scope and puts the previous one back
// on leaving it, so that the object is never deleted while selected:
//   CSelectObject select(dcMem, bmp);   // declared after bmp and dcMem
// A null DC or object selects nothing.
class CSelectObject
{
public:
    CSelectObject(HDC hDC, HGDIOBJ hObject)
        : m_hDC(hDC), m_hOld(hDC && hObject ? ::SelectObject(hDC, hObject) : nullptr) {}
    CSelectObject(CDC& dc, CGdiObject& object) : CSelectObject(dc.GetSafeHdc(), object.GetSafeHandle()) {}
    ~CSelectObject()
    {
        if (m_hOld)
            ::SelectObject(m_hDC, m_hOld);
    }
    CSelectObject(const CSelectObject&) = delete;
    CSelectObject& operator=(const CSelectObject&) = delete;

private:
    HDC m_hDC;
    HGDIOBJ m_hOld;
};

// The DC of one WM_PAINT: BeginPaint in the constructor, EndPaint in the
// destructor. Only inside a WM_PAINT handler.
class CPaintDC : public CDC
{
public:
    explicit CPaintDC(CWnd* pWnd);
    ~CPaintDC() override;
    PAINTSTRUCT m_ps = {};
protected:
    HWND m_hWnd = nullptr;   // not owned
};

// The client-area DC of a window for one scope (GetDC/ReleaseDC).
class CClientDC : public CDC
{
public:
    explicit CClientDC(CWnd* pWnd);
    ~CClientDC() override;
protected:
    HWND m_hWnd = nullptr;   // not owned
};

// The whole-window DC of a window for one scope (GetWindowDC/ReleaseDC).
class CWindowDC : public CDC
{
public:
    explicit CWindowDC(CWnd* pWnd);
    ~CWindowDC() override;
protected:
    HWND m_hWnd = nullptr;   // not owned
};
