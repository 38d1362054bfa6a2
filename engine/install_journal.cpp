#include "engine/install_journal.h"

#include <algorithm>
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

// A file the installation gave read-only or hidden attributes refuses
// deletion and replacement until they are cleared.
bool DeleteOwnFile(const std::wstring& strPath)
{
    if (::DeleteFileW(strPath.c_str()))
        return true;
    ::SetFileAttributesW(strPath.c_str(), FILE_ATTRIBUTE_NORMAL);
    return ::DeleteFileW(strPath.c_str()) || !Exists(strPath);
}

void SetPendingValue(const std::wstring& strKey, const std::wstring& strJournal)
{
    CRegistryKey key;
    if (key.Create(HKEY_LOCAL_MACHINE, strKey.c_str(), KEY_SET_VALUE) != ERROR_SUCCESS)
        return;
    ::RegSetValueExW(key, PENDING_JOURNAL_VALUE, 0, REG_SZ, reinterpret_cast<const BYTE*>(strJournal.c_str()),
                     static_cast<DWORD>((strJournal.size() + 1) * sizeof(wchar_t)));
}

bool ReadPendingValue(const std::wstring& strKey, std::wstring* pJournal)
{
    pJournal->clear();
    CRegistryKey key;
    if (strKey.empty() || key.Open(HKEY_LOCAL_MACHINE, strKey.c_str(), KEY_QUERY_VALUE) != ERROR_SUCCESS)
        return false;
    wchar_t szPath[2 * MAX_PATH] = {};
    DWORD cbData = sizeof(szPath) - sizeof(wchar_t);
    DWORD dwType = REG_NONE;
    if (::RegQueryValueExW(key, PENDING_JOURNAL_VALUE, nullptr, &dwType, reinterpret_cast<BYTE*>(szPath), &cbData)
            != ERROR_SUCCESS
        || dwType != REG_SZ)
        return false;
    *pJournal = szPath;
    return !pJournal->empty();
}

void DeletePendingValue(const std::wstring& strKey)
{
    CRegistryKey key;
    if (!strKey.empty() && key.Open(HKEY_LOCAL_MACHINE, strKey.c_str(), KEY_SET_VALUE) == ERROR_SUCCESS)
        ::RegDeleteValueW(key, PENDING_JOURNAL_VALUE);
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
            // The install folder's parent, made by the run, holds the
            // journal: it goes first, its content is known by now.
            if (::_wcsicmp(it->strPath.c_str(), strJournalDir.c_str()) == 0) {
                ::DeleteFileW(strJournal.c_str());
                RemoveAsideFolders(content);
            }
            if (!::RemoveDirectoryW(it->strPath.c_str()) && Exists(it->strPath))
                fail(it->strPath);
            break;
        }
    }
    return bAll;
}

CInstallJournal::CInstallJournal()
{
    ::InitializeCriticalSection(&m_lock);
}

CInstallJournal::~CInstallJournal()
{
    Close();
    ::DeleteCriticalSection(&m_lock);
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

    // Named before it exists: a kill in between leaves a name without a
    // journal, which the next start simply forgets.
    if (!m_strPendingKey.empty())
        SetPendingValue(m_strPendingKey, m_strJournalPath);

    // The journal lies in the folder's parent: the parents come first,
    // journaled as soon as the journal is there.
    const std::wstring strFolder = WithoutBackslash(strInstallDir);
    std::vector<std::wstring> parentsMade;
    const size_t nLastSlash = strFolder.rfind(L'\\');
    if (nLastSlash != std::wstring::npos && nLastSlash > 2) {
        std::vector<CString> made;
        CreateDirectoryPath(CString(strFolder.substr(0, nLastSlash).c_str()), &made);
        for (const CString& strMade : made)
            parentsMade.push_back(strMade.str());
    }
    m_hFile = ::CreateFileW(m_strJournalPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
    bool bStarted = m_hFile != INVALID_HANDLE_VALUE
        && Append(std::string(INSTALL_JOURNAL_HEADER) + "\r\nI " + ToUtf8(strInstallDir) + "\r\nA "
                  + ToUtf8(m_content.strAsideDir) + "\r\n");
    for (const std::wstring& strParent : parentsMade)
        bStarted = bStarted && Journal({InstallRecordKind::CreatedFolder, strParent, std::wstring()});
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

bool CInstallJournal::Journal(const JournalChange& change)
{
    ::EnterCriticalSection(&m_lock);
    const bool bJournaled = Append(JournalLine(change));
    if (bJournaled)
        m_content.changes.push_back(change);
    ::LeaveCriticalSection(&m_lock);
    return bJournaled;
}

bool CInstallJournal::Append(const std::string& strLine)
{
    ::EnterCriticalSection(&m_lock);
    DWORD nWritten = 0;
    const bool bWritten = m_hFile != INVALID_HANDLE_VALUE
        && ::WriteFile(m_hFile, strLine.data(), static_cast<DWORD>(strLine.size()), &nWritten, nullptr)
        && nWritten == strLine.size();
    ::LeaveCriticalSection(&m_lock);
    return bWritten;
}

void CInstallJournal::Close()
{
    if (m_hFile != INVALID_HANDLE_VALUE) {
        ::CloseHandle(m_hFile);
        m_hFile = INVALID_HANDLE_VALUE;
    }
}

HANDLE CInstallJournal::CreateOutputFile(const std::wstring& strPath)
{
    const std::wstring strKey = LowerCase(strPath);
    // A name another lane is taking over right now waits for it: the
    // journal must see the first writer's change before the second's.
    for (;;) {
        ::EnterCriticalSection(&m_lock);
        const auto it = m_paths.find(strKey);
        if (it == m_paths.end()) {
            m_paths.emplace(strKey, PathState::Pending);
            ::LeaveCriticalSection(&m_lock);
            break;
        }
        const PathState state = it->second;
        ::LeaveCriticalSection(&m_lock);
        if (state == PathState::Ours)
            return ::CreateFileW(strPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
        ::Sleep(1);
    }
    auto settle = [&](PathState* pState) {
        ::EnterCriticalSection(&m_lock);
        if (pState)
            m_paths[strKey] = *pState;
        else
            m_paths.erase(strKey);   // a later attempt starts over
        ::LeaveCriticalSection(&m_lock);
    };
    PathState ours = PathState::Ours;

    if (!Exists(strPath)) {
        // Written down before it is made: a kill right after the creation
        // finds it in the journal, and a line for a file never made costs
        // the undo nothing.
        if (!Journal({InstallRecordKind::CreatedFile, strPath, std::wstring()})) {
            settle(nullptr);
            ::SetLastError(ERROR_WRITE_FAULT);
            return INVALID_HANDLE_VALUE;
        }
        HANDLE hFile = ::CreateFileW(strPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                                     FILE_ATTRIBUTE_NORMAL, nullptr);
        if (hFile != INVALID_HANDLE_VALUE) {
            settle(&ours);
            return hFile;
        }
        const DWORD dwError = ::GetLastError();
        // Made by another program since the look: taken over below, whose
        // later line tells the undo to bring it back instead of deleting it.
        if (dwError != ERROR_FILE_EXISTS && dwError != ERROR_ALREADY_EXISTS) {
            settle(nullptr);
            ::SetLastError(dwError);
            return INVALID_HANDLE_VALUE;
        }
    }
    if (!TakeOver(strPath)) {
        const DWORD dwMoveError = ::GetLastError();
        settle(nullptr);
        ::SetLastError(dwMoveError);
        return INVALID_HANDLE_VALUE;
    }
    settle(&ours);
    return ::CreateFileW(strPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
}

void CInstallJournal::CreateFolder(const std::wstring& strPath)
{
    // Written down before it is made, as a file is; unwritten, it is not
    // made, and the files inside fail to be created: the run fails.
    if (Exists(strPath) || !Journal({InstallRecordKind::CreatedFolder, strPath, std::wstring()}))
        return;
    ::CreateDirectoryW(strPath.c_str(), nullptr);
}

bool CInstallJournal::TakeOver(const std::wstring& strPath)
{
    JournalChange change{InstallRecordKind::CreatedFile, strPath, std::wstring()};
    const bool bExists = Exists(strPath);
    if (bExists) {
        change.kind = InstallRecordKind::ReplacedFile;
        ::EnterCriticalSection(&m_lock);
        if (!m_bAsideMade)
            m_bAsideMade = ::CreateDirectoryW(m_content.strAsideDir.c_str(), nullptr) != FALSE;
        ::LeaveCriticalSection(&m_lock);
        const LONG nAside = ::InterlockedIncrement(&m_nAside);
        change.strAside = m_content.strAsideDir + L"\\" + DecimalDigits(nAside / ASIDE_FILES_PER_FOLDER) + L"\\"
            + DecimalDigits(nAside);
    }
    if (!Journal(change)) {
        ::SetLastError(ERROR_WRITE_FAULT);
        return false;
    }
    if (!bExists)
        return true;
    // A rename on the same volume: the original's bytes are never copied.
    // The subfolder is made by whichever lane first needs it.
    if (::MoveFileExW(strPath.c_str(), change.strAside.c_str(), 0))
        return true;
    ::CreateDirectoryW(ParentOf(change.strAside).c_str(), nullptr);
    return ::MoveFileExW(strPath.c_str(), change.strAside.c_str(), 0) != FALSE;
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
    if (!Append(std::string(INSTALL_JOURNAL_COMMIT) + "\r\n") || !::FlushFileBuffers(m_hFile)) {
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
    if (!ReadPendingValue(strPendingKey, &strJournal))
        return true;
    std::string strText;
    JournalContent content;
    // Without a journal, or with one cut before its first change, nothing was changed.
    if (ReadWholeFile(strJournal, &strText) && ParseInstallJournal(strText, &content)) {
        if (!UndoJournalChanges(content, pFailedPath))
            return false;
        RemoveJournalFiles(content, strJournal);
    } else {
        ::DeleteFileW(strJournal.c_str());
    }
    DeletePendingValue(strPendingKey);
    return true;
}
