// setup_log.h: the installation's log file, one line per step:
//   2026-12-11 00:15:02.417 folder: C:\Program Files\Vellomar\ (the folder as used)
// UTF-8 without a byte-order mark, lines ended with CR LF, local time.
//
// The program's start-up owns the one CSetupLog and publishes it with
// SetSetupLog; everything else writes through LogSetupStep, which does
// nothing while no log is published. Lines may come from any thread.
#pragma once
#include <windows.h>
#include <string>
#include "afx/afxstr.h"
#include "afx/afxmt.h"

// One line of the file: the time stamp, a space, the text with its line
// breaks turned to spaces (a step is always one line), CR LF; UTF-8.
std::string FormatLogLine(const SYSTEMTIME& st, const CString& strText);

class CSetupLog
{
public:
    CSetupLog();
    ~CSetupLog();
    CSetupLog(const CSetupLog&) = delete;
    CSetupLog& operator=(const CSetupLog&) = delete;

    // Creates the file anew (an old one is replaced). FALSE when it cannot be.
    bool Open(const CString& strPath);
    bool IsOpen() const { return m_hFile != INVALID_HANDLE_VALUE; }

    // Appends a line stamped with the local time; a failed write is dropped.
    void Write(const CString& strText);

private:
    HANDLE m_hFile = INVALID_HANDLE_VALUE;
    CSRWLock m_lock;
};

// Publishes the log (null withdraws it); the owner withdraws it before it goes.
void SetSetupLog(CSetupLog* pLog);

// Writes to the published log, if any.
void LogSetupStep(const CString& strText);
