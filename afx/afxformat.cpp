#include "afx/afxformat.h"

#include <cstdio>
#include <cwchar>

// The C runtime's own _vscwprintf and _vsnwprintf: Windows semantics whatever
// __USE_MINGW_ANSI_STDIO says, since MinGW redirects only the standard names.
std::wstring AfxFormatV(const wchar_t* pszFormat, va_list args)
{
    if (!pszFormat)
        return std::wstring();
    va_list count;
    va_copy(count, args);
    const int nLength = _vscwprintf(pszFormat, count);
    va_end(count);
    if (nLength <= 0)
        return std::wstring();
    std::wstring out(static_cast<size_t>(nLength) + 1, L'\0');
    _vsnwprintf(&out[0], out.size(), pszFormat, args);
    out.resize(static_cast<size_t>(nLength));
    return out;
}

std::wstring AfxFormat(const wchar_t* pszFormat, ...)
{
    va_list args;
    va_start(args, pszFormat);
    std::wstring out = AfxFormatV(pszFormat, args);
    va_end(args);
    return out;
}
