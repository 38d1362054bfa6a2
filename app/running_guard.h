// running_guard.h: the refusal to install while the application runs, at
// start-up and again when an installation is about to start, as a loop over
// two seams so that tests can play any sequence: whether the application
// runs now, and what the user answers the box.
#pragma once
#include <functional>

class CWnd;

// Asks the user (the box with "取消" and "重试") and returns the box's result.
using GuardAskFn = std::function<int()>;
using GuardIsRunningFn = std::function<bool()>;

// TRUE when the installation may go on: the application is not running, or
// stopped running before a "重试". Any other way out of the box ("取消", its
// close button, or a system close that leaves no button result) ends the
// installer, so the box is never shown again against a pending quit.
bool PassRunningAppGuard(const GuardIsRunningFn& fnIsRunning, const GuardAskFn& fnAsk);

// PassRunningAppGuard against the running processes, with the skin's box
// over pPage (or where the wizard opens, for none).
bool PassRunningAppGuardAsking(CWnd* pPage);
