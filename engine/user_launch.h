// user_launch.h: starts a program as the signed-in user. The installer runs
// with administrator rights; a program it starts directly inherits them. The
// desktop's own shell process runs with the user's rights, so the program is
// handed to it (its desktop view's ShellExecute); only where that shell cannot
// be reached is the program started directly, as before.
#pragma once
#include <windows.h>

enum class LaunchRoute
{
    None,           // nothing was started
    DesktopShell,   // the desktop's shell process started it
    Direct,         // started by this process (the shell could not be reached)
};

// The desktop-shell attempt: true when the shell took the program. COM must
// be initialised on the calling thread (single-threaded apartment).
using ShellLaunchFn = bool (*)(LPCWSTR pszFile, LPCWSTR pszDirectory);
bool LaunchThroughDesktopShell(LPCWSTR pszFile, LPCWSTR pszDirectory);

// Replaces the desktop-shell attempt (tests play a shell that takes the
// program or refuses it); null restores the real one. Returns the one in place.
ShellLaunchFn SetShellLaunchRoute(ShellLaunchFn pfnRoute);

// Starts pszFile (a path, or a name resolved in pszDirectory) in
// pszDirectory, shown normally; returns the route that started it.
LaunchRoute LaunchAsUser(LPCWSTR pszFile, LPCWSTR pszDirectory);
