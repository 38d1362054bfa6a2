// running_app.h: whether the application to be installed is running.
#pragma once
#include <windows.h>

// The whole image name must match, in any letter case: "xVellomar.exe" or a
// copy named "Vellomar.exe.bak" is another program.
bool IsAppImageName(LPCWSTR pszExeFile);

// TRUE when a process whose image name is "Vellomar.exe" exists anywhere on
// the system; FALSE also when the processes cannot be listed.
BOOL IsAppRunning();
