#include "engine/extract.h"

#include <new>
#include <vector>

#include "engine/archive_stream.h"
#include "engine/extract_lanes.h"
#include "engine/extract_result.h"
#include "engine/extract_stage.h"
#include "engine/folder_stream.h"
#include "engine/install_journal.h"
#include "engine/product.h"
#include "engine/setup_log.h"

extern "C" {
#include "7zCrc.h"
}

namespace {

// A final code whose post failed (the receiver's queue full) is tried again
// this often, this long apart, while the window exists.
constexpr int FINAL_POST_TRIES = 100;
constexpr DWORD FINAL_POST_RETRY_MS = 50;

// The one final code: kept in the job first, so that a holder whose queue
// stayed full still learns it once the worker ended, then posted, tried
// again while the window exists and refuses it.
void PostFinal(ExtractJob* pJob, const CExtractResult& result)
{
    if (CarriesNotifyPath(result.nCode) && result.lParam)
        pJob->strFinalPath = reinterpret_cast<const wchar_t*>(result.lParam);
    pJob->nFinalCode.store(result.nCode);
    for (int nTry = 0; nTry < FINAL_POST_TRIES; ++nTry) {
        if (pJob->pfnPostFinal(pJob->hNotifyWnd, WM_INSTALL_NOTIFY, result.nCode, result.lParam))
            return;
        if (!::IsWindow(pJob->hNotifyWnd))
            break;
        ::Sleep(FINAL_POST_RETRY_MS);
    }
    if (CarriesNotifyPath(result.nCode))
        delete[] reinterpret_cast<wchar_t*>(result.lParam);   // nobody will own it
}

// True when the archive holds the main program as a file at its top; the
// shortcuts, the registration and the finish page all point at it.
bool HasMainProgram(const CSzArEx* pDb)
{
    std::vector<UInt16> name;
    for (UInt32 i = 0; i < pDb->NumFiles; ++i) {
        if (SzArEx_IsDir(pDb, i))
            continue;
        if (::lstrcmpiW(ReadEntryName(pDb, i, &name), APP_EXE_NAME) == 0)
            return true;
    }
    return false;
}

// The archive database, freed with this object.
struct CArchiveDb
{
    CSzArEx db;

    CArchiveDb() { SzArEx_Init(&db); }
    ~CArchiveDb() { SzArEx_Free(&db, &g_szHeapAlloc); }
    CArchiveDb(const CArchiveDb&) = delete;
    CArchiveDb& operator=(const CArchiveDb&) = delete;
};

// Reads the database of the staged archive into archive; INSTALL_DONE, or
// the code to post.
WPARAM ReadArchiveDb(const ExtractJob* pJob, CArchiveDb& archive)
{
    CFileInStream archiveStream;
    archiveStream.wres = 0;
    archiveStream.file.handle = ::CreateFileW(pJob->strArchivePath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (archiveStream.file.handle == INVALID_HANDLE_VALUE)
        return INSTALL_ERR_OPEN;

    CLookToRead2 lookStream;
    const bool bLookBuffer = InitLookStream(&lookStream, &archiveStream);
    CrcGenerateTable();
    const SRes res = bLookBuffer ? SzArEx_Open(&archive.db, &lookStream.vt, &g_szHeapAlloc, &g_szHeapAlloc)
                                 : SZ_ERROR_MEM;
    // The lanes read the archive through handles of their own.
    ISzAlloc_Free(&g_szHeapAlloc, lookStream.buf);
    File_Close(&archiveStream.file);
    // The SDK accepts a database whose entries have no names, and its name
    // call then reads through a null table. An archive without the main
    // program would install nothing the rest of the installation can point
    // at: damaged, like one that cannot be read.
    const CSzArEx* pDb = &archive.db;
    if (res != SZ_OK || (pDb->NumFiles != 0 && !pDb->FileNameOffsets) || !HasMainProgram(pDb))
        return INSTALL_ERR_ARCHIVE;
    return INSTALL_DONE;
}

// Everything between staging and deleting the staged archive: the one way
// out of it, whatever failed, frees what it took.
CExtractResult UnpackStagedArchive(const ExtractJob* pJob, CInstallJournal* pJournal)
{
    CArchiveDb archive;
    const WPARAM nCode = ReadArchiveDb(pJob, archive);
    if (nCode != INSTALL_DONE)
        return {nCode, 0};
    return RunLanes(pJob, pJournal, &archive.db);
}

// Stages the payload and unpacks it; the staged archive is gone on every way out.
CExtractResult StageAndUnpack(ExtractJob* pJob, CInstallJournal* pJournal)
{
    HANDLE hStage = INVALID_HANDLE_VALUE;
    pJob->strArchivePath = ReserveTempArchive(::GetTickCount(), &hStage);
    if (pJob->strArchivePath.empty())
        return {INSTALL_ERR_STAGE, 0};   // no name could be created: nothing of ours exists
    // Held open without delete sharing for the whole run, so that the
    // start-up sweep of another installer cannot take the archive away; the
    // readers open their own handles beside it.
    HANDLE hKeep = INVALID_HANDLE_VALUE;
    if (WritePayloadToFile(hStage)) {
        hKeep = ::CreateFileW(pJob->strArchivePath.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    }
    ::CloseHandle(hStage);
    if (hKeep == INVALID_HANDLE_VALUE) {
        // The name was created by us (CREATE_NEW): what was staged is ours to delete.
        ::DeleteFileW(pJob->strArchivePath.c_str());
        return {INSTALL_ERR_STAGE, 0};
    }
    const CExtractResult result = UnpackStagedArchive(pJob, pJournal);
    ::CloseHandle(hKeep);
    ::DeleteFileW(pJob->strArchivePath.c_str());
    return result;
}

// The end of a run: committed when it succeeded and no stop came first,
// undone otherwise. An undo that fails names its path (code 13) in place
// of the run's own code, which goes to the log.
CExtractResult FinishRun(ExtractJob* pJob, CInstallJournal* pJournal, CExtractResult result)
{
    std::wstring strPath;
    BYTE nExpected = STOP_NONE;
    if (result.nCode == INSTALL_DONE && pJob->bStop.compare_exchange_strong(nExpected, STOP_TOO_LATE)) {
        if (pJournal->Commit(&strPath))
            return result;
        result = FailWithPath(INSTALL_ERR_WRITE, strPath);
    } else if (result.nCode == INSTALL_DONE) {
        result = {INSTALL_STOPPED, 0};
    }
    LogSetupStep(result.nCode == INSTALL_STOPPED ? CString(L"stopped: undoing the run") : CString(L"failed: undoing the run"));
    if (pJournal->RollBack(&strPath)) {
        LogSetupStep(L"undone: the folder is as it was");
        return result;
    }
    CString strLine;
    strLine.Format(L"failed: extraction code %u; undoing it failed at %s", static_cast<unsigned>(result.nCode),
                   strPath.c_str());
    LogSetupStep(strLine);
    if (CarriesNotifyPath(result.nCode))
        delete[] reinterpret_cast<wchar_t*>(result.lParam);
    return FailWithPath(INSTALL_ERR_ROLLBACK, strPath);
}

// The worker (for _beginthreadex): opens the journal and creates the install
// folder, stages, unpacks, deletes the temporary archive (also when staging
// failed), then commits the run or undoes it, and posts exactly one final
// code. Returns 0.
unsigned __stdcall ExtractThreadProc(void* pParam)
{
    ExtractJob* pJob = static_cast<ExtractJob*>(pParam);
    CInstallJournal journal;
    if (!journal.Begin(pJob->strAppDir, pJob->strPendingKey)) {
        PostFinal(pJob, {journal.FolderMissing() ? INSTALL_ERR_FOLDER : INSTALL_ERR_JOURNAL, 0});
        return 0;
    }
    PostFinal(pJob, FinishRun(pJob, &journal, StageAndUnpack(pJob, &journal)));
    return 0;
}

}  // namespace

bool StartExtraction(HWND hNotifyWnd, std::wstring strAppDir, std::wstring strDataDir, ExtractJob* pJob,
                     std::wstring strPendingKey)
{
    pJob->hNotifyWnd = hNotifyWnd;
    pJob->strAppDir = std::move(strAppDir);
    pJob->strDataDir = std::move(strDataDir);
    pJob->strPendingKey = std::move(strPendingKey);
    pJob->hThread.Reset(StartWorkerThread(ExtractThreadProc, pJob));
    return pJob->hThread != nullptr;
}

bool RequestStop(ExtractJob* pJob)
{
    BYTE nExpected = STOP_NONE;
    return pJob->bStop.compare_exchange_strong(nExpected, STOP_ASKED) || nExpected == STOP_ASKED;
}

WPARAM TakeFinalCode(const ExtractJob* pJob, LPARAM* plParam)
{
    *plParam = 0;
    const WPARAM nCode = pJob->nFinalCode.load();
    if (nCode == NO_FINAL_CODE_YET)
        return INSTALL_ERR_THREAD;
    if (CarriesNotifyPath(nCode))
        *plParam = reinterpret_cast<LPARAM>(NewNotifyPath(pJob->strFinalPath));
    return nCode;
}

wchar_t* NewNotifyPath(const std::wstring& strPath)
{
    wchar_t* pBuffer = new (std::nothrow) wchar_t[NOTIFY_PATH_CHARS]();
    if (pBuffer)
        strPath.copy(pBuffer, NOTIFY_PATH_CHARS - 1);
    return pBuffer;
}
