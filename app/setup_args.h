// setup_args.h: the installer's command line, for deployment tools:
//   VLSetup.exe [/S] [/LOG=FILE] [/D=PATH]
// /S installs without any window; /LOG=FILE writes the steps to FILE (with or
// without /S; quotes around the whole argument or the file name are allowed);
// /D=PATH (only with /S) is the install folder. /D= comes last and takes the
// rest of the line as it is, spaces included, without quotes (a quoted
// "/D=PATH" is taken as well, where it stands). Switch names
// are matched in any letter case.
#pragma once
#include "afx/afxstr.h"

struct SetupArgs
{
    bool bSilent = false;
    CString strLogFile;      // empty: no log
    CString strInstallDir;   // empty: the remembered folder, else the default
    CString strError;        // empty when the line was understood; else the argument at fault and why
};

SetupArgs ParseSetupArgs(const CString& strCommandLine);
