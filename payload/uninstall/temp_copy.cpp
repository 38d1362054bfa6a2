#include "payload/uninstall/temp_copy.h"

#include <windows.h>
#include <vector>

#include "engine/temp_names.h"

std::wstring TempCopyName(unsigned long nNumber)
{
    return NumberedName(TEMP_COPY_PREFIX, nNumber, TEMP_COPY_SUFFIX);
}

bool IsTempCopyName(const std::wstring& strName)
{
    return IsNumberedName(strName.c_str(), TEMP_COPY_PREFIX, TEMP_COPY_SUFFIX);
}

namespace {

// Writes everything hSource holds through hTarget.
bool CopyContent(HANDLE hSource, HANDLE hTarget)
{
    std::vector<char> buffer(64 * 1024);
    for (;;) {
        DWORD nRead = 0;
        if (!ReadFile(hSource, buffer.data(), static_cast<DWORD>(buffer.size()), &nRead, nullptr))
            return false;
        if (nRead == 0)
            return true;
        DWORD nWritten = 0;
        if (!WriteFile(hTarget, buffer.data(), nRead, &nWritten, nullptr) || nWritten != nRead)
            return false;
    }
}

} // namespace

std::wstring MakeTempCopy(const std::wstring& strTempDir, const std::wstring& strSource, unsigned long dwSeed)
{
    HANDLE hSource = CreateFileW(strSource.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (hSource == INVALID_HANDLE_VALUE)
        return std::wstring();
    std::wstring strCopy;
    for (unsigned long i = 0; i < TEMP_COPY_TRIES; ++i) {
        const std::wstring strPath = strTempDir + TempCopyName(dwSeed + i);
        HANDLE hCopy = CreateFileW(strPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                                   nullptr);
        if (hCopy == INVALID_HANDLE_VALUE) {
            // Only a name taken by someone else is worth another try.
            const DWORD dwError = GetLastError();
            if (dwError == ERROR_FILE_EXISTS || dwError == ERROR_ALREADY_EXISTS)
                continue;
            break;
        }
        const bool bCopied = CopyContent(hSource, hCopy);
        const bool bClosed = CloseHandle(hCopy) != FALSE;
        hCopy = nullptr;
        if (bCopied && bClosed)
            strCopy = strPath;
        else
            DeleteFileW(strPath.c_str());   // made by this call, so ours
        break;
    }
    CloseHandle(hSource);
    hSource = nullptr;
    return strCopy;
}

unsigned RemoveLeftTempCopies(const std::wstring& strTempDir, const std::wstring& strKeep)
{
    return RemoveNumberedFiles(strTempDir, TEMP_COPY_PREFIX, TEMP_COPY_SUFFIX, strKeep);
}
