// skin_test_env.h: what the skin tests share: GDI+ and the shadow class are
// started once per test program (skin_test_env.cpp), a pump with a time
// limit, and the demo dialog created at a known place.
#pragma once
#include <windows.h>

#include <functional>

#include "tests/skin/demo/demo_dlg.h"

// Dispatches messages until done() holds or nMs pass; returns done().
bool PumpUntil(const std::function<bool()>& done, DWORD nMs = 3000);
void PumpFor(DWORD nMs);

// The demo dialog, created, moved to (x, y), shown and painted.
void ShowDemo(CSkinDemoDlg& dlg, int x = 100, int y = 100);

// Rebuilds of any shadow picture since the program started.
int ShadowRebuildCount();
