// install_journal.h: what one installation run changed, written down before
// each change, so that a failed, stopped or killed run can be undone: files and folders it created are
// removed, files it replaced come back byte for byte.
//
//   CInstallJournal journal;
//   if (!journal.Begin(strInstallDir, strPendingKey))   // creates the folder, journaled
//       ...;                                            // nothing was changed
//   journal.PrepareReplacements(targets);               // one flushed write for all
//   HANDLE h = journal.CreateOutputFile(strTarget);     // from any thread
//   journal.CreateFolder(strFolder);
//   ...
//   journal.Commit();      // success: the record is written, the old files go
//   journal.RollBack();    // otherwise: the folder as it was
//
// The journal lies beside the install folder (<folder><INSTALL_JOURNAL_SUFFIX>),
// the replaced files in a folder beside it (<folder><INSTALL_ASIDE_SUFFIX>,
// numbered "-2", "-3"... when that name is taken),
// moved there, not copied: the same volume, one rename each. A value under
// the product's key names the journal while a run is open, so the next
// start finds it whatever the folder (RecoverInterruptedInstall).
//
// The journal is UTF-8 lines: a version line, "I <install folder>",
// "A <aside folder>", then one line per change: "D <folder>" created,
// "F <file>" created, "R <file>\t<aside>" replaced (moved to <aside>, in a
// numbered subfolder of the aside folder), and
// "commit" once the run succeeded. A line cut by a kill is ignored: the
// change it announced had not been made yet.
//
// Every line is written before its change: a kill leaves nothing the undo
// does not know. A line may announce a change never made (a creation, or
// a move whose aside does not exist): the undo passes it over. What the
// undo needs before a change becomes unrecoverable is on disk first: the
// "R" line of a file is flushed before the file is moved, for the files a
// run will replace all at once (PrepareReplacements), so a run costs one
// flush, not one per file. "F" and "D" lines get no flush of their own
// (they reach the disk with the next flush or the commit's): a power cut
// may lose them and leave files the run created, never the old files it
// moved aside.
#pragma once
#include <windows.h>
#include <string>
#include <unordered_map>
#include <vector>

#include "afx/afxmt.h"
#include "engine/install_record.h"

constexpr const wchar_t INSTALL_JOURNAL_SUFFIX[] = L".vlsetup-journal";
constexpr const wchar_t INSTALL_ASIDE_SUFFIX[] = L".vlsetup-aside";
// The value (REG_SZ, the journal's path) under the pending key while a run is open.
constexpr const wchar_t PENDING_JOURNAL_VALUE[] = L"PendingJournal";
// Beside it, the install folder's missing parents (REG_SZ, shortest first,
// separated by PENDING_FOLDERS_SEPARATOR), written before they are made:
// the journal lies in the last of them, so a kill before it holds their
// lines would leave them otherwise.
constexpr const wchar_t PENDING_FOLDERS_VALUE[] = L"PendingFolders";
constexpr wchar_t PENDING_FOLDERS_SEPARATOR = L'|';   // no path holds it
constexpr const char INSTALL_JOURNAL_HEADER[] = "VLSetup install journal 1";
constexpr const char INSTALL_JOURNAL_COMMIT[] = "commit";
// Replaced files per subfolder of the aside folder: a name not there yet
// (every move aside) is looked up by a scan of the folder under Wine.
constexpr LONG ASIDE_FILES_PER_FOLDER = 64;

// One change of a run, in journal order.
struct JournalChange
{
    InstallRecordKind kind;
    std::wstring strPath;
    std::wstring strAside;   // ReplacedFile: where the original went
};

// A journal's content.
struct JournalContent
{
    std::wstring strInstallDir;   // ends with a backslash
    std::wstring strAsideDir;     // without a trailing backslash
    std::vector<JournalChange> changes;
    bool bCommitted = false;
};

// Reads journal text; lines after a cut one, or a text without its header,
// I and A lines, give false.
bool ParseInstallJournal(const std::string& strText, JournalContent* pContent);

// Undoes the changes in reverse order: created files deleted, replaced files
// moved back over what stands there, created folders removed. Every change
// is tried; false and the first path that could not be put back when any
// failed. A committed journal undoes nothing: its moved-aside files are
// deleted instead.
bool UndoJournalChanges(const JournalContent& content, std::wstring* pFailedPath);

// <folder without its backslash><suffix>.
std::wstring GetJournalPath(const std::wstring& strInstallDir);
std::wstring GetAsideDir(const std::wstring& strInstallDir);

class CInstallJournal
{
public:
    CInstallJournal();
    ~CInstallJournal();
    CInstallJournal(const CInstallJournal&) = delete;
    CInstallJournal& operator=(const CInstallJournal&) = delete;

    // Names the journal under HKLM\<strPendingKey> (none when empty), opens
    // it and creates the install folder with its missing parents, each
    // journaled. False when the journal could not be written (nothing of
    // ours stays) or the folder could not be made (undone already;
    // FolderMissing() then tells).
    bool Begin(const std::wstring& strInstallDir, const std::wstring& strPendingKey);
    bool FolderMissing() const { return m_bFolderMissing; }

    // Before the files are written: every path of paths that exists is
    // given its place in the aside folder and journaled as replaced, in one
    // write and one flush. Called once, before any CreateOutputFile. False
    // when the journal could not be written (no later change can be then).
    bool PrepareReplacements(const std::vector<std::wstring>& paths);

    // Opens strPath for writing, as CREATE_ALWAYS would: a file that was
    // there is first journaled (unless prepared) and moved aside; a new one
    // is journaled before it is created. A path met again is our own file
    // and is simply overwritten.
    // INVALID_HANDLE_VALUE with the last error set on failure.
    HANDLE CreateOutputFile(const std::wstring& strPath);

    // CreateDirectoryW of a folder not there, journaled before it is made.
    void CreateFolder(const std::wstring& strPath);

    // Takes strPath over for writing by other means (the record): moved
    // aside when it exists, journaled either way. False when it could not be.
    bool TakeOver(const std::wstring& strPath);

    // Success: the record (previous entries plus this run's) written and
    // the run marked committed, then the moved-aside files, the journal and
    // the pending value removed. False, with the path, when the record or
    // the commit mark could not be written: the run is still undoable.
    bool Commit(std::wstring* pFailedPath);

    // Undoes the run and removes the journal and the pending value; on a
    // failure both stay for the next start, and the path is given.
    bool RollBack(std::wstring* pFailedPath);

    // This run's changes as record entries, in journal order.
    std::vector<InstallRecordEntry> GetRecordEntries() const;

private:
    enum class PathState : char { Free, Pending, Ours };
    struct CPathState
    {
        PathState state = PathState::Free;
        std::wstring strAside;   // prepared: journaled already
    };

    // Written down (and flushed when bFlush), then kept in m_content; m_lock held.
    bool JournalLocked(const JournalChange& change, bool bFlush);
    bool Journal(const JournalChange& change, bool bFlush);
    // m_lock held. After a failed or short write nothing more is written: a
    // line after a cut one would make the whole journal unreadable.
    bool WriteLocked(const std::string& strText, bool bFlush);
    std::wstring NextAsideLocked();
    // The file at strPath moved to its aside (the next free one when none
    // was prepared, its line flushed first); kept in m_content once moved.
    bool MoveAside(const std::wstring& strPath, const std::wstring& strPreparedAside);
    HANDLE CreateAfterMove(const std::wstring& strKey, const std::wstring& strPath);
    void SettlePath(const std::wstring& strKey, PathState state);
    void Close();
    void Forget();   // removes the journal, the aside folder and the pending value

    CSRWLock m_lock;
    HANDLE m_hFile = INVALID_HANDLE_VALUE;   // under m_lock while the lanes run
    bool m_bBroken = false;                  // under m_lock
    JournalContent m_content;                // changes under m_lock
    std::wstring m_strJournalPath;
    std::wstring m_strPendingKey;
    std::unordered_map<std::wstring, CPathState> m_paths;   // lower case; under m_lock
    LONG m_nAside = 0;           // under m_lock
    bool m_bAsideMade = false;   // under m_lock
    bool m_bFolderMissing = false;
};

// At start-up, before anything else: a run the pending value under
// HKLM\<strPendingKey> names was killed; it is undone (or its commit
// finished), and the parents it made for the install folder are removed
// when empty. Nothing: true. False with the path that could not be put back;
// the journal then stays for the next start.
bool RecoverInterruptedInstall(const std::wstring& strPendingKey, std::wstring* pFailedPath);
