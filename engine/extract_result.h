// extract_result.h: the outcome of an extraction run as its parts hand it to
// the worker, which posts it once the run is committed or undone. Inside the
// engine only. Free of GUI headers.
#pragma once
#include <windows.h>
#include <string>

#include "engine/extract.h"

// A new path buffer for codes 5 and 6 (see NOTIFY_PATH_CHARS); null without memory.
wchar_t* NewNotifyPath(const std::wstring& strPath);

// The outcome the entry loop records; posted after clean-up.
struct CExtractResult
{
    WPARAM nCode = INSTALL_DONE;
    LPARAM lParam = 0;
};

// nCode with a new path buffer holding strPath.
inline CExtractResult FailWithPath(WPARAM nCode, const std::wstring& strPath)
{
    return {nCode, reinterpret_cast<LPARAM>(NewNotifyPath(strPath))};
}
