// install_journal.h: what one installation run changed, written down before
// each change, so that a failed, stopped or killed run can be undone: files and folders it created are
// removed, files it replaced come back byte for byte.
//
//   CInstallJournal journal;
//   if (!journal.Begin(strInstallDir, strPendingKey))   // creates the folder, journaled
//       ...;                                            // nothing was changed
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
// change it announced had not been made yet; a whole line may announce a
// creation never made, which the undo passes over.
#pragma once
#include <windows.h>
#include <string>
#include <unordered_map>
#include <vector>

#include "engine/install_record.h"

constexpr const wchar_t INSTALL_JOURNAL_SUFFIX[] = L".vlsetup-journal";
constexpr const wchar_t INSTALL_ASIDE_SUFFIX[] = L".vlsetup-aside";
// The value (REG_SZ, the journal's path) under the pending key while a run is open.
constexpr const wchar_t PENDING_JOURNAL_VALUE[] = L"PendingJournal";
constexpr const char INSTALL_JOURNAL_HEADER[] = "VLSetup install journal 1";
constexpr const char INSTALL_JOURNAL_COMMIT[] = "commit";
// Replaced files per subfolder of the aside folder: a name looked up in a
// folder of thousands (every move aside) costs a scan of the folder.
constexpr LONG ASIDE_FILES_PER_FOLDER = 256;

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

    // Opens strPath for writing, as CREATE_ALWAYS would: a file that was
    // there is first journaled and moved aside; a new one is journaled
    // before it is created. A path met again is our own file and is simply overwritten.
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
    enum class PathState : char { Pending, Ours };

    bool Journal(const JournalChange& change);   // written down, then kept in m_content
    bool Append(const std::string& strLine);
    void Close();
    void Forget();   // removes the journal, the aside folder and the pending value

    CRITICAL_SECTION m_lock;
    HANDLE m_hFile = INVALID_HANDLE_VALUE;
    JournalContent m_content;
    std::wstring m_strJournalPath;
    std::wstring m_strPendingKey;
    std::unordered_map<std::wstring, PathState> m_paths;   // lower case; under m_lock
    LONG m_nAside = 0;
    bool m_bAsideMade = false;   // under m_lock
    bool m_bFolderMissing = false;
};

// At start-up, before anything else: a run the pending value under
// HKLM\<strPendingKey> names was killed; it is undone (or its commit
// finished). Nothing: true. False with the path that could not be put back;
// the journal then stays for the next start.
bool RecoverInterruptedInstall(const std::wstring& strPendingKey, std::wstring* pFailedPath);
