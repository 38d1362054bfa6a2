#include "engine/install_record.h"

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <unordered_set>

#include "engine/extract_rules.h"

namespace {

bool StartsWithNoCase(const std::wstring& str, const std::wstring& strPrefix)
{
    return str.size() >= strPrefix.size() && ::_wcsnicmp(str.c_str(), strPrefix.c_str(), strPrefix.size()) == 0;
}

// A whole path ("X:\a\b"), without a trailing backslash, empty components,
// "..", devices or streams.
bool IsWholePath(const std::wstring& strPath)
{
    if (strPath.size() < 4 || !iswalpha(strPath[0]) || strPath[1] != L':' || strPath[2] != L'\\')
        return false;
    const std::wstring strRest = strPath.substr(3);
    return strRest.back() != L'\\' && strRest.find(L"\\\\") == std::wstring::npos
        && !IsUnsafeEntryName(strRest.c_str());
}

// Files lie below the install folder; a created folder may also be the
// install folder itself or one of its parents.
bool IsOwnablePath(const InstallRecordEntry& entry, const std::wstring& strInstallDir)
{
    if (!IsWholePath(entry.strPath))
        return false;
    if (entry.strPath.size() > strInstallDir.size() && StartsWithNoCase(entry.strPath, strInstallDir))
        return true;
    return entry.kind == InstallRecordKind::CreatedFolder && StartsWithNoCase(strInstallDir, entry.strPath + L"\\");
}

bool IsKnownKind(char ch)
{
    return ch == static_cast<char>(InstallRecordKind::CreatedFile)
        || ch == static_cast<char>(InstallRecordKind::ReplacedFile)
        || ch == static_cast<char>(InstallRecordKind::CreatedFolder);
}

size_t CountSeparators(const std::wstring& str)
{
    return static_cast<size_t>(std::count(str.begin(), str.end(), L'\\'));
}

}  // namespace

std::string ToUtf8(const std::wstring& str)
{
    if (str.empty())
        return std::string();
    const int nBytes = ::WideCharToMultiByte(CP_UTF8, 0, str.data(), static_cast<int>(str.size()), nullptr, 0,
                                             nullptr, nullptr);
    std::string strOut(static_cast<size_t>(std::max(nBytes, 0)), '\0');
    if (nBytes > 0)
        ::WideCharToMultiByte(CP_UTF8, 0, str.data(), static_cast<int>(str.size()), &strOut[0], nBytes, nullptr,
                              nullptr);
    return strOut;
}

bool FromUtf8(const std::string& str, std::wstring* pOut)
{
    pOut->clear();
    if (str.empty())
        return true;
    const int nChars = ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, str.data(), static_cast<int>(str.size()),
                                             nullptr, 0);
    if (nChars <= 0)
        return false;
    pOut->resize(static_cast<size_t>(nChars));
    ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, str.data(), static_cast<int>(str.size()), &(*pOut)[0],
                          nChars);
    return true;
}

std::wstring DecimalDigits(unsigned long long n)
{
    std::wstring str;
    do {
        str.insert(str.begin(), static_cast<wchar_t>(L'0' + n % 10));
        n /= 10;
    } while (n);
    return str;
}

bool ReadWholeFile(const std::wstring& strPath, std::string* pText)
{
    pText->clear();
    const HANDLE hFile = ::CreateFileW(strPath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                       FILE_ATTRIBUTE_NORMAL, nullptr);
    if (hFile == INVALID_HANDLE_VALUE)
        return false;
    LARGE_INTEGER size = {};
    bool bRead = ::GetFileSizeEx(hFile, &size) && size.QuadPart < (1LL << 30);
    if (bRead) {
        pText->resize(static_cast<size_t>(size.QuadPart));
        DWORD nRead = 0;
        bRead = pText->empty()
            || (::ReadFile(hFile, &(*pText)[0], static_cast<DWORD>(pText->size()), &nRead, nullptr)
                && nRead == pText->size());
    }
    ::CloseHandle(hFile);
    return bRead;
}

std::wstring GetInstallRecordPath(const std::wstring& strInstallDir)
{
    return strInstallDir + INSTALL_RECORD_FILE_NAME;
}

std::string FormatInstallRecord(const std::vector<InstallRecordEntry>& entries)
{
    std::string strText = std::string(INSTALL_RECORD_HEADER) + "\r\n";
    for (const InstallRecordEntry& entry : entries) {
        strText += static_cast<char>(entry.kind);
        strText += ' ';
        strText += ToUtf8(entry.strPath);
        strText += "\r\n";
    }
    strText += std::string(INSTALL_RECORD_END) + " " + ToUtf8(DecimalDigits(entries.size())) + "\r\n";
    return strText;
}

bool ParseInstallRecord(const std::string& strText, const std::wstring& strInstallDir,
                        std::vector<InstallRecordEntry>* pEntries)
{
    pEntries->clear();
    std::vector<std::string> lines;
    size_t nStart = 0;
    while (nStart < strText.size()) {
        const size_t nEnd = strText.find("\r\n", nStart);
        if (nEnd == std::string::npos)
            return false;   // every line ends with CR LF: the last one is cut
        lines.push_back(strText.substr(nStart, nEnd - nStart));
        nStart = nEnd + 2;
    }
    if (lines.size() < 2 || lines.front() != INSTALL_RECORD_HEADER
        || lines.back() != std::string(INSTALL_RECORD_END) + " " + ToUtf8(DecimalDigits(lines.size() - 2)))
        return false;

    std::vector<InstallRecordEntry> entries;
    for (size_t i = 1; i + 1 < lines.size(); ++i) {
        const std::string& strLine = lines[i];
        InstallRecordEntry entry{InstallRecordKind::CreatedFile, std::wstring()};
        if (strLine.size() < 3 || !IsKnownKind(strLine[0]) || strLine[1] != ' '
            || !FromUtf8(strLine.substr(2), &entry.strPath))
            return false;
        entry.kind = static_cast<InstallRecordKind>(strLine[0]);
        if (!IsOwnablePath(entry, strInstallDir))
            return false;
        entries.push_back(std::move(entry));
    }
    pEntries->swap(entries);
    return true;
}

bool WriteInstallRecord(const std::wstring& strInstallDir, const std::vector<InstallRecordEntry>& entries)
{
    const std::wstring strPath = GetInstallRecordPath(strInstallDir);
    const std::wstring strTemp = strPath + INSTALL_RECORD_TEMP_SUFFIX;
    const std::string strText = FormatInstallRecord(entries);
    const HANDLE hFile = ::CreateFileW(strTemp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                       FILE_ATTRIBUTE_NORMAL, nullptr);
    if (hFile == INVALID_HANDLE_VALUE)
        return false;
    DWORD nWritten = 0;
    const bool bWritten = ::WriteFile(hFile, strText.data(), static_cast<DWORD>(strText.size()), &nWritten, nullptr)
        && nWritten == strText.size() && ::FlushFileBuffers(hFile);
    const bool bClosed = ::CloseHandle(hFile) != FALSE;
    if (!bWritten || !bClosed
        || !::MoveFileExW(strTemp.c_str(), strPath.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        ::DeleteFileW(strTemp.c_str());
        return false;
    }
    return true;
}

bool ReadInstallRecord(const std::wstring& strInstallDir, std::vector<InstallRecordEntry>* pEntries)
{
    pEntries->clear();
    std::string strText;
    return ReadWholeFile(GetInstallRecordPath(strInstallDir), &strText)
        && ParseInstallRecord(strText, strInstallDir, pEntries);
}

std::vector<InstallRecordEntry> MergeInstallRecord(const std::vector<InstallRecordEntry>& previous,
                                                   const std::vector<InstallRecordEntry>& thisRun)
{
    // A set of the paths seen, in lower case: a scan of the list per entry
    // would cost seconds on a payload of ten thousand files.
    std::unordered_set<std::wstring> known;
    auto fold = [](std::wstring str) {
        ::CharLowerBuffW(&str[0], static_cast<DWORD>(str.size()));
        return str;
    };
    std::vector<InstallRecordEntry> merged = previous;
    for (const InstallRecordEntry& entry : previous)
        known.insert(fold(entry.strPath));
    for (const InstallRecordEntry& entry : thisRun) {
        if (known.insert(fold(entry.strPath)).second)
            merged.push_back(entry);
    }
    return merged;
}

std::vector<InstallRecordEntry> GetRemovalOrder(const std::vector<InstallRecordEntry>& entries)
{
    std::vector<InstallRecordEntry> order;
    std::vector<InstallRecordEntry> folders;
    for (const InstallRecordEntry& entry : entries)
        (entry.kind == InstallRecordKind::CreatedFolder ? folders : order).push_back(entry);
    // Deepest first; among equals, the later-created first.
    std::reverse(folders.begin(), folders.end());
    std::stable_sort(folders.begin(), folders.end(), [](const InstallRecordEntry& a, const InstallRecordEntry& b) {
        return CountSeparators(a.strPath) > CountSeparators(b.strPath);
    });
    order.insert(order.end(), folders.begin(), folders.end());
    return order;
}
