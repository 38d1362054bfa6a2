// afxstr.h: CString, the wide text string every window and registration step
// uses, with MFC's CStringW behaviour; and CStringA, its narrow counterpart.
//
//   CString str(L"Vellomar");            // also from LPCSTR, through CP_ACP
//   str.Format(L"%s %d%%", L"进度", 42);  // %s is wide, as on Windows
//   ::SetWindowTextW(hwnd, str);         // converts to LPCWSTR
//   LPWSTR p = str.GetBuffer(MAX_PATH);  // API writes here...
//   str.ReleaseBuffer();                 // ...and the length is taken again
//
// Narrow and wide text are converted with the ANSI code page (CP_ACP), so
// Chinese text survives the round trip on a code page 936 system.
// Indexes and lengths are in wchar_t units; out-of-range arguments are
// clamped instead of asserting, as MFC's release build does.
// Free of GUI headers, so the engine can use it.
#pragma once
#include <windows.h>
#include <tchar.h>

#include <cstdarg>
#include <string>
#include <type_traits>

class CString;
class CStringA;

// Format arguments: a CString or CStringA goes to printf as its text, as
// MFC code expects when it writes Format(L"%s", str).
template <class T>
inline const T& AfxFormatArg(const T& value) { return value; }
LPCWSTR AfxFormatArg(const CString& str);
LPCSTR AfxFormatArg(const CStringA& str);

class CString
{
public:
    CString() = default;
    CString(const CString& src) = default;
    CString(CString&& src) noexcept = default;
    CString(LPCWSTR psz);
    CString(LPCWSTR pch, int nLength);
    CString(LPCSTR psz);                  // CP_ACP
    CString(LPCSTR pch, int nLength);     // CP_ACP, nLength bytes
    CString(wchar_t ch, int nRepeat = 1);
    CString(const std::wstring& str);
    CString(const CStringA& str);         // CP_ACP

    CString& operator=(const CString& src) = default;
    CString& operator=(CString&& src) noexcept = default;
    CString& operator=(LPCWSTR psz);
    CString& operator=(LPCSTR psz);
    CString& operator=(wchar_t ch);

    // Length and content
    int GetLength() const { return static_cast<int>(m_str.size()); }
    bool IsEmpty() const { return m_str.empty(); }
    void Empty() { m_str.clear(); }
    operator LPCWSTR() const { return m_str.c_str(); }
    LPCWSTR GetString() const { return m_str.c_str(); }
    const std::wstring& str() const { return m_str; }
    wchar_t GetAt(int nIndex) const;
    void SetAt(int nIndex, wchar_t ch);
    wchar_t operator[](int nIndex) const { return GetAt(nIndex); }

    // Formatting, with the C runtime's Windows rules (%s wide, %hs narrow).
    // CString arguments may be passed as they are (see AfxFormatArg); other
    // class objects cannot go through printf and are refused at compile time.
    template <class... Args>
    void Format(LPCWSTR pszFormat, const Args&... args)
    {
        CheckFormatArgs<decltype(AfxFormatArg(args))...>();
        FormatPrintf(pszFormat, AfxFormatArg(args)...);
    }
    template <class... Args>
    void AppendFormat(LPCWSTR pszFormat, const Args&... args)
    {
        CheckFormatArgs<decltype(AfxFormatArg(args))...>();
        AppendFormatPrintf(pszFormat, AfxFormatArg(args)...);
    }
    void FormatV(LPCWSTR pszFormat, va_list args);
    void AppendFormatV(LPCWSTR pszFormat, va_list args);

    // Searching; -1 when not found
    int Find(wchar_t ch, int nStart = 0) const;
    int Find(LPCWSTR pszSub, int nStart = 0) const;
    int FindOneOf(LPCWSTR pszCharSet) const;
    int ReverseFind(wchar_t ch) const;

    // Extraction
    CString Left(int nCount) const;
    CString Right(int nCount) const;
    CString Mid(int nFirst) const;
    CString Mid(int nFirst, int nCount) const;

    // Comparison: <0, 0, >0 like wcscmp / _wcsicmp
    int Compare(LPCWSTR psz) const;
    int CompareNoCase(LPCWSTR psz) const;

    // Changing in place; each returns *this or a count as MFC does
    CString& MakeLower();
    CString& MakeUpper();
    CString& Trim();
    CString& Trim(wchar_t chTarget);
    CString& Trim(LPCWSTR pszTargets);
    CString& TrimLeft();
    CString& TrimLeft(wchar_t chTarget);
    CString& TrimLeft(LPCWSTR pszTargets);
    CString& TrimRight();
    CString& TrimRight(wchar_t chTarget);
    CString& TrimRight(LPCWSTR pszTargets);
    int Replace(wchar_t chOld, wchar_t chNew);
    int Replace(LPCWSTR pszOld, LPCWSTR pszNew);
    int Remove(wchar_t ch);
    int Insert(int nIndex, wchar_t ch);
    int Insert(int nIndex, LPCWSTR psz);
    int Delete(int nIndex, int nCount = 1);

    // Direct buffer access for APIs that write text. The buffer holds at
    // least nMinBufLength characters plus a terminator; ReleaseBuffer(-1)
    // takes the length up to the first null.
    LPWSTR GetBuffer();
    LPWSTR GetBuffer(int nMinBufLength);
    LPWSTR GetBufferSetLength(int nLength);
    void ReleaseBuffer(int nNewLength = -1);

    // Concatenation
    CString& operator+=(const CString& str);
    CString& operator+=(LPCWSTR psz);
    CString& operator+=(LPCSTR psz);
    CString& operator+=(wchar_t ch);
    friend CString operator+(const CString& a, const CString& b);
    friend CString operator+(const CString& a, LPCWSTR b);
    friend CString operator+(LPCWSTR a, const CString& b);
    friend CString operator+(const CString& a, wchar_t b);
    friend CString operator+(wchar_t a, const CString& b);

private:
    template <class... Args>
    static void CheckFormatArgs()
    {
        static_assert((std::is_trivially_copyable<std::decay_t<Args>>::value && ...),
                      "printf takes no class objects: pass .c_str() or a CString");
    }
    void FormatPrintf(LPCWSTR pszFormat, ...);
    void AppendFormatPrintf(LPCWSTR pszFormat, ...);

    std::wstring m_str;
};

// Comparison operators for every mix of CString and LPCWSTR.
bool operator==(const CString& a, const CString& b);
bool operator==(const CString& a, LPCWSTR b);
bool operator==(LPCWSTR a, const CString& b);
bool operator!=(const CString& a, const CString& b);
bool operator!=(const CString& a, LPCWSTR b);
bool operator!=(LPCWSTR a, const CString& b);
bool operator<(const CString& a, const CString& b);
bool operator>(const CString& a, const CString& b);
bool operator<=(const CString& a, const CString& b);
bool operator>=(const CString& a, const CString& b);

// A narrow string in the ANSI code page: for the few places that hand bytes
// to an API (request bodies, URLs as first built).
class CStringA
{
public:
    CStringA() = default;
    CStringA(LPCSTR psz) : m_str(psz ? psz : "") {}
    CStringA(LPCSTR pch, int nLength);
    CStringA(LPCWSTR psz);                // CP_ACP
    CStringA(const CString& str);         // CP_ACP
    CStringA(const std::string& str) : m_str(str) {}

    int GetLength() const { return static_cast<int>(m_str.size()); }
    bool IsEmpty() const { return m_str.empty(); }
    void Empty() { m_str.clear(); }
    operator LPCSTR() const { return m_str.c_str(); }
    LPCSTR GetString() const { return m_str.c_str(); }
    const std::string& str() const { return m_str; }
    CStringA& operator+=(LPCSTR psz) { m_str += psz ? psz : ""; return *this; }
    bool operator==(LPCSTR psz) const { return m_str == (psz ? psz : ""); }
    bool operator!=(LPCSTR psz) const { return !(*this == psz); }

private:
    std::string m_str;
};

// Conversions through the ANSI code page, for code that keeps standard strings.
std::wstring AfxAnsiToWide(const char* pch, int nLength = -1);
std::string AfxWideToAnsi(const wchar_t* pch, int nLength = -1);
