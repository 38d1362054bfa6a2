// bench_extract: the extraction worker, timed from inside the process.
//
//   bench_extract install <payload.dll> <folder\>   StartExtraction with the DLL
//                                                   as resource module, pumping
//                                                   until the final code
//   bench_extract decode <archive.7z>               the same SDK build decoding
//                                                   every entry, writing nothing
//   bench_extract stream <archive.7z>               the engine's streaming
//                                                   decoder, block after block,
//                                                   writing nothing
//   bench_extract stage <payload.dll> <file>        only the staging: the
//                                                   payload written to <file>
//                                                   (deleted afterwards)
//
// Prints "seconds=<s> code=<final code> progress=<posts> loaded_mb=<m>
// peak_mb=<m>" (install; loaded: the working set once the payload DLL is
// loaded, peak: the process's peak working set) or
// "seconds=<s> res=<SDK result> blocks=<n>" (decode) or "seconds=<s> ok=<0|1>"
// (stage). Exit code 0 on success.
#include <windows.h>
#include <psapi.h>
#include <climits>
#include <cstdio>
#include <string>

#include "afx/afxmodule.h"
#include "engine/archive_stream.h"
#include "engine/extract.h"
#include "engine/extract_stage.h"
#include "engine/folder_stream.h"

extern "C" {
#include "7zCrc.h"
}

namespace {

double Megabytes(SIZE_T nBytes)
{
    return static_cast<double>(nBytes) / (1024.0 * 1024.0);
}

PROCESS_MEMORY_COUNTERS_EX MemoryCounters()
{
    PROCESS_MEMORY_COUNTERS_EX counters = {};
    counters.cb = sizeof(counters);
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof(counters));
    return counters;
}

double Seconds(const LARGE_INTEGER& start)
{
    LARGE_INTEGER now, freq;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&freq);
    return static_cast<double>(now.QuadPart - start.QuadPart) / static_cast<double>(freq.QuadPart);
}

int Install(const wchar_t* pszDll, const wchar_t* pszFolder)
{
    HMODULE hPayload = LoadLibraryW(pszDll);
    if (!hPayload) {
        std::fprintf(stderr, "cannot load %ls\n", pszDll);
        return 2;
    }
    AfxSetResourceHandle(hPayload);
    // What the payload costs before the worker runs: under Wine an image
    // whose sections are not page-aligned in the file is read into private
    // memory, where Windows would map it from the file.
    const double dLoadedMb = Megabytes(MemoryCounters().WorkingSetSize);
    HWND hWnd = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    ExtractJob* pJob = new ExtractJob();

    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    StartExtraction(hWnd, pszFolder, pszFolder, pJob);
    WPARAM nCode = INSTALL_PROGRESS;
    unsigned nProgress = 0;
    MSG msg;
    while (nCode == INSTALL_PROGRESS && GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (msg.message != WM_INSTALL_NOTIFY) {
            DispatchMessageW(&msg);
            continue;
        }
        if (msg.wParam == INSTALL_PROGRESS) {
            ++nProgress;
        } else {
            nCode = msg.wParam;
            if (CarriesNotifyPath(nCode))
                delete[] reinterpret_cast<wchar_t*>(msg.lParam);
        }
    }
    const double dSeconds = Seconds(start);
    std::printf("seconds=%.3f code=%u progress=%u loaded_mb=%.1f peak_mb=%.1f\n", dSeconds,
                static_cast<unsigned>(nCode), nProgress, dLoadedMb, Megabytes(MemoryCounters().PeakWorkingSetSize));
    return nCode == INSTALL_DONE ? 0 : 1;
}

// An archive opened through the SDK's look-ahead stream, as the worker opens
// it; everything is freed with the object.
struct COpenedArchive
{
    CFileInStream file;
    CLookToRead2 look = {};
    CSzArEx db;
    bool bOpened = false;       // the file could be opened
    SRes res = SZ_ERROR_FAIL;   // what reading its database gave

    explicit COpenedArchive(const wchar_t* pszArchive)
    {
        SzArEx_Init(&db);
        if (InFile_OpenW(&file.file, pszArchive) != 0)
            return;
        bOpened = true;
        const bool bLookBuffer = InitLookStream(&look, &file);
        CrcGenerateTable();
        res = bLookBuffer ? SzArEx_Open(&db, &look.vt, &g_szHeapAlloc, &g_szHeapAlloc) : SZ_ERROR_MEM;
    }
    ~COpenedArchive()
    {
        SzArEx_Free(&db, &g_szHeapAlloc);
        if (bOpened) {
            ISzAlloc_Free(&g_szHeapAlloc, look.buf);
            File_Close(&file.file);
        }
    }
    COpenedArchive(const COpenedArchive&) = delete;
    COpenedArchive& operator=(const COpenedArchive&) = delete;
};

int Decode(const wchar_t* pszArchive)
{
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    COpenedArchive archive(pszArchive);
    if (!archive.bOpened) {
        std::fprintf(stderr, "cannot open %ls\n", pszArchive);
        return 2;
    }
    const CSzArEx& db = archive.db;
    SRes res = archive.res;
    UInt32 nBlockIndex = 0xFFFFFFFF;
    Byte* pOutBuffer = nullptr;
    size_t nOutBufferSize = 0;
    for (UInt32 i = 0; res == SZ_OK && i < db.NumFiles; ++i) {
        if (SzArEx_IsDir(&db, i) || db.FileToFolder[i] == 0xFFFFFFFF)
            continue;
        size_t nOffset = 0;
        size_t nSize = 0;
        res = SzArEx_Extract(&db, &archive.look.vt, i, &nBlockIndex, &pOutBuffer, &nOutBufferSize, &nOffset, &nSize,
                             &g_szHeapAlloc, &g_szHeapAlloc);
    }
    const unsigned nBlocks = db.db.NumFolders;
    ISzAlloc_Free(&g_szHeapAlloc, pOutBuffer);
    std::printf("seconds=%.3f res=%d blocks=%u\n", Seconds(start), static_cast<int>(res), nBlocks);
    return res == SZ_OK ? 0 : 1;
}

int Stream(const wchar_t* pszArchive)
{
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    COpenedArchive archive(pszArchive);
    if (!archive.bOpened) {
        std::fprintf(stderr, "cannot open %ls\n", pszArchive);
        return 2;
    }
    const CSzArEx& db = archive.db;
    SRes res = archive.res;
    const std::atomic<LONG> nNoStop{LONG_MAX};
    for (UInt32 nFolder = 0; res == SZ_OK && nFolder < db.db.NumFolders; ++nFolder) {
        CFolderStream stream;
        res = stream.Start(&db, nFolder, pszArchive, &nNoStop, 0);
        for (UInt64 nLeft = SzAr_GetFolderUnpackSize(&db.db, nFolder); res == SZ_OK && nLeft > 0;) {
            const Byte* pData = nullptr;
            size_t nSize = 0;
            res = stream.Read(&pData, &nSize, FOLDER_CHUNK_SIZE);
            nLeft -= nSize;
        }
        if (res == SZ_OK)
            res = stream.Finish();
    }
    const unsigned nBlocks = db.db.NumFolders;
    std::printf("seconds=%.3f res=%d blocks=%u\n", Seconds(start), static_cast<int>(res), nBlocks);
    return res == SZ_OK ? 0 : 1;
}

int Stage(const wchar_t* pszDll, const wchar_t* pszFile)
{
    HMODULE hPayload = LoadLibraryW(pszDll);
    if (!hPayload) {
        std::fprintf(stderr, "cannot load %ls\n", pszDll);
        return 2;
    }
    AfxSetResourceHandle(hPayload);
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    const HANDLE hFile = CreateFileW(pszFile, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                     FILE_ATTRIBUTE_NORMAL, nullptr);
    const bool bOk = hFile != INVALID_HANDLE_VALUE && WritePayloadToFile(hFile);
    if (hFile != INVALID_HANDLE_VALUE)
        CloseHandle(hFile);
    const double dSeconds = Seconds(start);
    DeleteFileW(pszFile);
    std::printf("seconds=%.3f ok=%d\n", dSeconds, bOk ? 1 : 0);
    return bOk ? 0 : 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc == 4 && std::wstring(argv[1]) == L"install")
        return Install(argv[2], argv[3]);
    if (argc == 3 && std::wstring(argv[1]) == L"decode")
        return Decode(argv[2]);
    if (argc == 3 && std::wstring(argv[1]) == L"stream")
        return Stream(argv[2]);
    if (argc == 4 && std::wstring(argv[1]) == L"stage")
        return Stage(argv[2], argv[3]);
    std::fprintf(stderr, "usage: bench_extract install <payload.dll> <folder\\> | decode <archive.7z> | stream <archive.7z> | stage <payload.dll> <file>\n");
    return 2;
}
