#include "engine/extract_stage.h"

#include "afx/afxmodule.h"
#include "engine/archive_stream.h"
#include "engine/extract.h"
#include "engine/payload_resource.h"
#include "engine/temp_names.h"

std::wstring ComposeTempArchivePath(const wchar_t* pszTempDir, const wchar_t* pszLongDir, DWORD dwUnique)
{
    const std::wstring strName = L"\\" + NumberedName(STAGED_ARCHIVE_PREFIX, dwUnique, STAGED_ARCHIVE_SUFFIX);
    // Without a long form the folder is kept as given: dropping it would put
    // the archive into the root of the current drive.
    return std::wstring(*pszLongDir ? pszLongDir : pszTempDir) + strName;
}

namespace {

// GetTempPathW's folder with its trailing backslash; empty when the call
// failed or the folder does not fit, never the current drive's root.
std::wstring GetCheckedTempDir()
{
    wchar_t szTempDir[MAX_PATH + 1] = {};
    const DWORD nLength = ::GetTempPathW(ARRAYSIZE(szTempDir), szTempDir);
    if (nLength == 0 || nLength >= ARRAYSIZE(szTempDir))
        return std::wstring();
    return szTempDir;
}

}  // namespace

std::wstring GetTempArchivePath(DWORD dwUnique)
{
    const std::wstring strTempDir = GetCheckedTempDir();
    if (strTempDir.empty())
        return strTempDir;
    wchar_t szLongDir[1024] = {};
    ::GetLongPathNameW(strTempDir.c_str(), szLongDir, ARRAYSIZE(szLongDir));
    return ComposeTempArchivePath(strTempDir.c_str(), szLongDir, dwUnique);
}

std::wstring ReserveTempArchive(DWORD dwSeed, HANDLE* phFile)
{
    *phFile = INVALID_HANDLE_VALUE;
    for (DWORD i = 0; i < STAGED_ARCHIVE_TRIES; ++i) {
        std::wstring strPath = GetTempArchivePath(dwSeed + i);
        if (strPath.empty())
            return strPath;
        *phFile = ::CreateFileW(strPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
        if (*phFile != INVALID_HANDLE_VALUE)
            return strPath;
        // Only a name taken by someone else is worth another try.
        const DWORD dwError = ::GetLastError();
        if (dwError != ERROR_FILE_EXISTS && dwError != ERROR_ALREADY_EXISTS)
            return std::wstring();
    }
    return std::wstring();
}

bool IsStagedArchiveName(const wchar_t* pszName)
{
    return IsNumberedName(pszName, STAGED_ARCHIVE_PREFIX, STAGED_ARCHIVE_SUFFIX);
}

UINT RemoveLeftStagedArchives(const std::wstring& strTempDir)
{
    return RemoveNumberedFiles(strTempDir, STAGED_ARCHIVE_PREFIX, STAGED_ARCHIVE_SUFFIX);
}

UINT RemoveLeftStagedArchives()
{
    const std::wstring strTempDir = GetCheckedTempDir();
    return strTempDir.empty() ? 0 : RemoveLeftStagedArchives(strTempDir);
}

bool WritePayloadToFile(HANDLE hFile)
{
    DWORD nSize = 0;
    const void* pData = LoadResourceBytes(MAKEINTRESOURCEW(IDR_PAYLOAD), PAYLOAD_RESOURCE_TYPE, &nSize);
    if (!pData || !nSize)
        return false;

    CSzFile file;
    file.handle = hFile;
    size_t nWritten = nSize;
    const WRes wres = File_Write(&file, pData, &nWritten);
    return wres == 0 && nWritten == nSize;
}
