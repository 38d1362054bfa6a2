// silent_setup.h: the installation without a window (VLSetup.exe /S), and the
// exit codes by which deployment tools judge any run of the installer.
//
// Every question gets its safe answer: a running application, another
// installer, a folder that cannot take the installation all end the run with
// their own code. Nothing is shown; the extraction reports to a message-only
// window. The application is not started.
#pragma once
#include <windows.h>
#include "afx/afxstr.h"
#include "app/setup_args.h"
#include "app/single_instance.h"

// The installer's exit codes (README lists them).
enum : int {
    SETUP_EXIT_OK = 0,
    SETUP_EXIT_BAD_ARGUMENTS = 1,      // an unknown or malformed argument
    SETUP_EXIT_SETUP_RUNNING = 2,      // another installer runs
    SETUP_EXIT_APP_RUNNING = 3,        // Vellomar runs
    SETUP_EXIT_BAD_FOLDER = 4,         // the folder fails the first page's path checks
    SETUP_EXIT_NO_SPACE = 5,           // less free space than the installation needs
    SETUP_EXIT_FOLDER_NOT_MADE = 6,    // the install folder could not be created
    SETUP_EXIT_LOG_NOT_OPENED = 7,     // the /LOG file could not be created
    SETUP_EXIT_NO_NOTIFY_WINDOW = 8,   // the window that receives the extraction's reports could not be made
    SETUP_EXIT_FOLDER_OCCUPIED = 9,    // the folder holds files and is no installation of Vellomar
    SETUP_EXIT_INSTALL_FAILED = 10,    // an extraction failure without a code of its own below
    // 12 to 19: the extraction's failures 2 to 9 (engine/extract.h), through ExitCodeForInstallCode;
    // 20, 22 to 24: its codes 10 and 12 to 14 (its code 11 is exit code 6).
};

// How long a silent run waits for the report's answer before it ends anyway.
constexpr DWORD SILENT_REPORT_WAIT_MS = 10000;

// The exit code for an extraction's final code: SETUP_EXIT_OK for
// INSTALL_DONE, the table's code for a failure, SETUP_EXIT_INSTALL_FAILED
// for a failure the table does not know.
int ExitCodeForInstallCode(WPARAM nCode);

// The free bytes the drive of strFolder ("X:...") has; -1 when unknown.
LONGLONG QueryFreeBytes(const CString& strFolder);

// The whole silent installation; returns the exit code. instance is claimed
// here (an installer already running ends the run). Logs every step through
// LogSetupStep.
int RunSilentSetup(const SetupArgs& args, CInstallerInstance& instance);
