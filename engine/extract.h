// extract.h: the payload's way into the install folder. The archive stored as
// resource IDR_PAYLOAD (payload_resource.h) is written to a temporary file, and a worker thread
// unpacks every entry below the install folder, reporting to one window:
//
//   m_pJob = new ExtractJob();                       // zeroed; lives until the process ends
//   StartExtraction(m_hWnd, strDir, strDir, m_pJob); // returns at once
//   ...WM_INSTALL_NOTIFY: INSTALL_PROGRESS per new percentage, then exactly one final code
//
// Entries whose first component is "config" or "resource" go below the data
// directory, every other entry below the application directory; an existing
// file named config.ini is never overwritten. A name met again later in the
// archive replaces the earlier copy, as in an entry-by-entry run; a file and
// a folder of one name end with code 5. An archive
// without Vellomar.exe at its top is damaged (code 4): nothing is written.
// Each solid block streams through a small window (folder_stream.h) into its
// files, CRCs checked on the way; the blocks of a multi-block archive unpack
// at once, one per processor. Each block's written files are closed and
// reported on a thread of its own, behind the one that writes them. The
// resource module is AfxGetResourceHandle(), so tests stage archives from a
// DLL. Free of GUI headers.
#pragma once
#include <windows.h>
#include <atomic>
#include <string>
#include <vector>

#include "engine/owners.h"
#include "engine/payload_resource.h"

// Posted by the worker (never sent); wParam is one of the codes below.
constexpr UINT WM_INSTALL_NOTIFY = WM_APP + 0x10;   // our own range: no other class reads it

enum : WPARAM {
    INSTALL_DONE = 0,         // lParam 0: every entry processed (also for no entries) and the record written
    INSTALL_PROGRESS = 1,     // lParam percent 0..100: a file entry was written and the percentage grew
    INSTALL_ERR_STAGE = 2,    // writing the payload to the temporary file failed
    INSTALL_ERR_OPEN = 3,     // the temporary archive could not be opened
    INSTALL_ERR_ARCHIVE = 4,  // the archive database could not be read, or holds no Vellomar.exe at its top
    INSTALL_ERR_CREATE = 5,   // lParam path buffer: an output file could not be created (or its name was unsafe or too long)
    INSTALL_ERR_WRITE = 6,    // lParam path buffer: writing an output file failed or was short
    INSTALL_ERR_CLOSE = 7,    // closing an output file failed
    INSTALL_ERR_NOMEM = 8,    // no memory for an entry name
    INSTALL_ERR_DECODE = 9,   // decoding failed (data error, CRC mismatch, no memory, unsupported method);
                              // the file being written is deleted
    INSTALL_STOPPED = 10,     // bStop was set: the run was undone
    INSTALL_ERR_FOLDER = 11,  // the install folder could not be created
    INSTALL_ERR_THREAD = 12,  // the worker could not be started (given by its starter, never posted)
    INSTALL_ERR_ROLLBACK = 13,   // lParam path buffer: undoing a failed or stopped run failed at this path;
                                 // the journal stays for the next start
    INSTALL_ERR_JOURNAL = 14, // the journal could not be written beside the install folder: nothing was changed
};
// Every code but INSTALL_DONE and INSTALL_PROGRESS ends with the folder as it
// was before the run (files created removed, files replaced put back), but
// code 13, which names what could not be put back.

// True for the codes whose lParam is a path buffer (see NOTIFY_PATH_CHARS).
inline bool CarriesNotifyPath(WPARAM nCode)
{
    return nCode == INSTALL_ERR_CREATE || nCode == INSTALL_ERR_WRITE || nCode == INSTALL_ERR_ROLLBACK;
}


// The path buffer of codes 5, 6 and 13: this many wide characters, zero-filled,
// holding at most one less. The receiver owns it and frees it with delete[].
constexpr size_t NOTIFY_PATH_CHARS = 260;

// A target path of this many characters or more is refused with code 5
// before anything on its way is created: Windows without long-path support
// cannot create it, and Wine, which could, would leave files that Windows
// programs without that support cannot open or remove.
constexpr size_t MAX_TARGET_PATH_CHARS = MAX_PATH;

// Entries of this file name, in any folder, are installed only when missing.
constexpr const wchar_t PRESERVED_FILE_NAME[] = L"config.ini";

// ExtractJob::nStopAfterFiles when no stop is planned.
constexpr UINT32 NO_STOP_AFTER_FILES = 0xFFFFFFFF;

// ExtractJob::nFinalCode before the worker set one.
constexpr WPARAM NO_FINAL_CODE_YET = ~static_cast<WPARAM>(0);

// A final code whose post failed (the receiver's queue full) is tried again
// this often, this long apart, while the window exists.
constexpr int FINAL_POST_TRIES = 100;
constexpr DWORD FINAL_POST_RETRY_MS = 50;

// bStop's values. A stop is asked for with RequestStop; the worker marks
// the point past which its run can no longer be undone (the record written,
// the journal about to be committed) the same way, so exactly one of the
// two wins.
enum : BYTE {
    STOP_NONE = 0,
    STOP_ASKED = 1,        // stop before the next entry and undo the run
    STOP_TOO_LATE = 2,     // the worker is committing: the run ends with INSTALL_DONE
};

// Shared by the page that starts the worker and the worker. The page fills
// it through StartExtraction and does not touch it again but through
// RequestStop; bStop is read before each entry, without a lock, by every
// thread of the worker. The job must outlive the worker: a holder that frees
// it waits on hThread first.
struct ExtractJob
{
    mutable std::atomic<BYTE> bStop;   // STOP_*: see above
    HWND hNotifyWnd;              // receives WM_INSTALL_NOTIFY; not owned
    CThreadHandle hThread;        // the worker
    std::wstring strArchivePath;  // the temporary archive; set by the worker
    std::wstring strAppDir;       // base of ordinary entries, ends with a backslash; the journal lies beside it
    std::wstring strDataDir;      // base of the "config" and "resource" trees, ends with a backslash
    std::wstring strPendingKey;   // HKLM key naming an open journal (install_journal.h); empty: none
    // The final code and its path, set by the worker before it posts them:
    // the holder reads them after hThread ended when the post never came.
    std::atomic<WPARAM> nFinalCode{NO_FINAL_CODE_YET};
    std::wstring strFinalPath;
    // Posts the final code; PostMessageW unless a test plays a full queue.
    BOOL (WINAPI* pfnPostFinal)(HWND, UINT, WPARAM, LPARAM) = ::PostMessageW;
    // Tests: a stop is asked for once this many files are done, in archive
    // order, as a user's Alt+F4 at that moment would.
    UINT32 nStopAfterFiles = NO_STOP_AFTER_FILES;
};

// Asks the worker to stop and undo its run. False when it was too late: the
// run is committed and ends with INSTALL_DONE.
bool RequestStop(ExtractJob* pJob);

// The final code of a worker that has ended, as it set it (with a new path
// buffer where the code carries one), for a holder whose window never got
// the post. INSTALL_ERR_THREAD when the worker never ran.
WPARAM TakeFinalCode(const ExtractJob* pJob, LPARAM* plParam);

// Staged archives are named <prefix><number><suffix> in the temporary folder,
// so that ours can be told from other programs' files.
constexpr const wchar_t STAGED_ARCHIVE_PREFIX[] = L"vlsetup-stage-";
constexpr const wchar_t STAGED_ARCHIVE_SUFFIX[] = L".7z";
// Names tried after a collision before staging gives up.
constexpr DWORD STAGED_ARCHIVE_TRIES = 64;

// <temporary folder>\<prefix><dwUnique><suffix> (the folder's long form when
// it has one); empty when GetTempPathW fails or its folder does not fit.
std::wstring GetTempArchivePath(DWORD dwUnique);

// Creates an empty staged archive with CREATE_NEW under the first free name
// from dwSeed on, returns its path and its handle (open for writing, the
// caller's to close) in *phFile; empty (INVALID_HANDLE_VALUE) when none could
// be created. A file that exists already is never opened, so it is never
// ours to delete.
std::wstring ReserveTempArchive(DWORD dwSeed, HANDLE* phFile);

// True for a file name of the form ReserveTempArchive gives: the prefix,
// decimal digits only, the suffix.
bool IsStagedArchiveName(const wchar_t* pszName);

// Deletes the staged archives an installer that was killed left in
// strTempDir (ending with a backslash); other files are never touched. Only
// one installer runs at a time, so at start-up none of them is in use.
// Returns how many were deleted.
UINT RemoveLeftStagedArchives(const std::wstring& strTempDir);

// RemoveLeftStagedArchives on GetTempPathW's folder, when it has one.
UINT RemoveLeftStagedArchives();

// Fills the job and starts ExtractThreadProc on it; reports nothing itself.
// False when the thread could not be started: no final code will come, the
// caller ends the run with INSTALL_ERR_THREAD. strPendingKey: see ExtractJob.
bool StartExtraction(HWND hNotifyWnd, std::wstring strAppDir, std::wstring strDataDir, ExtractJob* pJob,
                     std::wstring strPendingKey = std::wstring());

// Writes the payload resource of AfxGetResourceHandle() through hFile (not
// closed here).
bool WritePayloadToFile(HANDLE hFile);

// The worker (for _beginthreadex): opens the journal and creates the install
// folder, stages, unpacks, deletes the temporary archive (also when staging
// failed), then commits the run or undoes it, and posts exactly one final
// code. Returns 0.
unsigned __stdcall ExtractThreadProc(void* pParam);

// ---- Rules of the worker, without files or threads --------------------------

// The temporary archive's path from GetTempPathW's folder, GetLongPathNameW's
// form of it (empty when that failed) and the name's number.
std::wstring ComposeTempArchivePath(const wchar_t* pszTempDir, const wchar_t* pszLongDir, DWORD dwUnique);

// Percent after entry nIndex (zero-based) of nCount was done, truncated. With
// several blocks unpacked at once, a file's progress is posted once every
// entry before it in the archive is done, so the values are the same.
UINT GetProgressPercent(UINT32 nIndex, UINT32 nCount);

// True for an entry ("/" or "\\" separated) whose file name is
// PRESERVED_FILE_NAME as Windows compares names: case ignored, trailing dots
// and spaces dropped. The folders it is in do not count.
bool IsPreservedEntryName(const wchar_t* pszName);

// An entry as the name pass sees it: its base directory (ending with a
// backslash), its name ("/" or "\\" separated) and its kind.
struct CPlannedName
{
    std::wstring strBase;
    std::wstring strName;
    bool bDir;
};

// No entry of the archive.
constexpr UINT32 NO_ENTRY = 0xFFFFFFFF;

// What the name pass found: the entries another one later in archive order
// replaces (skipped, so the later copy wins whichever block is written
// first), and the first entry whose path is a file on the one side and a
// folder on the other (code 5 there; the entries after it are not looked at,
// as the run ends there).
struct CNamePlan
{
    std::vector<bool> superseded;   // one per name given
    UINT32 nClash = NO_ENTRY;
};

// The name pass over the entries in archive order. Paths compare as Windows
// compares names: case ignored, "/" and "\\" alike, trailing dots and spaces of
// a component dropped. Folders count both as entries and on the way to one.
CNamePlan PlanEntryNames(const std::vector<CPlannedName>& names);

// True when the first component of a "/"-separated entry name is exactly
// "config" or "resource".
bool IsDataEntryName(const wchar_t* pszName);

// True for a name that could leave its base directory or address something
// other than a file in it: a colon (drive letter, alternate data stream), a
// component of dots only ("..", "...") or a device name ("NUL", "com1.txt"),
// with "/" and "\" both separators.
bool IsUnsafeEntryName(const wchar_t* pszName);

// The attribute word to give an extracted file. Archives made on Unix carry
// the file mode in the high word, marked with FILE_ATTRIBUTE_UNIX_EXTENSION;
// only the Windows bits of such a word are applied.
DWORD GetAttributesToApply(DWORD dwStored);

// An entry's block, for entries without data (directories, empty files).
constexpr UINT32 NO_BLOCK = 0xFFFFFFFF;

// The entries one thread unpacks, in archive order: the files of one solid
// block with the entries without data among and after them (those ahead of
// the first block's files go with that block). The lanes one after another
// hold every entry in archive order. An archive without data: one lane
// without a block.
struct CExtractLane
{
    UINT32 nFolder;                // the block, or NO_BLOCK
    std::vector<UINT32> entries;   // entry indices
};

// Lanes from each entry's block (NO_BLOCK for none), in archive order.
std::vector<CExtractLane> PlanLanes(const UINT32* pFileToFolder, UINT32 nFiles);

// A new path buffer for codes 5 and 6 (see NOTIFY_PATH_CHARS); null without memory.
wchar_t* NewNotifyPath(const std::wstring& strPath);
