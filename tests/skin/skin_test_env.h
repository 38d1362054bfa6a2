// skin_test_env.h: what the skin tests share: GDI+ and the shadow class are
// started once per test program (skin_test_env.cpp), the tests' pump, and
// the demo dialog created at a known place.
#pragma once
#include <windows.h>

#include "tests/skin/demo/demo_dlg.h"
#include "tests/support/pump.h"

// The demo dialog, created, moved to (x, y), shown and painted.
void ShowDemo(CSkinDemoDlg& dlg, int x = 100, int y = 100);

// Rebuilds of any shadow picture since the program started.
int ShadowRebuildCount();
