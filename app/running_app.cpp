#include "app/running_app.h"

#include <tlhelp32.h>
#include <cwchar>

#include "engine/product.h"

bool IsAppImageName(LPCWSTR pszExeFile)
{
    return _wcsicmp(pszExeFile, APP_EXE_NAME) == 0;
}

BOOL IsAppRunning()
{
    HANDLE hSnapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (hSnapshot == INVALID_HANDLE_VALUE)
        return FALSE;
    PROCESSENTRY32W pe = {};
    pe.dwSize = sizeof(pe);
    BOOL bFound = FALSE;
    for (BOOL bMore = ::Process32FirstW(hSnapshot, &pe); bMore && !bFound; bMore = ::Process32NextW(hSnapshot, &pe))
        bFound = IsAppImageName(pe.szExeFile) ? TRUE : FALSE;
    ::CloseHandle(hSnapshot);
    return bFound;
}
