#include "engine/extract_lanes.h"

#include <shlwapi.h>
#include <algorithm>
#include <climits>
#include <cwchar>
#include <new>

#include "engine/archive_stream.h"
#include "engine/extract_rules.h"
#include "engine/folder_stream.h"
#include "engine/install_journal.h"
#include "engine/product.h"
#include "engine/setup_log.h"
#include "engine/slot_queue.h"

extern "C" {
#include "7zCrc.h"
}

namespace {

// Written files a lane hands to its closing thread before it waits for room:
// closing a file and posting its progress are two round trips through the
// system that need not hold up the next file.
constexpr size_t FILES_CLOSING_AHEAD = 32;

// An entry whose name contains this holds the worker on a message box.
constexpr const wchar_t THUMBNAIL_CACHE_MARK[] = L"Thumbs.db";

void PostNotify(const ExtractJob* pJob, WPARAM nCode, LPARAM lParam)
{
    if (!::PostMessageW(pJob->hNotifyWnd, WM_INSTALL_NOTIFY, nCode, lParam) && CarriesNotifyPath(nCode))
        delete[] reinterpret_cast<wchar_t*>(lParam);   // nobody will own it
}

// Entry names separate with "/", Windows paths with "\\".
void UseBackslashes(wchar_t* pszName)
{
    std::replace(pszName, pszName + std::wcslen(pszName), L'/', L'\\');
}

// Creates every directory along the backslash-separated name below base,
// journaled. Failures (existing directories included) show up later, when a
// file inside cannot be created.
void CreateEntryDirectories(CInstallJournal* pJournal, const std::wstring& strBase, const wchar_t* pszName)
{
    for (const wchar_t* p = pszName; *p; ++p) {
        if (*p == L'\\')
            pJournal->CreateFolder(strBase + std::wstring(pszName, p));
    }
}

// The base directory an entry goes below.
const std::wstring& GetEntryBase(const ExtractJob* pJob, const wchar_t* pszName)
{
    return IsDataEntryName(pszName) ? pJob->strDataDir : pJob->strAppDir;
}

// The name pass over the archive's entries, up to the first refused one (the
// run ends there, so nothing after it is reached). *pnFirstFailure: the
// first entry known to fail before anything is written, the refused one or
// the clash; NO_ENTRY for none.
CNamePlan PlanArchiveNames(const ExtractJob* pJob, const CSzArEx* pDb, UInt32* pnFirstFailure)
{
    *pnFirstFailure = NO_ENTRY;
    std::vector<CPlannedName> names;
    std::vector<UInt16> name;
    for (UInt32 i = 0; i < pDb->NumFiles; ++i) {
        const wchar_t* pszName = ReadEntryName(pDb, i, &name);
        const std::wstring& strBase = GetEntryBase(pJob, pszName);
        if (IsRefusedEntry(strBase, pszName)) {
            *pnFirstFailure = i;
            break;
        }
        names.push_back({strBase, pszName, SzArEx_IsDir(pDb, i) != 0});
    }
    CNamePlan plan = PlanEntryNames(names);
    plan.superseded.resize(pDb->NumFiles);
    if (plan.nClash != NO_ENTRY)
        *pnFirstFailure = plan.nClash;
    return plan;
}

// An output file being written, closed on every way out (a handle left open
// would keep a cut file locked).
class COutputFile
{
public:
    COutputFile(CInstallJournal* pJournal, const std::wstring& strPath) : m_pJournal(pJournal), m_strPath(strPath)
    {
        Open();
    }

    // A file that was there is moved aside first (the journal puts it back
    // if the run is undone).
    void Open() { file.handle = m_pJournal->CreateOutputFile(m_strPath); }
    ~COutputFile() { Close(); }
    COutputFile(const COutputFile&) = delete;
    COutputFile& operator=(const COutputFile&) = delete;

    bool IsOpen() const { return file.handle != INVALID_HANDLE_VALUE; }

    // False when closing failed; the handle is not tried again.
    bool Close()
    {
        const bool bClosed = File_Close(&file) == 0;
        file.handle = INVALID_HANDLE_VALUE;
        return bClosed;
    }

    // The open handle, the caller's to close from now on.
    HANDLE Release()
    {
        const HANDLE hFile = file.handle;
        file.handle = INVALID_HANDLE_VALUE;
        return hFile;
    }

    // Closes and deletes the file, whose bytes cannot be trusted: code 9.
    CExtractResult Discard()
    {
        Close();
        ::DeleteFileW(m_strPath.c_str());
        return {INSTALL_ERR_DECODE, 0};
    }

    CSzFile file;

private:
    CInstallJournal* m_pJournal;   // not owned
    const std::wstring& m_strPath;
};

// What the lanes of one run share: the database, the progress and the
// outcome. Lanes are numbered in archive order; a failure stops the lanes
// after the failing one and is kept unless an earlier lane fails too, so the
// result is the one an entry-by-entry run would give.
struct CRun
{
    const ExtractJob* m_pJob;
    CInstallJournal* m_pJournal;   // not owned
    const CSzArEx* m_pDb;
    const std::vector<CExtractLane>* m_pLanes;
    UInt32 m_nFirstFailure = NO_ENTRY;     // known before the lanes start: no lane after its lane starts
    const CNamePlan m_names;               // entries skipped, and the one that clashes; sets the above
    CSRWLock m_lock;
    std::vector<UInt32> m_laneDone;        // entries each lane has finished
    size_t m_nFrontier = 0;                // the first lane not finished
    UInt32 m_nFrontierPosted = 0;          // its entries accounted for in m_nPosted
    UInt32 m_nPosted = 0;                  // entries accounted for, in archive order
    UInt32 m_nFilesPosted = 0;             // the files among them
    UINT m_nLastPercent = UINT_MAX;        // the last percentage posted
    std::atomic<LONG> m_nFailedLane{LONG_MAX};   // read by lanes and decoders outside m_lock
    CExtractResult m_result;
    volatile LONG m_nNextLane = 0;

    CRun(const ExtractJob* pJob, CInstallJournal* pJournal, const CSzArEx* pDb, const std::vector<CExtractLane>* pLanes)
        : m_pJob(pJob), m_pJournal(pJournal), m_pDb(pDb), m_pLanes(pLanes),
          m_names(PlanArchiveNames(pJob, pDb, &m_nFirstFailure)), m_laneDone(pLanes->size())
    {
    }
    CRun(const CRun&) = delete;
    CRun& operator=(const CRun&) = delete;

    // A lane stops on a failure of an earlier lane, and on one of its own
    // that its closing thread recorded.
    bool Stopped(LONG nLane) const { return m_pJob->bStop.load() != 0 || m_nFailedLane.load() <= nLane; }

    // The lane's next entry is done. Progress goes out in archive order: a
    // later lane's files are reported once every entry before them is done,
    // so the percentages are those of an entry-by-entry run, and a failure
    // leaves the same progress behind as one.
    void Complete(LONG nLane)
    {
        CSRWLockGuard hold(m_lock);
        ++m_laneDone[nLane];
        while (m_nFrontier < m_laneDone.size()) {
            const std::vector<UInt32>& entries = (*m_pLanes)[m_nFrontier].entries;
            for (; m_nFrontierPosted < m_laneDone[m_nFrontier]; ++m_nFrontierPosted, ++m_nPosted) {
                if (!SzArEx_IsDir(m_pDb, entries[m_nFrontierPosted])) {
                    PostProgress(GetProgressPercent(m_nPosted, m_pDb->NumFiles));
                    BYTE nNone = STOP_NONE;
                    if (++m_nFilesPosted == m_pJob->nStopAfterFiles)
                        m_pJob->bStop.compare_exchange_strong(nNone, STOP_ASKED);
                }
            }
            if (m_laneDone[m_nFrontier] < entries.size())
                break;
            ++m_nFrontier;
            m_nFrontierPosted = 0;
        }
    }

    // A percentage is posted once, when it is reached. Posted messages come
    // before input in the page's queue: one per file of a payload of many
    // small files keeps the queue full, and the page's buttons and Alt+F4
    // would wait for the end of the unpacking.
    void PostProgress(UINT nPercent)
    {
        if (nPercent == m_nLastPercent)
            return;
        m_nLastPercent = nPercent;
        PostNotify(m_pJob, INSTALL_PROGRESS, nPercent);
    }

    void Fail(LONG nLane, const CExtractResult& result)
    {
        CSRWLockGuard hold(m_lock);
        const bool bFirst = nLane < m_nFailedLane.load();
        const CExtractResult& dropped = bFirst ? m_result : result;
        if (CarriesNotifyPath(dropped.nCode))
            delete[] reinterpret_cast<wchar_t*>(dropped.lParam);
        if (bFirst) {
            m_result = result;
            m_nFailedLane.store(nLane);
        }
    }
};

// Closes a lane's written files and reports its entries done, in the lane's
// order, on a thread of its own, so that the lane goes on to the next file
// at once. A file that does not close ends the lane with code 7 and nothing
// after it is reported. Without the thread, the work is done on the spot.
class CFileCloser
{
public:
    CFileCloser(CRun& run, LONG nLane) : m_run(run), m_nLane(nLane), m_thread(StartWorkerThread(ThreadProc, this)) {}
    // Every entry handed over is closed and reported before this returns.
    ~CFileCloser()
    {
        m_files.End();
        m_thread.Join();
    }
    CFileCloser(const CFileCloser&) = delete;
    CFileCloser& operator=(const CFileCloser&) = delete;

    // The lane's next entry is done; hFile (INVALID_HANDLE_VALUE for none) is
    // closed before it is reported, and is this object's from now on.
    void Add(HANDLE hFile)
    {
        if (!m_thread) {
            Finish(hFile);
            return;
        }
        const size_t nSlot = m_files.WaitForRoom();   // never cancelled
        m_files[nSlot] = hFile;
        m_files.Publish();
    }

    // Returns once every file handed over is closed and reported.
    void Drain() { m_files.WaitUntilEmpty(); }

private:
    static unsigned __stdcall ThreadProc(void* pParam)
    {
        CFileCloser* pThis = static_cast<CFileCloser*>(pParam);
        for (size_t nSlot; (nSlot = pThis->m_files.WaitForItem()) != CloseQueue::NO_SLOT;) {
            pThis->Finish(pThis->m_files[nSlot]);
            pThis->m_files.Release();
        }
        return 0;
    }

    void Finish(HANDLE hFile)
    {
        if (hFile != INVALID_HANDLE_VALUE && !::CloseHandle(hFile) && !m_bFailed) {
            m_bFailed = true;
            m_run.Fail(m_nLane, {INSTALL_ERR_CLOSE, 0});
        }
        if (!m_bFailed)
            m_run.Complete(m_nLane);
    }

    using CloseQueue = CSlotQueue<HANDLE, FILES_CLOSING_AHEAD>;

    CRun& m_run;
    const LONG m_nLane;
    bool m_bFailed = false;             // the closing thread's own
    CloseQueue m_files;                 // before the thread that empties it
    CThreadHandle m_thread;
};

// Unpacks one lane: its block streams in on a decoder thread while this one
// checks and writes the files and a closing thread closes and reports them.
class CLaneRunner
{
public:
    CLaneRunner(CRun& run, LONG nLane) : m_run(run), m_nLane(nLane), m_lane((*run.m_pLanes)[nLane]) {}
    ~CLaneRunner() { delete[] m_pName; }
    CLaneRunner(const CLaneRunner&) = delete;
    CLaneRunner& operator=(const CLaneRunner&) = delete;

    void Run()
    {
        // Lanes hold archive order one after another: a lane past an entry
        // known to fail is never reached, however early a thread is free for it.
        if (!m_lane.entries.empty() && m_lane.entries.front() > m_run.m_nFirstFailure)
            return;
        LogLane(L"block %ld: %u entries", m_lane.entries.size());
        if (m_lane.nFolder != NO_BLOCK
            && m_stream.Start(m_run.m_pDb, m_lane.nFolder, m_run.m_pJob->strArchivePath, &m_run.m_nFailedLane,
                              m_nLane) != SZ_OK) {
            m_run.Fail(m_nLane, {INSTALL_ERR_DECODE, 0});
            return;
        }
        for (UInt32 i : m_lane.entries) {
            if (m_run.Stopped(m_nLane))
                return;
            const CExtractResult result = ProcessEntry(i);
            if (result.nCode != INSTALL_DONE) {
                m_run.Fail(m_nLane, result);
                return;
            }
        }
        if (m_lane.nFolder != NO_BLOCK && m_stream.Finish() != SZ_OK) {
            m_run.Fail(m_nLane, {INSTALL_ERR_DECODE, 0});
            return;
        }
        LogLane(L"block %ld: written (%u entries)", m_lane.entries.size());
    }

private:
    CExtractResult ProcessEntry(UInt32 i)
    {
        const CSzArEx* pDb = m_run.m_pDb;
        const ExtractJob* pJob = m_run.m_pJob;
        const size_t nChars = SzArEx_GetFileNameUtf16(pDb, i, nullptr);
        if (nChars > m_nNameChars) {
            delete[] m_pName;
            m_nNameChars = nChars;
            m_pName = new (std::nothrow) wchar_t[nChars];
            if (!m_pName) {
                m_nNameChars = 0;
                return {INSTALL_ERR_NOMEM, 0};
            }
        }
        SzArEx_GetFileNameUtf16(pDb, i, reinterpret_cast<UInt16*>(m_pName));

        const bool bDir = SzArEx_IsDir(pDb, i);
        const std::wstring& strBase = GetEntryBase(pJob, m_pName);
        const bool bRefused = IsRefusedEntry(strBase, m_pName);
        UseBackslashes(m_pName);
        // Refused before anything is created, even the directories on its way;
        // so is a file against a folder of the same name, whichever block
        // comes first.
        if (bRefused || i == m_run.m_names.nClash)
            return FailWithPath(INSTALL_ERR_CREATE, strBase + m_pName);
        // A later copy of this name replaces it: writing it too could
        // overwrite the later copy, written by another lane meanwhile.
        if (m_run.m_names.superseded[i])
            return SkipEntry(i, bDir);
        // Files of one folder follow each other: their directories are
        // created once, not asked for again per file (each ask is a round
        // trip through the system).
        const wchar_t* pszLastSlash = std::wcsrchr(m_pName, L'\\');
        const std::wstring strDirs = strBase + std::wstring(m_pName, pszLastSlash ? pszLastSlash - m_pName : 0);
        if (strDirs != m_strDirsMade) {
            CreateEntryDirectories(m_run.m_pJournal, strBase, m_pName);
            m_strDirsMade = strDirs;
        }

        // A thumbnail cache the packer's system left in the payload: shown, so whoever packed it sees the slip.
        if (std::wcsstr(m_pName, THUMBNAIL_CACHE_MARK))
            ::MessageBoxW(pJob->hNotifyWnd, m_pName, PRODUCT_NAME, MB_OK);

        const std::wstring strTarget = strBase + m_pName;
        if (!bDir && IsPreservedEntryName(m_pName) && ::PathFileExistsW(strTarget.c_str()))
            return SkipEntry(i, bDir);
        if (bDir) {
            m_run.m_pJournal->CreateFolder(strTarget);
            m_closer.Add(INVALID_HANDLE_VALUE);
            return {};
        }
        return WriteEntryFile(strTarget, i);
    }

    // An entry left as it is: its bytes are passed over, and it counts as done.
    CExtractResult SkipEntry(UInt32 i, bool bDir)
    {
        if (!bDir && !SkipEntryBytes(SzArEx_GetFileSize(m_run.m_pDb, i)))
            return {INSTALL_ERR_DECODE, 0};
        m_closer.Add(INVALID_HANDLE_VALUE);
        return {};
    }

    bool SkipEntryBytes(UInt64 nSize)
    {
        while (nSize > 0) {
            const Byte* pData = nullptr;
            size_t nRead = 0;
            if (m_stream.Read(&pData, &nRead, static_cast<size_t>(std::min<UInt64>(nSize, SIZE_MAX))) != SZ_OK)
                return false;
            nSize -= nRead;
        }
        return true;
    }

    // Writes the entry's bytes to strTarget as they come out of the block,
    // checking its CRC on the way, and gives it its stored attributes (after
    // the check: a read-only file could not be deleted). A file whose bytes
    // could not be decoded or do not match is deleted: it can no longer be
    // trusted. A file cut short by a failed write stays as it is.
    CExtractResult WriteEntryFile(const std::wstring& strTarget, UInt32 i)
    {
        const CSzArEx* pDb = m_run.m_pDb;
        COutputFile file(m_run.m_pJournal, strTarget);
        if (!file.IsOpen() && ::GetLastError() == ERROR_SHARING_VIOLATION) {
            // Two names of one file that the name pass cannot tell apart (a
            // short 8.3 alias of a long name): this lane's earlier file may
            // still be waiting to be closed.
            m_closer.Drain();
            file.Open();
        }
        if (!file.IsOpen())
            return FailWithPath(INSTALL_ERR_CREATE, strTarget);

        UInt64 nLeft = SzArEx_GetFileSize(pDb, i);
        UInt32 nCrc = CRC_INIT_VAL;
        while (nLeft > 0) {
            const Byte* pData = nullptr;
            size_t nSize = 0;
            if (m_stream.Read(&pData, &nSize, static_cast<size_t>(std::min<UInt64>(nLeft, SIZE_MAX))) != SZ_OK)
                return file.Discard();
            nCrc = CrcUpdate(nCrc, pData, nSize);
            size_t nWritten = nSize;
            if (File_Write(&file.file, pData, &nWritten) != 0 || nWritten != nSize)
                return FailWithPath(INSTALL_ERR_WRITE, strTarget);
            nLeft -= nSize;
        }
        if (SzBitWithVals_Check(&pDb->CRCs, i) && CRC_GET_DIGEST(nCrc) != pDb->CRCs.Vals[i])
            return file.Discard();
        // Through the open handle: by name it would open and close the file
        // once more, and each of those is a round trip through the system
        // that thousands of small files add up.
        if (SzBitWithVals_Check(&pDb->Attribs, i)) {
            FILE_BASIC_INFO info = {};
            info.FileAttributes = GetAttributesToApply(pDb->Attribs.Vals[i]);
            if (!info.FileAttributes)
                info.FileAttributes = FILE_ATTRIBUTE_NORMAL;   // 0 would leave them unchanged
            // The file's bytes are whole and checked: attributes the system
            // refuses (read-only, hidden) are not worth failing the
            // installation over, so the file stays with the defaults.
            static_cast<void>(::SetFileInformationByHandle(file.file.handle, FileBasicInfo, &info, sizeof(info)));
        }
        m_closer.Add(file.Release());
        return {};
    }

    // One line of the setup log about this lane (numbered from 1).
    void LogLane(LPCWSTR pszFormat, size_t nEntries) const
    {
        CString strLine;
        strLine.Format(pszFormat, static_cast<long>(m_nLane + 1), static_cast<unsigned>(nEntries));
        LogSetupStep(strLine);
    }

    CRun& m_run;
    const LONG m_nLane;
    const CExtractLane& m_lane;
    CFolderStream m_stream;
    CFileCloser m_closer{m_run, m_nLane};   // after m_run and m_nLane: made from them
    wchar_t* m_pName = nullptr;
    size_t m_nNameChars = 0;
    std::wstring m_strDirsMade;   // base + directories of the last entry
};

// The paths the lanes will write files to, up to the first entry refused or
// clashing (the run ends there): superseded and preserved entries left out.
std::vector<std::wstring> ListFileTargets(const ExtractJob* pJob, const CSzArEx* pDb, const CNamePlan& names)
{
    std::vector<std::wstring> targets;
    std::vector<UInt16> name;
    for (UInt32 i = 0; i < pDb->NumFiles && i != names.nClash; ++i) {
        wchar_t* pszName = ReadEntryName(pDb, i, &name);
        const std::wstring& strBase = GetEntryBase(pJob, pszName);
        if (IsRefusedEntry(strBase, pszName))
            break;
        if (SzArEx_IsDir(pDb, i) || names.superseded[i] || IsPreservedEntryName(pszName))
            continue;
        UseBackslashes(pszName);
        targets.push_back(strBase + pszName);
    }
    return targets;
}

// Takes lanes in archive order until none is left.
unsigned __stdcall LaneThreadProc(void* pParam)
{
    CRun* pRun = static_cast<CRun*>(pParam);
    const LONG nLanes = static_cast<LONG>(pRun->m_pLanes->size());
    for (;;) {
        const LONG nLane = ::InterlockedIncrement(&pRun->m_nNextLane) - 1;
        if (nLane >= nLanes || pRun->Stopped(nLane))
            return 0;
        CLaneRunner(*pRun, nLane).Run();
    }
}

}  // namespace

wchar_t* ReadEntryName(const CSzArEx* pDb, UInt32 nIndex, std::vector<UInt16>* pBuffer)
{
    pBuffer->resize(SzArEx_GetFileNameUtf16(pDb, nIndex, nullptr));
    SzArEx_GetFileNameUtf16(pDb, nIndex, pBuffer->data());
    return reinterpret_cast<wchar_t*>(pBuffer->data());
}

CExtractResult RunLanes(const ExtractJob* pJob, CInstallJournal* pJournal, const CSzArEx* pDb)
{
    const std::vector<CExtractLane> lanes = PlanLanes(pDb->FileToFolder, pDb->NumFiles);
    CRun run(pJob, pJournal, pDb, &lanes);
    // The files this run replaces are journaled all at once, flushed before
    // the first is moved aside.
    if (!pJournal->PrepareReplacements(ListFileTargets(pJob, pDb, run.m_names)))
        return {INSTALL_ERR_JOURNAL, 0};
    SYSTEM_INFO info = {};
    ::GetSystemInfo(&info);
    const size_t nThreads = std::min<size_t>(std::max<DWORD>(info.dwNumberOfProcessors, 1), lanes.size());
    std::vector<CThreadHandle> helpers;
    for (size_t n = 1; n < nThreads; ++n) {
        CThreadHandle thread(StartWorkerThread(LaneThreadProc, &run));
        if (thread)
            helpers.push_back(std::move(thread));   // without one, the others take its lanes
    }
    LaneThreadProc(&run);
    for (CThreadHandle& thread : helpers)
        thread.Join();
    return run.m_nFailedLane.load() == LONG_MAX ? CExtractResult{} : run.m_result;
}

std::vector<CExtractLane> PlanLanes(const UInt32* pFileToFolder, UInt32 nFiles)
{
    std::vector<CExtractLane> lanes;
    std::vector<UInt32> before;   // entries without data ahead of the first block's files
    for (UInt32 i = 0; i < nFiles; ++i) {
        const UInt32 nFolder = pFileToFolder[i];
        if (nFolder != NO_BLOCK && (lanes.empty() || lanes.back().nFolder != nFolder)) {
            lanes.push_back({nFolder, {}});
            if (lanes.size() == 1)
                lanes.back().entries.swap(before);
        }
        (lanes.empty() ? before : lanes.back().entries).push_back(i);
    }
    if (!before.empty())
        lanes.push_back({NO_BLOCK, std::move(before)});
    return lanes;
}
