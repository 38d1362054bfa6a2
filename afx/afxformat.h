// afxformat.h: printf-style formatting of wide text, the one way this
// program formats with %s.
//
// Windows programs read %s in a wide format as a wide string (%hs narrow).
// MinGW's C99 printf family, which swprintf, vswprintf and friends are in
// C++, reads it as a NARROW string instead: the text comes out cut short or
// garbled. These functions always print with the Windows meaning; CString's
// Format goes through them, and so do programs that do not use CString:
//   std::wstring str = AfxFormat(L"版本号：%s", strCode.c_str());
// A test (tests/lint) fails when a C runtime wide printf call with %s
// appears anywhere else.
#pragma once
#include <cstdarg>
#include <string>

std::wstring AfxFormatV(const wchar_t* pszFormat, va_list args);
std::wstring AfxFormat(const wchar_t* pszFormat, ...);
