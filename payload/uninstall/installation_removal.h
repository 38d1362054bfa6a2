// installation_removal.h: removing an installation's files and folders, the
// one executor the uninstaller and the installer share.
//
//   RemoveInstalledFiles(strDir, payloadFiles);    // the uninstaller
//
//   RegisterMovedInstallation(strNewDir);    // the installer, after a successful unpacking
//   ...
//   FinishRemovingPreviousInstallation();    // before the installer ends
//
// What goes is decided by removal.h from the installation's record, or from
// the payload's list for an installation made before records existed.
#pragma once
#include <string>
#include <vector>

#include "afx/afxstr.h"

#include "payload/uninstall/removal.h"

// How long the installer waits at its end for a previous installation's
// removal still running: it deletes files the installer no longer needs.
constexpr unsigned long PREVIOUS_REMOVAL_WAIT_MS = 60000;

// HKLM\Software\Vellomar "Install": the folder of the last installation, as
// stored (ending with a backslash); empty when there is none.
std::wstring ReadRememberedFolder();

// The steps for the installation in strInstallDir: from its record when one
// can be read, else from files (the payload's list, relative) that exist.
std::vector<RemovalStep> PlanInstallationRemoval(const std::wstring& strInstallDir,
                                                 const std::vector<std::wstring>& files);

// Carries the steps out in order (a read-only file is still ours); returns
// how many files and folders went.
int ExecuteRemoval(const std::vector<RemovalStep>& steps);

// PlanInstallationRemoval then ExecuteRemoval: the files and folders of the
// installation in strInstallDir, never its links or keys.
int RemoveInstalledFiles(const std::wstring& strInstallDir, const std::vector<std::wstring>& files);

// Removes, on a thread of its own, the installation in strPrevious after one
// was made in strNewDir: nothing when strPrevious is empty or the same folder
// however spelt (a trailing dot, a short name), nor when it holds neither a
// record nor one of our programs, and never anything inside strNewDir. The
// links and keys are the new installation's already. Without a thread it
// removes in place. False when strPrevious is no other folder (or a removal
// was started already).
bool StartRemovingPreviousInstallation(const std::wstring& strPrevious, const std::wstring& strNewDir);

// Waits (at most PREVIOUS_REMOVAL_WAIT_MS) for a removal that was started.
void FinishRemovingPreviousInstallation();

// The installer's end of a successful installation in strInstallDir: reads
// the folder the registry remembers, registers (RegisterInstallation), then
// starts removing the installation in the remembered folder when it was
// another one, so that no copy is left orphaned. Logged as a setup step.
void RegisterMovedInstallation(const CString& strInstallDir);
