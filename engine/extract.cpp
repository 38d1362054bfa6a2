#include "engine/extract.h"

#include <process.h>
#include <shlwapi.h>
#include <cwchar>
#include <new>

#include "afx/afxmodule.h"
#include "engine/archive_stream.h"
#include "engine/product.h"

extern "C" {
#include "7zCrc.h"
}

static_assert(sizeof(wchar_t) == sizeof(UInt16), "entry names are copied as UTF-16 code units");

namespace {

constexpr UInt32 NO_BLOCK = 0xFFFFFFFF;   // the output cache holds no block yet

// The outcome the entry loop records; posted after clean-up.
struct CExtractResult
{
    WPARAM nCode = INSTALL_DONE;
    LPARAM lParam = 0;
};

CExtractResult FailWithPath(WPARAM nCode, const std::wstring& strPath)
{
    return {nCode, reinterpret_cast<LPARAM>(NewNotifyPath(strPath))};
}

void PostNotify(const ExtractJob* pJob, WPARAM nCode, LPARAM lParam)
{
    if (!::PostMessageW(pJob->hNotifyWnd, WM_INSTALL_NOTIFY, nCode, lParam)
        && (nCode == INSTALL_ERR_CREATE || nCode == INSTALL_ERR_WRITE))
        delete[] reinterpret_cast<wchar_t*>(lParam);   // nobody will own it
}

bool IsSeparator(wchar_t ch)
{
    return ch == L'/' || ch == L'\\';
}

// A component of dots only ("..", "..."; trailing spaces ignored, as Windows
// ignores them): read as a parent directory, or close enough to one.
bool IsDotsComponent(const wchar_t* pszBegin, const wchar_t* pszEnd)
{
    while (pszEnd > pszBegin && pszEnd[-1] == L' ')
        --pszEnd;
    if (pszEnd - pszBegin < 2)
        return false;
    for (const wchar_t* p = pszBegin; p < pszEnd; ++p) {
        if (*p != L'.')
            return false;
    }
    return true;
}

// A component Windows reads as a device whatever folder it is in ("NUL",
// "com1.txt", "AUX .log"): the name before the first dot, trailing spaces
// ignored, is one of the reserved device names. Writing there would report
// success and leave no file.
bool IsDeviceComponent(const wchar_t* pszBegin, const wchar_t* pszEnd)
{
    const wchar_t* pszStem = pszBegin;
    while (pszStem < pszEnd && *pszStem != L'.')
        ++pszStem;
    while (pszStem > pszBegin && pszStem[-1] == L' ')
        --pszStem;
    const size_t nLength = static_cast<size_t>(pszStem - pszBegin);
    for (const wchar_t* pszDevice : RESERVED_DEVICE_NAMES) {
        if (std::wcslen(pszDevice) == nLength && ::_wcsnicmp(pszBegin, pszDevice, nLength) == 0)
            return true;
    }
    // COM1..COM9, LPT1..LPT9
    return nLength == 4 && (::_wcsnicmp(pszBegin, L"COM", 3) == 0 || ::_wcsnicmp(pszBegin, L"LPT", 3) == 0)
        && pszBegin[3] >= L'1' && pszBegin[3] <= L'9';
}

// Creates base + every directory along the "/"-separated name, and leaves the
// name with backslashes. Failures (existing directories included) show up
// later, when a file inside cannot be created.
void CreateEntryDirectories(const std::wstring& strBase, wchar_t* pszName)
{
    for (wchar_t* p = pszName; *p; ++p) {
        if (*p != L'/')
            continue;
        *p = L'\0';
        ::CreateDirectoryW((strBase + pszName).c_str(), nullptr);
        *p = L'\\';
    }
}

// Writes one decoded entry to strTarget and gives it its stored attributes.
CExtractResult WriteEntryFile(const std::wstring& strTarget, const Byte* pData, size_t nSize,
                              const CSzArEx* pDb, UInt32 nIndex)
{
    CSzFile file;
    file.handle = ::CreateFileW(strTarget.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file.handle == INVALID_HANDLE_VALUE)
        return FailWithPath(INSTALL_ERR_CREATE, strTarget);

    size_t nWritten = nSize;
    if (File_Write(&file, pData, &nWritten) != 0 || nWritten != nSize) {
        // Closed here too: a handle left open would keep the cut file locked.
        File_Close(&file);
        return FailWithPath(INSTALL_ERR_WRITE, strTarget);
    }
    if (File_Close(&file) != 0)
        return {INSTALL_ERR_CLOSE, 0};

    if (SzBitWithVals_Check(&pDb->Attribs, nIndex))
        ::SetFileAttributesW(strTarget.c_str(), GetAttributesToApply(pDb->Attribs.Vals[nIndex]));
    return {};
}

// The entry loop over an opened archive. Owns nothing: the caller frees the
// output cache and the name buffer it leaves behind.
struct CEntryLoop
{
    const ExtractJob* m_pJob;
    CSzArEx* m_pDb;
    ILookInStreamPtr m_pStream;
    UInt32 m_nBlockIndex = NO_BLOCK;
    Byte* m_pOutBuffer = nullptr;
    size_t m_nOutBufferSize = 0;
    wchar_t* m_pName = nullptr;
    size_t m_nNameChars = 0;

    CExtractResult Run()
    {
        for (UInt32 i = 0; i < m_pDb->NumFiles; ++i) {
            if (m_pJob->bStop)
                break;
            const CExtractResult result = ProcessEntry(i);
            if (result.nCode != INSTALL_DONE)
                return result;
        }
        return {};
    }

    CExtractResult ProcessEntry(UInt32 i)
    {
        const size_t nChars = SzArEx_GetFileNameUtf16(m_pDb, i, nullptr);
        if (nChars > m_nNameChars) {
            delete[] m_pName;
            m_nNameChars = nChars;
            m_pName = new (std::nothrow) wchar_t[nChars];
            if (!m_pName)
                return {INSTALL_ERR_NOMEM, 0};
        }
        SzArEx_GetFileNameUtf16(m_pDb, i, reinterpret_cast<UInt16*>(m_pName));

        const bool bDir = SzArEx_IsDir(m_pDb, i);
        size_t nOffset = 0;
        size_t nSize = 0;
        if (!bDir) {
            // An empty file belongs to no block, and asking the SDK for it
            // would drop the cached block: the next file of that block would
            // decode it all over again.
            if (m_pDb->FileToFolder[i] != NO_BLOCK
                && SzArEx_Extract(m_pDb, m_pStream, i, &m_nBlockIndex, &m_pOutBuffer, &m_nOutBufferSize, &nOffset,
                                  &nSize, &g_szHeapAlloc, &g_szHeapAlloc) != SZ_OK)
                return {INSTALL_ERR_DECODE, 0};
            PostNotify(m_pJob, INSTALL_PROGRESS, GetProgressPercent(i, m_pDb->NumFiles));
        }

        const std::wstring& strBase = IsDataEntryName(m_pName) ? m_pJob->strDataDir : m_pJob->strAppDir;
        if (IsUnsafeEntryName(m_pName) || strBase.size() + std::wcslen(m_pName) >= MAX_TARGET_PATH_CHARS) {
            // Refused before anything is created, even the directories on its way.
            std::wstring strTarget = strBase + m_pName;
            for (wchar_t& ch : strTarget) {
                if (ch == L'/')
                    ch = L'\\';
            }
            return FailWithPath(INSTALL_ERR_CREATE, strTarget);
        }
        CreateEntryDirectories(strBase, m_pName);

        if (std::wcsstr(m_pName, THUMBNAIL_CACHE_MARK))
            ::MessageBoxW(m_pJob->hNotifyWnd, m_pName, PRODUCT_NAME, MB_OK);

        const std::wstring strTarget = strBase + m_pName;
        if (strTarget.find(PRESERVED_FILE_MARK) != std::wstring::npos && ::PathFileExistsW(strTarget.c_str()))
            return {};
        if (bDir) {
            ::CreateDirectoryW(strTarget.c_str(), nullptr);
            return {};
        }
        return WriteEntryFile(strTarget, m_pOutBuffer + nOffset, nSize, m_pDb, i);
    }
};

}  // namespace

std::wstring ComposeTempArchivePath(const wchar_t* pszTempDir, const wchar_t* pszLongDir, DWORD dwTick)
{
    wchar_t szName[32] = {};
    ::wsprintfW(szName, L"\\%u.7z", dwTick);
    // Without a long form the folder is kept as given: dropping it would put
    // the archive into the root of the current drive.
    return std::wstring(*pszLongDir ? pszLongDir : pszTempDir) + szName;
}

std::wstring GetTempArchivePath()
{
    wchar_t szTempDir[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, szTempDir);
    wchar_t szLongDir[1024] = {};
    ::GetLongPathNameW(szTempDir, szLongDir, ARRAYSIZE(szLongDir));
    return ComposeTempArchivePath(szTempDir, szLongDir, ::GetTickCount());
}

void StartExtraction(HWND hNotifyWnd, std::wstring strAppDir, std::wstring strDataDir, ExtractJob* pJob)
{
    pJob->hNotifyWnd = hNotifyWnd;
    pJob->strArchivePath = GetTempArchivePath();
    pJob->strAppDir = std::move(strAppDir);
    pJob->strDataDir = std::move(strDataDir);
    unsigned nThreadId = 0;
    pJob->hThread = reinterpret_cast<HANDLE>(::_beginthreadex(nullptr, 0, ExtractThreadProc, pJob, 0, &nThreadId));
}

bool WritePayloadToFile(const std::wstring& strPath)
{
    const HMODULE hModule = AfxGetResourceHandle();
    const HRSRC hInfo = ::FindResourceW(hModule, MAKEINTRESOURCEW(PAYLOAD_RESOURCE_ID), PAYLOAD_RESOURCE_TYPE);
    if (!hInfo)
        return false;
    const HGLOBAL hData = ::LoadResource(hModule, hInfo);
    if (!hData)
        return false;
    const void* pData = ::LockResource(hData);
    const DWORD nSize = ::SizeofResource(hModule, hInfo);
    if (!pData || !nSize)
        return false;

    CSzFile file;
    file.handle = ::CreateFileW(strPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file.handle == INVALID_HANDLE_VALUE)
        return false;
    size_t nWritten = nSize;
    const WRes wres = File_Write(&file, pData, &nWritten);
    if (wres != 0 || nWritten != nSize) {
        File_Close(&file);
        return false;
    }
    return File_Close(&file) == 0;
}

unsigned __stdcall ExtractThreadProc(void* pParam)
{
    ExtractJob* pJob = static_cast<ExtractJob*>(pParam);
    if (!WritePayloadToFile(pJob->strArchivePath)) {
        PostNotify(pJob, INSTALL_ERR_STAGE, 0);
        return 0;
    }

    CFileInStream archiveStream;
    archiveStream.wres = 0;
    archiveStream.file.handle = ::CreateFileW(pJob->strArchivePath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (archiveStream.file.handle == INVALID_HANDLE_VALUE) {
        ::DeleteFileW(pJob->strArchivePath.c_str());
        PostNotify(pJob, INSTALL_ERR_OPEN, 0);
        return 0;
    }

    CLookToRead2 lookStream;
    const bool bLookBuffer = InitLookStream(&lookStream, &archiveStream);
    CrcGenerateTable();

    CSzArEx db;
    SzArEx_Init(&db);
    const SRes res = bLookBuffer ? SzArEx_Open(&db, &lookStream.vt, &g_szHeapAlloc, &g_szHeapAlloc)
                                 : SZ_ERROR_MEM;
    // The SDK accepts a database whose entries have no names, and its name
    // call then reads through a null table.
    if (res != SZ_OK || (db.NumFiles != 0 && !db.FileNameOffsets)) {
        SzArEx_Free(&db, &g_szHeapAlloc);
        ISzAlloc_Free(&g_szHeapAlloc, lookStream.buf);
        File_Close(&archiveStream.file);
        ::DeleteFileW(pJob->strArchivePath.c_str());
        PostNotify(pJob, INSTALL_ERR_ARCHIVE, 0);
        return 0;
    }

    CEntryLoop loop{pJob, &db, &lookStream.vt};
    const CExtractResult result = loop.Run();

    ISzAlloc_Free(&g_szHeapAlloc, loop.m_pOutBuffer);
    SzArEx_Free(&db, &g_szHeapAlloc);
    delete[] loop.m_pName;
    ISzAlloc_Free(&g_szHeapAlloc, lookStream.buf);
    File_Close(&archiveStream.file);
    ::DeleteFileW(pJob->strArchivePath.c_str());

    PostNotify(pJob, result.nCode, result.lParam);
    return 0;
}

UINT GetProgressPercent(UINT32 nIndex, UINT32 nCount)
{
    const UINT32 nDone = nIndex + 1;
    return static_cast<UINT>(static_cast<double>(nDone) * 100.0 / static_cast<double>(nCount));
}

bool IsDataEntryName(const wchar_t* pszName)
{
    const wchar_t* pszSlash = std::wcschr(pszName, L'/');
    const size_t nLength = pszSlash ? static_cast<size_t>(pszSlash - pszName) : std::wcslen(pszName);
    for (const wchar_t* pszComponent : DATA_DIR_COMPONENTS) {
        if (std::wcslen(pszComponent) == nLength && std::wcsncmp(pszName, pszComponent, nLength) == 0)
            return true;
    }
    return false;
}

bool IsUnsafeEntryName(const wchar_t* pszName)
{
    if (std::wcschr(pszName, L':'))
        return true;
    const wchar_t* pszComponent = pszName;
    for (const wchar_t* p = pszName;; ++p) {
        if (*p && !IsSeparator(*p))
            continue;
        if (IsDotsComponent(pszComponent, p) || IsDeviceComponent(pszComponent, p))
            return true;
        if (!*p)
            return false;
        pszComponent = p + 1;
    }
}

DWORD GetAttributesToApply(DWORD dwStored)
{
    return (dwStored & UNIX_MODE_ATTRIBUTE_MARK) ? (dwStored & WINDOWS_ATTRIBUTE_BITS) : dwStored;
}

wchar_t* NewNotifyPath(const std::wstring& strPath)
{
    wchar_t* pBuffer = new (std::nothrow) wchar_t[NOTIFY_PATH_CHARS]();
    if (pBuffer)
        strPath.copy(pBuffer, NOTIFY_PATH_CHARS - 1);
    return pBuffer;
}
