#include "afx/afxstr.h"

#include "afx/afxformat.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <cwctype>

namespace {

int Clamp(int n, int lo, int hi)
{
    return n < lo ? lo : (n > hi ? hi : n);
}

LPCWSTR Safe(LPCWSTR psz)
{
    return psz ? psz : L"";
}

const wchar_t s_whitespace[] = L" \t\r\n\v\f";

}  // namespace

std::wstring AfxAnsiToWide(const char* pch, int nLength)
{
    if (!pch || nLength == 0)
        return std::wstring();
    if (nLength < 0)
        nLength = static_cast<int>(strlen(pch));
    if (nLength == 0)
        return std::wstring();
    const int nWide = MultiByteToWideChar(CP_ACP, 0, pch, nLength, nullptr, 0);
    if (nWide <= 0)
        return std::wstring();
    std::wstring out(static_cast<size_t>(nWide), L'\0');
    MultiByteToWideChar(CP_ACP, 0, pch, nLength, &out[0], nWide);
    return out;
}

std::string AfxWideToAnsi(const wchar_t* pch, int nLength)
{
    if (!pch || nLength == 0)
        return std::string();
    if (nLength < 0)
        nLength = static_cast<int>(wcslen(pch));
    if (nLength == 0)
        return std::string();
    const int nBytes = WideCharToMultiByte(CP_ACP, 0, pch, nLength, nullptr, 0, nullptr, nullptr);
    if (nBytes <= 0)
        return std::string();
    std::string out(static_cast<size_t>(nBytes), '\0');
    WideCharToMultiByte(CP_ACP, 0, pch, nLength, &out[0], nBytes, nullptr, nullptr);
    return out;
}

// ---- CString: construction and assignment ----------------------------------

CString::CString(LPCWSTR psz) : m_str(Safe(psz)) {}

CString::CString(LPCWSTR pch, int nLength)
{
    if (pch && nLength > 0)
        m_str.assign(pch, static_cast<size_t>(nLength));
}

CString::CString(LPCSTR psz) : m_str(AfxAnsiToWide(psz)) {}

CString::CString(LPCSTR pch, int nLength) : m_str(AfxAnsiToWide(pch, std::max(nLength, 0))) {}

CString::CString(wchar_t ch, int nRepeat) : m_str(static_cast<size_t>(std::max(nRepeat, 0)), ch) {}

CString::CString(const std::wstring& str) : m_str(str) {}

CString::CString(const CStringA& str) : m_str(AfxAnsiToWide(str, str.GetLength())) {}

CString& CString::operator=(LPCWSTR psz)
{
    // psz may point into this string; assign copies before releasing.
    m_str = std::wstring(Safe(psz));
    return *this;
}

CString& CString::operator=(LPCSTR psz)
{
    m_str = AfxAnsiToWide(psz);
    return *this;
}

CString& CString::operator=(wchar_t ch)
{
    m_str.assign(1, ch);
    return *this;
}

wchar_t CString::GetAt(int nIndex) const
{
    if (nIndex < 0 || nIndex >= GetLength())
        return L'\0';
    return m_str[static_cast<size_t>(nIndex)];
}

void CString::SetAt(int nIndex, wchar_t ch)
{
    if (nIndex >= 0 && nIndex < GetLength())
        m_str[static_cast<size_t>(nIndex)] = ch;
}

// ---- Formatting --------------------------------------------------------------

LPCWSTR AfxFormatArg(const CString& str)
{
    return str.GetString();
}

LPCSTR AfxFormatArg(const CStringA& str)
{
    return str.GetString();
}

void CString::FormatPrintf(LPCWSTR pszFormat, ...)
{
    va_list args;
    va_start(args, pszFormat);
    FormatV(pszFormat, args);
    va_end(args);
}

void CString::AppendFormatPrintf(LPCWSTR pszFormat, ...)
{
    va_list args;
    va_start(args, pszFormat);
    AppendFormatV(pszFormat, args);
    va_end(args);
}

void CString::FormatV(LPCWSTR pszFormat, va_list args)
{
    m_str = AfxFormatV(Safe(pszFormat), args);
}

void CString::AppendFormatV(LPCWSTR pszFormat, va_list args)
{
    m_str += AfxFormatV(Safe(pszFormat), args);
}

// ---- Searching ---------------------------------------------------------------

int CString::Find(wchar_t ch, int nStart) const
{
    if (nStart < 0 || nStart >= GetLength())
        return -1;
    const size_t pos = m_str.find(ch, static_cast<size_t>(nStart));
    return pos == std::wstring::npos ? -1 : static_cast<int>(pos);
}

int CString::Find(LPCWSTR pszSub, int nStart) const
{
    if (!pszSub || nStart < 0 || nStart > GetLength())
        return -1;
    const size_t pos = m_str.find(pszSub, static_cast<size_t>(nStart));
    return pos == std::wstring::npos ? -1 : static_cast<int>(pos);
}

int CString::FindOneOf(LPCWSTR pszCharSet) const
{
    if (!pszCharSet || !*pszCharSet)
        return -1;
    const size_t pos = m_str.find_first_of(pszCharSet);
    return pos == std::wstring::npos ? -1 : static_cast<int>(pos);
}

int CString::ReverseFind(wchar_t ch) const
{
    const size_t pos = m_str.rfind(ch);
    return pos == std::wstring::npos ? -1 : static_cast<int>(pos);
}

// ---- Extraction --------------------------------------------------------------

CString CString::Left(int nCount) const
{
    nCount = Clamp(nCount, 0, GetLength());
    return CString(m_str.substr(0, static_cast<size_t>(nCount)));
}

CString CString::Right(int nCount) const
{
    nCount = Clamp(nCount, 0, GetLength());
    return CString(m_str.substr(static_cast<size_t>(GetLength() - nCount)));
}

CString CString::Mid(int nFirst) const
{
    return Mid(nFirst, GetLength());
}

CString CString::Mid(int nFirst, int nCount) const
{
    nFirst = Clamp(nFirst, 0, GetLength());
    nCount = Clamp(nCount, 0, GetLength() - nFirst);
    return CString(m_str.substr(static_cast<size_t>(nFirst), static_cast<size_t>(nCount)));
}

// ---- Comparison --------------------------------------------------------------

int CString::Compare(LPCWSTR psz) const
{
    return wcscmp(m_str.c_str(), Safe(psz));
}

int CString::CompareNoCase(LPCWSTR psz) const
{
    return _wcsicmp(m_str.c_str(), Safe(psz));
}

bool operator==(const CString& a, const CString& b) { return a.str() == b.str(); }
bool operator==(const CString& a, LPCWSTR b) { return a.Compare(b) == 0; }
bool operator==(LPCWSTR a, const CString& b) { return b.Compare(a) == 0; }
bool operator!=(const CString& a, const CString& b) { return !(a == b); }
bool operator!=(const CString& a, LPCWSTR b) { return !(a == b); }
bool operator!=(LPCWSTR a, const CString& b) { return !(a == b); }
bool operator<(const CString& a, const CString& b) { return a.Compare(b) < 0; }
bool operator>(const CString& a, const CString& b) { return a.Compare(b) > 0; }
bool operator<=(const CString& a, const CString& b) { return a.Compare(b) <= 0; }
bool operator>=(const CString& a, const CString& b) { return a.Compare(b) >= 0; }

// ---- Changing in place -------------------------------------------------------

CString& CString::MakeLower()
{
    if (!m_str.empty())
        CharLowerBuffW(&m_str[0], static_cast<DWORD>(m_str.size()));
    return *this;
}

CString& CString::MakeUpper()
{
    if (!m_str.empty())
        CharUpperBuffW(&m_str[0], static_cast<DWORD>(m_str.size()));
    return *this;
}

CString& CString::Trim() { return TrimRight().TrimLeft(); }
CString& CString::Trim(wchar_t chTarget) { return TrimRight(chTarget).TrimLeft(chTarget); }
CString& CString::Trim(LPCWSTR pszTargets) { return TrimRight(pszTargets).TrimLeft(pszTargets); }
CString& CString::TrimLeft() { return TrimLeft(s_whitespace); }
CString& CString::TrimRight() { return TrimRight(s_whitespace); }

CString& CString::TrimLeft(wchar_t chTarget)
{
    const wchar_t set[2] = {chTarget, L'\0'};
    return TrimLeft(set);
}

CString& CString::TrimRight(wchar_t chTarget)
{
    const wchar_t set[2] = {chTarget, L'\0'};
    return TrimRight(set);
}

CString& CString::TrimLeft(LPCWSTR pszTargets)
{
    const size_t pos = m_str.find_first_not_of(Safe(pszTargets));
    m_str.erase(0, pos);   // npos erases everything
    return *this;
}

CString& CString::TrimRight(LPCWSTR pszTargets)
{
    const size_t pos = m_str.find_last_not_of(Safe(pszTargets));
    m_str.erase(pos == std::wstring::npos ? 0 : pos + 1);
    return *this;
}

int CString::Replace(wchar_t chOld, wchar_t chNew)
{
    int nCount = 0;
    for (wchar_t& ch : m_str) {
        if (ch == chOld) {
            ch = chNew;
            ++nCount;
        }
    }
    return nCount;
}

int CString::Replace(LPCWSTR pszOld, LPCWSTR pszNew)
{
    if (!pszOld || !*pszOld)
        return 0;
    const std::wstring oldText(pszOld), newText(Safe(pszNew));
    int nCount = 0;
    std::wstring out;
    size_t from = 0;
    for (size_t pos; (pos = m_str.find(oldText, from)) != std::wstring::npos; from = pos + oldText.size()) {
        out.append(m_str, from, pos - from).append(newText);
        ++nCount;
    }
    if (nCount) {
        out.append(m_str, from, std::wstring::npos);
        m_str.swap(out);
    }
    return nCount;
}

int CString::Remove(wchar_t ch)
{
    const size_t before = m_str.size();
    m_str.erase(std::remove(m_str.begin(), m_str.end(), ch), m_str.end());
    return static_cast<int>(before - m_str.size());
}

int CString::Insert(int nIndex, wchar_t ch)
{
    nIndex = Clamp(nIndex, 0, GetLength());
    m_str.insert(static_cast<size_t>(nIndex), 1, ch);
    return GetLength();
}

int CString::Insert(int nIndex, LPCWSTR psz)
{
    nIndex = Clamp(nIndex, 0, GetLength());
    m_str.insert(static_cast<size_t>(nIndex), std::wstring(Safe(psz)));
    return GetLength();
}

int CString::Delete(int nIndex, int nCount)
{
    nIndex = Clamp(nIndex, 0, GetLength());
    nCount = Clamp(nCount, 0, GetLength() - nIndex);
    m_str.erase(static_cast<size_t>(nIndex), static_cast<size_t>(nCount));
    return GetLength();
}

// ---- Buffer access -----------------------------------------------------------

LPWSTR CString::GetBuffer()
{
    return &m_str[0];   // the terminator of a C++11 string is writable as L'\0'
}

LPWSTR CString::GetBuffer(int nMinBufLength)
{
    if (nMinBufLength > GetLength())
        m_str.resize(static_cast<size_t>(nMinBufLength), L'\0');
    return &m_str[0];
}

LPWSTR CString::GetBufferSetLength(int nLength)
{
    m_str.resize(static_cast<size_t>(std::max(nLength, 0)), L'\0');
    return &m_str[0];
}

void CString::ReleaseBuffer(int nNewLength)
{
    if (nNewLength < 0)
        nNewLength = static_cast<int>(wcsnlen(m_str.c_str(), m_str.size()));
    m_str.resize(static_cast<size_t>(Clamp(nNewLength, 0, GetLength())));
}

// ---- Concatenation -----------------------------------------------------------

CString& CString::operator+=(const CString& str)
{
    m_str += str.m_str;
    return *this;
}

CString& CString::operator+=(LPCWSTR psz)
{
    m_str += std::wstring(Safe(psz));   // psz may point into this string
    return *this;
}

CString& CString::operator+=(LPCSTR psz)
{
    m_str += AfxAnsiToWide(psz);
    return *this;
}

CString& CString::operator+=(wchar_t ch)
{
    m_str += ch;
    return *this;
}

CString operator+(const CString& a, const CString& b) { return CString(a.m_str + b.m_str); }
CString operator+(const CString& a, LPCWSTR b) { return CString(a.m_str + Safe(b)); }
CString operator+(LPCWSTR a, const CString& b) { return CString(Safe(a) + b.m_str); }
CString operator+(const CString& a, wchar_t b) { return CString(a.m_str + b); }
CString operator+(wchar_t a, const CString& b) { return CString(a + b.m_str); }

// ---- CStringA ----------------------------------------------------------------

CStringA::CStringA(LPCSTR pch, int nLength)
{
    if (pch && nLength > 0)
        m_str.assign(pch, static_cast<size_t>(nLength));
}

CStringA::CStringA(LPCWSTR psz) : m_str(AfxWideToAnsi(psz)) {}

CStringA::CStringA(const CString& str) : m_str(AfxWideToAnsi(str, str.GetLength())) {}
