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
//
// Inside the engine the work is split: extract_rules.h (the rules on entry
// names, without files or threads), extract_stage.h (the staged archive),
// extract_lanes.h (the blocks unpacked at once).
#pragma once
#include <windows.h>
#include <atomic>
#include <string>

#include "engine/owners.h"

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

// ExtractJob::nStopAfterFiles when no stop is planned.
constexpr UINT32 NO_STOP_AFTER_FILES = 0xFFFFFFFF;

// ExtractJob::nFinalCode before the worker set one.
constexpr WPARAM NO_FINAL_CODE_YET = ~static_cast<WPARAM>(0);

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

// Deletes the staged archives an installer that was killed left in
// GetTempPathW's folder, when it has one; other files are never touched.
// Only one installer runs at a time, so at start-up none of them is in use.
// Returns how many were deleted.
UINT RemoveLeftStagedArchives();

// Fills the job and starts the worker on it; reports nothing itself.
// False when the thread could not be started: no final code will come, the
// caller ends the run with INSTALL_ERR_THREAD. strPendingKey: see ExtractJob.
bool StartExtraction(HWND hNotifyWnd, std::wstring strAppDir, std::wstring strDataDir, ExtractJob* pJob,
                     std::wstring strPendingKey = std::wstring());
