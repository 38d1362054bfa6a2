#include "engine/install_journal.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <cwctype>
#include <unordered_set>

#include "engine/directory.h"
#include "engine/owners.h"

namespace {

std::wstring WithoutBackslash(const std::wstring& strDir)
{
    return (!strDir.empty() && strDir.back() == L'\\') ? strDir.substr(0, strDir.size() - 1) : strDir;
}

std::wstring LowerCase(const std::wstring& str)
{
    std::wstring strLower = str;
    for (wchar_t& ch : strLower)
        ch = static_cast<wchar_t>(std::towlower(ch));
    return strLower;
}

bool Exists(const std::wstring& strPath)
{
    return ::GetFileAttributesW(strPath.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool IsFolder(const std::wstring& strPath)
{
    const DWORD dwAttributes = ::GetFileAttributesW(strPath.c_str());
    return dwAttributes != INVALID_FILE_ATTRIBUTES && (dwAttributes & FILE_ATTRIBUTE_DIRECTORY);
}

// A file the installation gave read-only or hidden attributes refuses
// deletion and replacement until they are cleared.
bool DeleteOwnFile(const std::wstring& strPath)
{
    if (::DeleteFileW(strPath.c_str()))
        return true;
    // A file announced but never made, where a folder stands: not ours.
    if (IsFolder(strPath))
        return true;
    ::SetFileAttributesW(strPath.c_str(), FILE_ATTRIBUTE_NORMAL);
    return ::DeleteFileW(strPath.c_str()) || !Exists(strPath);
}

// A text value under HKLM\<strKey> (pszName: PENDING_JOURNAL_VALUE or
// PENDING_FOLDERS_VALUE), the key made when missing.
void SetPendingText(const std::wstring& strKey, const wchar_t* pszName, const std::wstring& strText)
{
    CRegistryKey key;
    if (strKey.empty() || key.Create(HKEY_LOCAL_MACHINE, strKey.c_str(), KEY_SET_VALUE) != ERROR_SUCCESS)
        return;
    ::RegSetValueExW(key, pszName, 0, REG_SZ, reinterpret_cast<const BYTE*>(strText.c_str()),
                     static_cast<DWORD>((strText.size() + 1) * sizeof(wchar_t)));
}

// False when the value is missing, empty or not text.
bool ReadPendingText(const std::wstring& strKey, const wchar_t* pszName, std::wstring* pText)
{
    pText->clear();
    CRegistryKey key;
    if (strKey.empty() || key.Open(HKEY_LOCAL_MACHINE, strKey.c_str(), KEY_QUERY_VALUE) != ERROR_SUCCESS)
        return false;
    DWORD cbData = 0;
    DWORD dwType = REG_NONE;
    if (::RegQueryValueExW(key, pszName, nullptr, &dwType, nullptr, &cbData) != ERROR_SUCCESS || dwType != REG_SZ)
        return false;
    std::vector<wchar_t> text(cbData / sizeof(wchar_t) + 1, L'\0');   // stored without its NUL, it still ends
    if (::RegQueryValueExW(key, pszName, nullptr, &dwType, reinterpret_cast<BYTE*>(text.data()), &cbData)
        != ERROR_SUCCESS)
        return false;
    *pText = text.data();
    return !pText->empty();
}

void DeletePendingValue(const std::wstring& strKey)
{
    CRegistryKey key;
    if (!strKey.empty() && key.Open(HKEY_LOCAL_MACHINE, strKey.c_str(), KEY_SET_VALUE) == ERROR_SUCCESS) {
        ::RegDeleteValueW(key, PENDING_FOLDERS_VALUE);
        ::RegDeleteValueW(key, PENDING_JOURNAL_VALUE);
    }
}

// The folders strPath needs that are not there, shortest first.
std::vector<std::wstring> MissingFolders(std::wstring strPath)
{
    std::vector<std::wstring> missing;
    while (!strPath.empty() && !Exists(strPath)) {
        missing.insert(missing.begin(), strPath);
        const size_t nSlash = strPath.rfind(L'\\');
        if (nSlash == std::wstring::npos || nSlash <= 2)
            break;   // a drive's root
        strPath.resize(nSlash);
    }
    return missing;
}

// The parents a killed run was making, removed deepest first where empty:
// they were missing when the run wrote them down, and what someone put in
// them since keeps them.
void RemovePendingFolders(const std::wstring& strKey)
{
    std::wstring strFolders;
    if (!ReadPendingText(strKey, PENDING_FOLDERS_VALUE, &strFolders))
        return;
    for (size_t nEnd = strFolders.size(); nEnd != std::wstring::npos && nEnd > 0;) {
        const size_t nSeparator = strFolders.rfind(PENDING_FOLDERS_SEPARATOR, nEnd - 1);
        const size_t nStart = nSeparator == std::wstring::npos ? 0 : nSeparator + 1;
        ::RemoveDirectoryW(strFolders.substr(nStart, nEnd - nStart).c_str());
        nEnd = nSeparator;
    }
}

std::string JournalLine(const JournalChange& change)
{
    std::string strLine(1, static_cast<char>(change.kind));
    strLine += ' ';
    strLine += ToUtf8(change.strPath);
    if (change.kind == InstallRecordKind::ReplacedFile)
        strLine += '\t' + ToUtf8(change.strAside);
    return strLine + "\r\n";
}

// Renames the file strFrom to strTo, where nothing stands, through a handle
// on it: a rename on the same volume never copies the bytes, and the names
// are looked up once each (MoveFileEx opens the target as well, a round
// trip of its own per file under Wine).
bool RenameFile(const std::wstring& strFrom, const std::wstring& strTo)
{
    const HANDLE hFile = ::CreateFileW(strFrom.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                       nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (hFile == INVALID_HANDLE_VALUE)
        return false;
    const size_t cbName = strTo.size() * sizeof(wchar_t);
    std::vector<BYTE> info(offsetof(FILE_RENAME_INFO, FileName) + cbName + sizeof(wchar_t));
    FILE_RENAME_INFO* pInfo = reinterpret_cast<FILE_RENAME_INFO*>(info.data());
    pInfo->FileNameLength = static_cast<DWORD>(cbName);
    std::memcpy(pInfo->FileName, strTo.c_str(), cbName);
    const bool bRenamed =
        ::SetFileInformationByHandle(hFile, FileRenameInfo, pInfo, static_cast<DWORD>(info.size())) != FALSE;
    const DWORD dwError = ::GetLastError();
    ::CloseHandle(hFile);
    ::SetLastError(dwError);
    return bRenamed;
}

std::wstring ParentOf(const std::wstring& strPath)
{
    return strPath.substr(0, strPath.rfind(L'\\'));
}

// The aside folder and its subfolders, once emptied; one that still holds a
// file stays.
void RemoveAsideFolders(const JournalContent& content)
{
    std::wstring strLast;
    for (const JournalChange& change : content.changes) {
        if (change.kind != InstallRecordKind::ReplacedFile)
            continue;
        std::wstring strParent = ParentOf(change.strAside);
        if (strParent != strLast && strParent != content.strAsideDir)
            ::RemoveDirectoryW(strParent.c_str());
        strLast = std::move(strParent);
    }
    ::RemoveDirectoryW(content.strAsideDir.c_str());
}

// The journal and the aside folder are gone once nothing is left to undo.
void RemoveJournalFiles(const JournalContent& content, const std::wstring& strJournalPath)
{
    ::DeleteFileW(strJournalPath.c_str());
    RemoveAsideFolders(content);
}

}  // namespace

std::wstring GetJournalPath(const std::wstring& strInstallDir)
{
    return WithoutBackslash(strInstallDir) + INSTALL_JOURNAL_SUFFIX;
}

std::wstring GetAsideDir(const std::wstring& strInstallDir)
{
    return WithoutBackslash(strInstallDir) + INSTALL_ASIDE_SUFFIX;
}

bool ParseInstallJournal(const std::string& strText, JournalContent* pContent)
{
    *pContent = JournalContent();
    std::vector<std::string> lines;
    size_t nStart = 0;
    for (;;) {
        const size_t nEnd = strText.find("\r\n", nStart);
        if (nEnd == std::string::npos)
            break;   // what follows the last line end was cut by a kill: not done yet
        lines.push_back(strText.substr(nStart, nEnd - nStart));
        nStart = nEnd + 2;
    }
    if (lines.size() < 3 || lines[0] != INSTALL_JOURNAL_HEADER || lines[1].compare(0, 2, "I ") != 0
        || lines[2].compare(0, 2, "A ") != 0)
        return false;
    if (!FromUtf8(lines[1].substr(2), &pContent->strInstallDir) || !FromUtf8(lines[2].substr(2), &pContent->strAsideDir))
        return false;
    for (size_t i = 3; i < lines.size(); ++i) {
        const std::string& strLine = lines[i];
        if (strLine == INSTALL_JOURNAL_COMMIT) {
            pContent->bCommitted = true;
            continue;
        }
        if (strLine.size() < 3 || strLine[1] != ' ')
            return false;
        JournalChange change{static_cast<InstallRecordKind>(strLine[0]), std::wstring(), std::wstring()};
        std::string strPath = strLine.substr(2);
        switch (change.kind) {
        case InstallRecordKind::ReplacedFile: {
            const size_t nTab = strPath.find('\t');
            if (nTab == std::string::npos)
                return false;
            if (!FromUtf8(strPath.substr(nTab + 1), &change.strAside))
                return false;
            strPath.resize(nTab);
            break;
        }
        case InstallRecordKind::CreatedFile:
        case InstallRecordKind::CreatedFolder:
            break;
        default:
            return false;
        }
        if (!FromUtf8(strPath, &change.strPath))
            return false;
        pContent->changes.push_back(std::move(change));
    }
    return true;
}

bool UndoJournalChanges(const JournalContent& content, std::wstring* pFailedPath)
{
    pFailedPath->clear();
    if (content.bCommitted) {
        // The new files stay; the old ones were only kept for an undo.
        for (const JournalChange& change : content.changes) {
            if (change.kind == InstallRecordKind::ReplacedFile)
                DeleteOwnFile(change.strAside);
        }
        return true;
    }
    // A record being written when the run ended: ours by its name.
    DeleteOwnFile(GetInstallRecordPath(content.strInstallDir) + INSTALL_RECORD_TEMP_SUFFIX);
    const std::wstring strJournal = GetJournalPath(content.strInstallDir);
    const std::wstring strJournalDir = strJournal.substr(0, strJournal.rfind(L'\\'));
    bool bAll = true;
    auto fail = [&](const std::wstring& strPath) {
        if (bAll)
            *pFailedPath = strPath;
        bAll = false;
    };
    // A file announced as created but found made by another program, and
    // then replaced, comes back through its later "R" line, not deleted.
    std::unordered_set<std::wstring> restored;
    std::vector<const std::wstring*> folders;
    for (auto it = content.changes.rbegin(); it != content.changes.rend(); ++it) {
        switch (it->kind) {
        case InstallRecordKind::CreatedFile:
            if (restored.count(LowerCase(it->strPath)) == 0 && !DeleteOwnFile(it->strPath))
                fail(it->strPath);
            break;
        case InstallRecordKind::ReplacedFile:
            restored.insert(LowerCase(it->strPath));
            // Without its aside, the original was never moved: it stands there still.
            if (Exists(it->strAside)) {
                ::SetFileAttributesW(it->strPath.c_str(), FILE_ATTRIBUTE_NORMAL);
                if (!::MoveFileExW(it->strAside.c_str(), it->strPath.c_str(), MOVEFILE_REPLACE_EXISTING))
                    fail(it->strPath);
            }
            break;
        case InstallRecordKind::CreatedFolder:
            folders.push_back(&it->strPath);
            break;
        }
    }
    // The folders once their files are gone, deepest first: two lanes may
    // both have written a folder down, the second line after the first
    // lane's subfolders, so journal order does not nest.
    std::stable_sort(folders.begin(), folders.end(), [](const std::wstring* pA, const std::wstring* pB) {
        return std::count(pA->begin(), pA->end(), L'\\') > std::count(pB->begin(), pB->end(), L'\\');
    });
    for (const std::wstring* pFolder : folders) {
        // The install folder's parent, made by the run, holds the
        // journal: it goes first, its content is known by now.
        if (::_wcsicmp(pFolder->c_str(), strJournalDir.c_str()) == 0) {
            ::DeleteFileW(strJournal.c_str());
            RemoveAsideFolders(content);
        }
        if (!::RemoveDirectoryW(pFolder->c_str()) && Exists(*pFolder))
            fail(*pFolder);
    }
    return bAll;
}

CInstallJournal::CInstallJournal() = default;

CInstallJournal::~CInstallJournal()
{
    Close();
}

bool CInstallJournal::Begin(const std::wstring& strInstallDir, const std::wstring& strPendingKey)
{
    m_content = JournalContent();
    m_content.strInstallDir = strInstallDir;
    // A folder of that name already there (not ours, or left by a run whose
    // journal is gone) is never mixed with this run's old copies.
    m_content.strAsideDir = GetAsideDir(strInstallDir);
    for (int n = 2; Exists(m_content.strAsideDir); ++n)
        m_content.strAsideDir = GetAsideDir(strInstallDir) + L"-" + DecimalDigits(n);
    m_strJournalPath = GetJournalPath(strInstallDir);
    m_strPendingKey = strPendingKey;
    m_bFolderMissing = false;
    m_bBroken = false;

    // Named before it exists: a kill in between leaves a name without a
    // journal, which the next start simply forgets.
    if (!m_strPendingKey.empty())
        SetPendingText(m_strPendingKey, PENDING_JOURNAL_VALUE, m_strJournalPath);

    // The journal lies in the folder's parent: the parents come first,
    // journaled as soon as the journal is there, and named under the
    // pending key before they are made.
    const std::wstring strFolder = WithoutBackslash(strInstallDir);
    std::vector<std::wstring> parentsMade;
    const size_t nLastSlash = strFolder.rfind(L'\\');
    if (nLastSlash != std::wstring::npos && nLastSlash > 2) {
        std::wstring strMissing;
        for (const std::wstring& strMissingFolder : MissingFolders(strFolder.substr(0, nLastSlash)))
            strMissing += (strMissing.empty() ? L"" : std::wstring(1, PENDING_FOLDERS_SEPARATOR)) + strMissingFolder;
        if (!strMissing.empty())
            SetPendingText(m_strPendingKey, PENDING_FOLDERS_VALUE, strMissing);
        std::vector<CString> made;
        CreateDirectoryPath(CString(strFolder.substr(0, nLastSlash).c_str()), &made);
        for (const CString& strMade : made)
            parentsMade.push_back(strMade.str());
    }
    m_hFile = ::CreateFileW(m_strJournalPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
    bool bStarted = m_hFile != INVALID_HANDLE_VALUE;
    if (bStarted) {
        CSRWLockGuard hold(m_lock);
        bStarted = WriteLocked(std::string(INSTALL_JOURNAL_HEADER) + "\r\nI " + ToUtf8(strInstallDir) + "\r\nA "
                                   + ToUtf8(m_content.strAsideDir) + "\r\n",
                               false);
        for (const std::wstring& strParent : parentsMade)
            bStarted = bStarted && JournalLocked({InstallRecordKind::CreatedFolder, strParent, std::wstring()}, false);
    }
    if (!bStarted) {
        // Its parent missing, the folder could not have been made either.
        m_bFolderMissing = !Exists(m_strJournalPath.substr(0, m_strJournalPath.rfind(L'\\')));
        const bool bOpened = m_hFile != INVALID_HANDLE_VALUE;
        Close();
        if (bOpened)
            ::DeleteFileW(m_strJournalPath.c_str());
        for (auto it = parentsMade.rbegin(); it != parentsMade.rend(); ++it)
            ::RemoveDirectoryW(it->c_str());
        DeletePendingValue(m_strPendingKey);
        return false;
    }
    CreateFolder(strFolder);
    if (!Exists(strFolder)) {
        m_bFolderMissing = true;
        std::wstring strIgnored;
        RollBack(&strIgnored);
        return false;
    }
    return true;
}

bool CInstallJournal::WriteLocked(const std::string& strText, bool bFlush)
{
    DWORD nWritten = 0;
    m_bBroken = m_bBroken || m_hFile == INVALID_HANDLE_VALUE
        || !::WriteFile(m_hFile, strText.data(), static_cast<DWORD>(strText.size()), &nWritten, nullptr)
        || nWritten != strText.size() || (bFlush && !::FlushFileBuffers(m_hFile));
    return !m_bBroken;
}

bool CInstallJournal::JournalLocked(const JournalChange& change, bool bFlush)
{
    if (!WriteLocked(JournalLine(change), bFlush))
        return false;
    m_content.changes.push_back(change);
    return true;
}

bool CInstallJournal::Journal(const JournalChange& change, bool bFlush)
{
    CSRWLockGuard hold(m_lock);
    return JournalLocked(change, bFlush);
}

std::wstring CInstallJournal::NextAsideLocked()
{
    const LONG nAside = ++m_nAside;
    return m_content.strAsideDir + L"\\" + DecimalDigits(nAside / ASIDE_FILES_PER_FOLDER) + L"\\"
        + DecimalDigits(nAside);
}

void CInstallJournal::Close()
{
    if (m_hFile != INVALID_HANDLE_VALUE) {
        ::CloseHandle(m_hFile);
        m_hFile = INVALID_HANDLE_VALUE;
    }
}

bool CInstallJournal::PrepareReplacements(const std::vector<std::wstring>& paths)
{
    CSRWLockGuard hold(m_lock);
    std::string strLines;
    std::vector<CPathState*> prepared;   // elements of an unordered_map stay where they are
    // A folder found missing holds none of the files that follow it in
    // archive order: a fresh installation asks once per folder, not per file.
    std::wstring strMissingDir;
    for (const std::wstring& strPath : paths) {
        std::wstring strDir = ParentOf(strPath);
        if (strDir == strMissingDir)
            continue;
        const DWORD dwAttributes = ::GetFileAttributesW(strPath.c_str());
        if (dwAttributes == INVALID_FILE_ATTRIBUTES && ::GetLastError() == ERROR_PATH_NOT_FOUND)
            strMissingDir = std::move(strDir);
        if (dwAttributes == INVALID_FILE_ATTRIBUTES || (dwAttributes & FILE_ATTRIBUTE_DIRECTORY))
            continue;   // created, or refused, when its turn comes
        CPathState& path = m_paths[LowerCase(strPath)];
        if (path.state != PathState::Free || !path.strAside.empty())
            continue;   // met before
        path.strAside = NextAsideLocked();
        strLines += JournalLine({InstallRecordKind::ReplacedFile, strPath, path.strAside});
        prepared.push_back(&path);
    }
    if (WriteLocked(strLines, true))
        return true;
    for (CPathState* pPath : prepared)
        pPath->strAside.clear();
    return false;
}

void CInstallJournal::SettlePath(const std::wstring& strKey, PathState state)
{
    CSRWLockGuard hold(m_lock);
    m_paths[strKey].state = state;
}

HANDLE CInstallJournal::CreateOutputFile(const std::wstring& strPath)
{
    const std::wstring strKey = LowerCase(strPath);
    // A name another lane is taking over right now waits for it: the
    // journal must see the first writer's change before the second's.
    std::wstring strPreparedAside;
    for (;;) {
        PathState state = PathState::Free;
        {
            CSRWLockGuard hold(m_lock);
            CPathState& path = m_paths[strKey];
            state = path.state;
            if (state == PathState::Free) {
                path.state = PathState::Pending;
                strPreparedAside = path.strAside;
                break;
            }
        }
        if (state == PathState::Ours)
            return ::CreateFileW(strPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
        ::Sleep(1);
    }

    // A file there when the run was prepared is moved aside without asking
    // first; one gone since is created like any new file.
    if (!strPreparedAside.empty()) {
        if (MoveAside(strPath, strPreparedAside))
            return CreateAfterMove(strKey, strPath);
        const DWORD dwError = ::GetLastError();
        if (dwError != ERROR_FILE_NOT_FOUND) {
            SettlePath(strKey, PathState::Free);
            ::SetLastError(dwError);
            return INVALID_HANDLE_VALUE;
        }
    }
    // Written down before it is made: a kill right after the creation finds
    // it in the journal, and a line for a file never made costs the undo
    // nothing.
    if (!Journal({InstallRecordKind::CreatedFile, strPath, std::wstring()}, false)) {
        SettlePath(strKey, PathState::Free);   // a later attempt starts over
        ::SetLastError(ERROR_WRITE_FAULT);
        return INVALID_HANDLE_VALUE;
    }
    HANDLE hFile = ::CreateFileW(strPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
    if (hFile != INVALID_HANDLE_VALUE) {
        SettlePath(strKey, PathState::Ours);
        return hFile;
    }
    DWORD dwFailure = ::GetLastError();
    if (dwFailure == ERROR_FILE_EXISTS || dwFailure == ERROR_ALREADY_EXISTS) {
        // Made by another program since the preparation: taken over, and the
        // later "R" line tells the undo to bring it back instead of deleting
        // it. A folder is never moved aside, with whatever it holds: the
        // entry fails.
        if (IsFolder(strPath))
            dwFailure = ERROR_ACCESS_DENIED;
        else if (MoveAside(strPath, std::wstring()))
            return CreateAfterMove(strKey, strPath);
        else
            dwFailure = ::GetLastError();
    }
    SettlePath(strKey, PathState::Free);
    ::SetLastError(dwFailure);
    return INVALID_HANDLE_VALUE;
}

HANDLE CInstallJournal::CreateAfterMove(const std::wstring& strKey, const std::wstring& strPath)
{
    SettlePath(strKey, PathState::Ours);
    // The name is free now: created anew, never opened over something else.
    return ::CreateFileW(strPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                         nullptr);
}

void CInstallJournal::CreateFolder(const std::wstring& strPath)
{
    // Written down before it is made, as a file is; unwritten, it is not
    // made, and the files inside fail to be created: the run fails.
    if (Exists(strPath) || !Journal({InstallRecordKind::CreatedFolder, strPath, std::wstring()}, false))
        return;
    ::CreateDirectoryW(strPath.c_str(), nullptr);
}

bool CInstallJournal::MoveAside(const std::wstring& strPath, const std::wstring& strPreparedAside)
{
    JournalChange change{InstallRecordKind::ReplacedFile, strPath, strPreparedAside};
    {
        CSRWLockGuard hold(m_lock);
        if (!m_bAsideMade)
            m_bAsideMade = ::CreateDirectoryW(m_content.strAsideDir.c_str(), nullptr) != FALSE;
        if (change.strAside.empty())
            change.strAside = NextAsideLocked();
        // A prepared line is on disk already; another reaches it before the move.
        if (m_bBroken || (strPreparedAside.empty() && !WriteLocked(JournalLine(change), true))) {
            ::SetLastError(ERROR_WRITE_FAULT);
            return false;
        }
    }
    // The subfolder is made by whichever lane first needs it (another lane
    // may make it in between: tried again either way).
    bool bMoved = RenameFile(strPath, change.strAside);
    if (!bMoved) {
        ::CreateDirectoryW(ParentOf(change.strAside).c_str(), nullptr);
        bMoved = RenameFile(strPath, change.strAside);
    }
    if (bMoved) {
        CSRWLockGuard hold(m_lock);
        m_content.changes.push_back(std::move(change));
    }
    return bMoved;
}

bool CInstallJournal::TakeOver(const std::wstring& strPath)
{
    const DWORD dwAttributes = ::GetFileAttributesW(strPath.c_str());
    if (dwAttributes != INVALID_FILE_ATTRIBUTES) {
        if (dwAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            ::SetLastError(ERROR_ACCESS_DENIED);   // a folder is never moved aside
            return false;
        }
        return MoveAside(strPath, std::wstring());
    }
    if (!Journal({InstallRecordKind::CreatedFile, strPath, std::wstring()}, false)) {
        ::SetLastError(ERROR_WRITE_FAULT);
        return false;
    }
    return true;
}

bool CInstallJournal::Commit(std::wstring* pFailedPath)
{
    pFailedPath->clear();
    const std::wstring& strDir = m_content.strInstallDir;
    std::vector<InstallRecordEntry> previous;
    ReadInstallRecord(strDir, &previous);
    const std::wstring strRecord = GetInstallRecordPath(strDir);
    if (!TakeOver(strRecord) || !WriteInstallRecord(strDir, MergeInstallRecord(previous, GetRecordEntries()))) {
        *pFailedPath = strRecord;
        return false;
    }
    bool bMarked = false;
    {
        CSRWLockGuard hold(m_lock);
        bMarked = WriteLocked(std::string(INSTALL_JOURNAL_COMMIT) + "\r\n", true);
    }
    if (!bMarked) {
        *pFailedPath = m_strJournalPath;
        return false;
    }
    m_content.bCommitted = true;
    Close();
    std::wstring strIgnored;
    UndoJournalChanges(m_content, &strIgnored);   // committed: deletes the old files only
    Forget();
    return true;
}

bool CInstallJournal::RollBack(std::wstring* pFailedPath)
{
    Close();
    if (!UndoJournalChanges(m_content, pFailedPath))
        return false;   // the journal stays: the next start tries again
    Forget();
    return true;
}

void CInstallJournal::Forget()
{
    RemoveJournalFiles(m_content, m_strJournalPath);
    DeletePendingValue(m_strPendingKey);
}

std::vector<InstallRecordEntry> CInstallJournal::GetRecordEntries() const
{
    std::vector<InstallRecordEntry> entries;
    entries.reserve(m_content.changes.size());
    for (const JournalChange& change : m_content.changes)
        entries.push_back({change.kind, change.strPath});
    return entries;
}

bool RecoverInterruptedInstall(const std::wstring& strPendingKey, std::wstring* pFailedPath)
{
    pFailedPath->clear();
    std::wstring strJournal;
    if (!ReadPendingText(strPendingKey, PENDING_JOURNAL_VALUE, &strJournal))
        return true;
    std::string strText;
    JournalContent content;
    // Without a journal, or with one cut before its first change, nothing was
    // changed but the parents made for it.
    if (ReadWholeFile(strJournal, &strText) && ParseInstallJournal(strText, &content)) {
        if (!UndoJournalChanges(content, pFailedPath))
            return false;
        RemoveJournalFiles(content, strJournal);
    } else {
        ::DeleteFileW(strJournal.c_str());
    }
    if (!content.bCommitted)
        RemovePendingFolders(strPendingKey);
    DeletePendingValue(strPendingKey);
    return true;
}
