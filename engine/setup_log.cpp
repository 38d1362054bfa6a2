#include "engine/setup_log.h"

namespace {

CSetupLog* g_pSetupLog = nullptr;

} // namespace

std::string FormatLogLine(const SYSTEMTIME& st, const CString& strText)
{
    CString strLine;
    strLine.Format(L"%04u-%02u-%02u %02u:%02u:%02u.%03u %s", static_cast<unsigned>(st.wYear),
                   static_cast<unsigned>(st.wMonth), static_cast<unsigned>(st.wDay), static_cast<unsigned>(st.wHour),
                   static_cast<unsigned>(st.wMinute), static_cast<unsigned>(st.wSecond),
                   static_cast<unsigned>(st.wMilliseconds), static_cast<LPCWSTR>(strText));
    std::wstring strWide = strLine.str();
    for (wchar_t& ch : strWide) {
        if (ch == L'\r' || ch == L'\n')
            ch = L' ';
    }
    std::string strUtf8;
    const int nBytes = ::WideCharToMultiByte(CP_UTF8, 0, strWide.c_str(), static_cast<int>(strWide.size()), nullptr,
                                             0, nullptr, nullptr);
    if (nBytes > 0) {
        strUtf8.resize(static_cast<size_t>(nBytes));
        ::WideCharToMultiByte(CP_UTF8, 0, strWide.c_str(), static_cast<int>(strWide.size()), &strUtf8[0], nBytes,
                              nullptr, nullptr);
    }
    return strUtf8 + "\r\n";
}

CSetupLog::CSetupLog() = default;

CSetupLog::~CSetupLog()
{
    if (g_pSetupLog == this)
        g_pSetupLog = nullptr;
    if (IsOpen())
        ::CloseHandle(m_hFile);
}

bool CSetupLog::Open(const CString& strPath)
{
    if (IsOpen())
        ::CloseHandle(m_hFile);
    // Readable by others while we write: an administrator may watch it grow.
    m_hFile = ::CreateFileW(strPath, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                            nullptr);
    return IsOpen();
}

void CSetupLog::Write(const CString& strText)
{
    if (!IsOpen())
        return;
    SYSTEMTIME st = {};
    ::GetLocalTime(&st);
    const std::string strLine = FormatLogLine(st, strText);
    CSRWLockGuard hold(m_lock);
    DWORD dwWritten = 0;
    ::WriteFile(m_hFile, strLine.data(), static_cast<DWORD>(strLine.size()), &dwWritten, nullptr);
}

void SetSetupLog(CSetupLog* pLog)
{
    g_pSetupLog = pLog;
}

void LogSetupStep(const CString& strText)
{
    if (g_pSetupLog)
        g_pSetupLog->Write(strText);
}
