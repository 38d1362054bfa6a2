#include "engine/extract.h"

#include <shlwapi.h>
#include <algorithm>
#include <climits>
#include <cwchar>
#include <map>
#include <new>
#include <vector>

#include "afx/afxmodule.h"
#include "engine/archive_stream.h"
#include "engine/folder_stream.h"
#include "engine/install_journal.h"
#include "engine/product.h"
#include "engine/setup_log.h"
#include "engine/slot_queue.h"

extern "C" {
#include "7zCrc.h"
}

static_assert(sizeof(wchar_t) == sizeof(UInt16), "entry names are copied as UTF-16 code units");

namespace {

// Written files a lane hands to its closing thread before it waits for room:
// closing a file and posting its progress are two round trips through the
// system that need not hold up the next file.
constexpr size_t FILES_CLOSING_AHEAD = 32;

// The first path component that sends an entry below the data directory.
constexpr const wchar_t DATA_DIR_COMPONENTS[][9] = {L"config", L"resource"};

// Archives made on Unix mark their attribute words with FILE_ATTRIBUTE_UNIX_EXTENSION
// (this bit) and keep the file mode in the high word; the low bits below it
// are the Windows attributes.
constexpr DWORD UNIX_MODE_ATTRIBUTE_MARK = 0x8000;
constexpr DWORD WINDOWS_ATTRIBUTE_BITS = UNIX_MODE_ATTRIBUTE_MARK - 1;

// Names Windows reads as devices in any folder, with or without an
// extension; COM1..COM9 and LPT1..LPT9 as well.
constexpr const wchar_t RESERVED_DEVICE_NAMES[][8] = {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"};

// An entry whose name contains this holds the worker on a message box.
constexpr const wchar_t THUMBNAIL_CACHE_MARK[] = L"Thumbs.db";

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
    if (!::PostMessageW(pJob->hNotifyWnd, WM_INSTALL_NOTIFY, nCode, lParam) && CarriesNotifyPath(nCode))
        delete[] reinterpret_cast<wchar_t*>(lParam);   // nobody will own it
}

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

// An entry refused before anything on its way is created: a name that could
// leave the base or name a device, or a target path too long for Windows.
bool IsRefusedEntry(const std::wstring& strBase, const wchar_t* pszName)
{
    return IsUnsafeEntryName(pszName) || strBase.size() + std::wcslen(pszName) >= MAX_TARGET_PATH_CHARS;
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
        name.resize(SzArEx_GetFileNameUtf16(pDb, i, nullptr));
        SzArEx_GetFileNameUtf16(pDb, i, name.data());
        const wchar_t* pszName = reinterpret_cast<const wchar_t*>(name.data());
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

// The paths the lanes will write files to, up to the first entry refused or
// clashing (the run ends there): superseded and preserved entries left out.
std::vector<std::wstring> ListFileTargets(const ExtractJob* pJob, const CSzArEx* pDb, const CNamePlan& names)
{
    std::vector<std::wstring> targets;
    std::vector<UInt16> name;
    for (UInt32 i = 0; i < pDb->NumFiles && i != names.nClash; ++i) {
        name.resize(SzArEx_GetFileNameUtf16(pDb, i, nullptr));
        SzArEx_GetFileNameUtf16(pDb, i, name.data());
        wchar_t* pszName = reinterpret_cast<wchar_t*>(name.data());
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

// Runs the lanes, one block per processor at a time, this thread among them.
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

// True when the archive holds the main program as a file at its top; the
// shortcuts, the registration and the finish page all point at it.
bool HasMainProgram(const CSzArEx* pDb)
{
    std::vector<UInt16> name;
    for (UInt32 i = 0; i < pDb->NumFiles; ++i) {
        if (SzArEx_IsDir(pDb, i))
            continue;
        name.resize(SzArEx_GetFileNameUtf16(pDb, i, nullptr));
        SzArEx_GetFileNameUtf16(pDb, i, name.data());
        if (::lstrcmpiW(reinterpret_cast<const wchar_t*>(name.data()), APP_EXE_NAME) == 0)
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

}  // namespace

std::wstring ComposeTempArchivePath(const wchar_t* pszTempDir, const wchar_t* pszLongDir, DWORD dwUnique)
{
    // The digits by hand: the C99 printf family stays out of the program.
    wchar_t szDigits[16] = {};
    wchar_t* pszDigits = szDigits + ARRAYSIZE(szDigits) - 1;
    do {
        *--pszDigits = static_cast<wchar_t>(L'0' + dwUnique % 10);
        dwUnique /= 10;
    } while (dwUnique);
    const std::wstring strName = std::wstring(L"\\") + STAGED_ARCHIVE_PREFIX + pszDigits + STAGED_ARCHIVE_SUFFIX;
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
    const size_t nPrefix = std::wcslen(STAGED_ARCHIVE_PREFIX);
    const size_t nSuffix = std::wcslen(STAGED_ARCHIVE_SUFFIX);
    const size_t nName = std::wcslen(pszName);
    if (nName <= nPrefix + nSuffix || ::_wcsnicmp(pszName, STAGED_ARCHIVE_PREFIX, nPrefix) != 0 ||
        ::_wcsicmp(pszName + nName - nSuffix, STAGED_ARCHIVE_SUFFIX) != 0)
        return false;
    for (size_t i = nPrefix; i < nName - nSuffix; ++i) {
        if (pszName[i] < L'0' || pszName[i] > L'9')
            return false;
    }
    return true;
}

UINT RemoveLeftStagedArchives(const std::wstring& strTempDir)
{
    WIN32_FIND_DATAW data = {};
    const std::wstring strPattern = strTempDir + STAGED_ARCHIVE_PREFIX + L"*";
    const HANDLE hFind = ::FindFirstFileW(strPattern.c_str(), &data);
    if (hFind == INVALID_HANDLE_VALUE)
        return 0;
    UINT nRemoved = 0;
    do {
        // The wildcard also matches short names: the long name decides.
        if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || !IsStagedArchiveName(data.cFileName))
            continue;
        if (::DeleteFileW((strTempDir + data.cFileName).c_str()))
            ++nRemoved;
    } while (::FindNextFileW(hFind, &data));
    ::FindClose(hFind);
    return nRemoved;
}

UINT RemoveLeftStagedArchives()
{
    const std::wstring strTempDir = GetCheckedTempDir();
    return strTempDir.empty() ? 0 : RemoveLeftStagedArchives(strTempDir);
}

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

namespace {

// A name component as Windows finds the file: without its trailing dots and
// spaces.
const wchar_t* TrimComponentEnd(const wchar_t* pszBegin, const wchar_t* pszEnd)
{
    while (pszEnd > pszBegin && (pszEnd[-1] == L'.' || pszEnd[-1] == L' '))
        --pszEnd;
    return pszEnd;
}

// The path under which Windows finds the same file: "\\" between
// components, each trimmed. Compared with CWindowsNameLess.
std::wstring GetFileSystemPath(const std::wstring& strBase, const std::wstring& strName)
{
    std::wstring strPath = strBase;
    const wchar_t* pszComponent = strName.c_str();
    for (const wchar_t* p = pszComponent;; ++p) {
        if (*p && !IsSeparator(*p))
            continue;
        strPath.append(pszComponent, TrimComponentEnd(pszComponent, p));
        if (!*p)
            return strPath;
        strPath += L'\\';
        pszComponent = p + 1;
    }
}

// Orders paths as Windows tells names apart: case ignored, unit by unit.
struct CWindowsNameLess
{
    bool operator()(const std::wstring& a, const std::wstring& b) const
    {
        return ::CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()),
                                      TRUE) == CSTR_LESS_THAN;
    }
};

}  // namespace

bool IsPreservedEntryName(const wchar_t* pszName)
{
    const wchar_t* pszEnd = pszName + std::wcslen(pszName);
    const wchar_t* pszFile = pszEnd;
    while (pszFile > pszName && !IsSeparator(pszFile[-1]))
        --pszFile;
    pszEnd = TrimComponentEnd(pszFile, pszEnd);
    return ::CompareStringOrdinal(pszFile, static_cast<int>(pszEnd - pszFile), PRESERVED_FILE_NAME, -1, TRUE)
           == CSTR_EQUAL;
}

CNamePlan PlanEntryNames(const std::vector<CPlannedName>& names)
{
    CNamePlan plan;
    plan.superseded.assign(names.size(), false);
    // Each path met so far: a file (the entry that writes it) or a folder (NO_ENTRY).
    std::map<std::wstring, UINT32, CWindowsNameLess> paths;
    for (UINT32 i = 0; i < names.size(); ++i) {
        const CPlannedName& entry = names[i];
        const std::wstring strPath = GetFileSystemPath(entry.strBase, entry.strName);
        for (size_t n = strPath.find(L'\\', entry.strBase.size()); n != std::wstring::npos;
             n = strPath.find(L'\\', n + 1)) {
            const auto folder = paths.emplace(strPath.substr(0, n), NO_ENTRY);
            if (folder.first->second != NO_ENTRY) {
                plan.nClash = i;   // a folder on its way is a file already
                return plan;
            }
        }
        const auto met = paths.emplace(strPath, entry.bDir ? NO_ENTRY : i);
        if (met.second)
            continue;
        if ((met.first->second == NO_ENTRY) != entry.bDir) {
            plan.nClash = i;
            return plan;
        }
        if (!entry.bDir) {
            plan.superseded[met.first->second] = true;
            met.first->second = i;
        }
    }
    return plan;
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
