// extract_driver: one run of the extraction worker on an archive given as a
// file, for the damaged-payload campaign (bench/damage.py) and the full-disk
// test (full_disk.py).
//
//   extract_driver [--pending <key>] <template.dll> <archive.7z> <work.dll> <folder\> [<temp folder>]
//   extract_driver --recover <key> <temp folder\>
//
// Copies the resource-only template DLL to work.dll, puts the archive into it
// as the payload resource, makes it the resource module and runs StartExtraction into
// folder\, pumping messages. Prints one line:
//   "code=<first final code> finals=<final codes posted> progress=<posts>
//    seconds=<start to first final code> path=<path buffer of codes 5 and 6>"
// or "code=none seconds=<limit>" when no final code came within the limit.
// After a final code it waits for the worker, frees what it made and ends
// normally, so that a fault at the end shows; a fault anywhere prints
// "crash exception=<code> thread=<id> address=<where>" and ends the process.
// With a temp folder, TMP and TEMP point there, so the archive is staged there.
// --pending names the run's journal under HKLM\<key>, as the installer does,
// so that a killed run can be undone; --recover is the next start's part
// (left archives removed, the open run undone) and prints
// "recovered=<1|0> path=<what could not be put back>" (killed_runs.py).
// Exit codes: 0 a final code and the worker ended; 2 "harness: ..." (the
// driver's own set-up failed, nothing was run); 3 no final code; 4 the worker
// still ran WORKER_END_LIMIT_MS after its final code.
#include <windows.h>
#include <cstdio>
#include <string>
#include <vector>

#include "afx/afxmodule.h"
#include "engine/extract.h"
#include "engine/extract_stage.h"
#include "engine/install_journal.h"
#include "engine/payload_resource.h"

namespace {

constexpr DWORD FINAL_CODE_LIMIT_MS = 10000;   // the campaign's bound for one run
constexpr DWORD LATE_POST_WAIT_MS = 300;       // how long a second final code is waited for
constexpr DWORD WORKER_END_LIMIT_MS = 5000;    // how long the worker may run on after its final code

// Whatever thread faults, the campaign learns which and where, instead of a
// debugger's start or a silent end.
LONG WINAPI ReportCrash(EXCEPTION_POINTERS* pInfo)
{
    std::printf("crash exception=0x%08lx thread=%lu address=%p\n",
                static_cast<unsigned long>(pInfo->ExceptionRecord->ExceptionCode), GetCurrentThreadId(),
                pInfo->ExceptionRecord->ExceptionAddress);
    std::fflush(stdout);
    return EXCEPTION_EXECUTE_HANDLER;
}

double Seconds(const LARGE_INTEGER& start)
{
    LARGE_INTEGER now, freq;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&freq);
    return static_cast<double>(now.QuadPart - start.QuadPart) / static_cast<double>(freq.QuadPart);
}

bool ReadFileBytes(const wchar_t* pszPath, std::vector<char>& data)
{
    HANDLE hFile = CreateFileW(pszPath, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (hFile == INVALID_HANDLE_VALUE)
        return false;
    char buffer[65536];
    DWORD nRead = 0;
    while (ReadFile(hFile, buffer, sizeof(buffer), &nRead, nullptr) && nRead)
        data.insert(data.end(), buffer, buffer + nRead);
    CloseHandle(hFile);
    return true;
}

// work.dll = template.dll with the archive as the payload resource (an empty archive
// leaves the template's placeholder out, so staging finds no payload).
bool MakePayloadDll(const wchar_t* pszTemplate, const wchar_t* pszArchive, const wchar_t* pszWork)
{
    std::vector<char> data;
    if (!ReadFileBytes(pszArchive, data) || !CopyFileW(pszTemplate, pszWork, FALSE))
        return false;
    HANDLE hUpdate = BeginUpdateResourceW(pszWork, FALSE);
    if (!hUpdate)
        return false;
    const BOOL bUpdated = UpdateResourceW(hUpdate, PAYLOAD_RESOURCE_TYPE, MAKEINTRESOURCEW(IDR_PAYLOAD),
                                          MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL),
                                          data.empty() ? nullptr : data.data(), static_cast<DWORD>(data.size()));
    return EndUpdateResourceW(hUpdate, !bUpdated) && bUpdated;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    SetUnhandledExceptionFilter(ReportCrash);
    if (argc == 4 && wcscmp(argv[1], L"--recover") == 0) {
        RemoveLeftStagedArchives(argv[3]);
        std::wstring strFailed;
        const bool bRecovered = RecoverInterruptedInstall(argv[2], &strFailed);
        std::printf("recovered=%d path=%ls\n", bRecovered ? 1 : 0, strFailed.c_str());
        return 0;
    }
    std::wstring strPendingKey;
    if (argc > 2 && wcscmp(argv[1], L"--pending") == 0) {
        strPendingKey = argv[2];
        argc -= 2;
        argv += 2;
    }
    if (argc != 5 && argc != 6) {
        std::fprintf(stderr, "usage: extract_driver [--pending <key>] <template.dll> <archive.7z> <work.dll> <folder\\> [<temp>]\n"
                             "       extract_driver --recover <key> <temp>\n");
        return 2;
    }
    if (!MakePayloadDll(argv[1], argv[2], argv[3])) {
        std::printf("harness: cannot make %ls\n", argv[3]);
        return 2;
    }
    HMODULE hPayload = LoadLibraryW(argv[3]);
    if (!hPayload) {
        std::printf("harness: cannot load %ls\n", argv[3]);
        return 2;
    }
    AfxSetResourceHandle(hPayload);
    if (argc == 6) {
        // Only now: making the DLL above needs a temporary folder of its own.
        SetEnvironmentVariableW(L"TMP", argv[5]);
        SetEnvironmentVariableW(L"TEMP", argv[5]);
    }
    HWND hWnd = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    ExtractJob* pJob = new ExtractJob();   // the worker may outlive a failed run

    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    StartExtraction(hWnd, argv[4], argv[4], pJob, strPendingKey);
    WPARAM nCode = INSTALL_PROGRESS;
    unsigned nFinals = 0;
    unsigned nProgress = 0;
    double dSeconds = 0;
    std::wstring strPath;
    const DWORD dwStart = GetTickCount();
    DWORD dwLimit = FINAL_CODE_LIMIT_MS;
    for (;;) {
        const DWORD dwElapsed = GetTickCount() - dwStart;
        if (dwElapsed >= dwLimit)
            break;
        MSG msg;
        if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, dwLimit - dwElapsed, QS_ALLINPUT);
            continue;
        }
        if (msg.hwnd != hWnd || msg.message != WM_INSTALL_NOTIFY) {
            DispatchMessageW(&msg);
            continue;
        }
        if (msg.wParam == INSTALL_PROGRESS) {
            ++nProgress;
            continue;
        }
        if (++nFinals == 1) {
            nCode = msg.wParam;
            dSeconds = Seconds(start);
            // Whatever else the worker posts arrives soon after, or never.
            dwLimit = GetTickCount() - dwStart + LATE_POST_WAIT_MS;
            if (pJob->hThread)
                WaitForSingleObject(pJob->hThread, LATE_POST_WAIT_MS);
        }
        if (CarriesNotifyPath(msg.wParam) && msg.lParam) {
            wchar_t* pBuffer = reinterpret_cast<wchar_t*>(msg.lParam);
            if (strPath.empty())
                strPath = pBuffer;
            delete[] pBuffer;
        }
    }
    if (nFinals == 0) {
        std::printf("code=none seconds=%.3f\n", Seconds(start));
        std::fflush(stdout);
        return 3;   // the worker may still use the job, the window and the module: all stay
    }
    std::printf("code=%u finals=%u progress=%u seconds=%.3f path=%ls\n", static_cast<unsigned>(nCode), nFinals,
                nProgress, dSeconds, strPath.c_str());
    std::fflush(stdout);
    if (pJob->hThread && WaitForSingleObject(pJob->hThread, WORKER_END_LIMIT_MS) != WAIT_OBJECT_0) {
        std::printf("worker=running\n");
        std::fflush(stdout);
        return 4;
    }
    delete pJob;
    DestroyWindow(hWnd);
    FreeLibrary(hPayload);
    return 0;
}
