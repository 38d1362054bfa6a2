#include "app/setup_args.h"

#include <cwctype>
#include <string>

namespace {

constexpr wchar_t SILENT_SWITCH[] = L"/S";
constexpr wchar_t LOG_PREFIX[] = L"/LOG=";
constexpr wchar_t DIR_PREFIX[] = L"/D=";

bool IsBlank(wchar_t ch)
{
    return ch == L' ' || ch == L'\t';
}

bool StartsWithNoCase(const std::wstring& str, size_t nPos, const wchar_t* pszPrefix)
{
    for (size_t i = 0; pszPrefix[i]; ++i) {
        if (nPos + i >= str.size() || std::towupper(str[nPos + i]) != std::towupper(pszPrefix[i]))
            return false;
    }
    return true;
}

CString Problem(const std::wstring& strArg, const wchar_t* pszWhy)
{
    CString str;
    str.Format(L"%s: %s", strArg.c_str(), pszWhy);
    return str;
}

} // namespace

SetupArgs ParseSetupArgs(const CString& strCommandLine)
{
    SetupArgs args;
    const std::wstring& str = strCommandLine.str();
    size_t nPos = 0;
    bool bHaveDir = false;
    while (args.strError.IsEmpty()) {
        while (nPos < str.size() && IsBlank(str[nPos]))
            ++nPos;
        if (nPos >= str.size())
            break;
        if (StartsWithNoCase(str, nPos, DIR_PREFIX)) {
            // The rest of the line, blanks at its end aside.
            size_t nEnd = str.size();
            while (nEnd > nPos && IsBlank(str[nEnd - 1]))
                --nEnd;
            const std::wstring strDir = str.substr(nPos + wcslen(DIR_PREFIX), nEnd - nPos - wcslen(DIR_PREFIX));
            if (bHaveDir)
                args.strError = Problem(DIR_PREFIX, L"the folder is given twice");
            else if (strDir.empty())
                args.strError = Problem(DIR_PREFIX, L"no folder given");
            args.strInstallDir = strDir.c_str();
            bHaveDir = true;
            break;
        }
        // One argument up to a blank outside quotes; the quotes themselves go.
        std::wstring strArg;
        bool bQuoted = false;
        for (; nPos < str.size() && (bQuoted || !IsBlank(str[nPos])); ++nPos) {
            if (str[nPos] == L'"')
                bQuoted = !bQuoted;
            else
                strArg += str[nPos];
        }
        if (bQuoted) {
            args.strError = Problem(strArg, L"a quote is not closed");
        } else if (StartsWithNoCase(strArg, 0, DIR_PREFIX)) {
            // Only a quoted folder gets here: taken as a whole, like the bare form.
            if (bHaveDir)
                args.strError = Problem(strArg, L"the folder is given twice");
            else if (strArg.size() == wcslen(DIR_PREFIX))
                args.strError = Problem(strArg, L"no folder given");
            args.strInstallDir = strArg.substr(wcslen(DIR_PREFIX)).c_str();
            bHaveDir = true;
        } else if (StartsWithNoCase(strArg, 0, SILENT_SWITCH) && strArg.size() == wcslen(SILENT_SWITCH)) {
            args.bSilent = true;
        } else if (StartsWithNoCase(strArg, 0, LOG_PREFIX)) {
            if (!args.strLogFile.IsEmpty())
                args.strError = Problem(strArg, L"the log is given twice");
            else if (strArg.size() == wcslen(LOG_PREFIX))
                args.strError = Problem(strArg, L"no file given");
            else
                args.strLogFile = strArg.substr(wcslen(LOG_PREFIX)).c_str();
        } else {
            args.strError = Problem(strArg, L"unknown argument");
        }
    }
    if (args.strError.IsEmpty() && bHaveDir && !args.bSilent)
        args.strError = Problem(DIR_PREFIX, L"only with /S");
    return args;
}
