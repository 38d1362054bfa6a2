// pump.h: a message pump with a time limit for the layer's tests.
#pragma once
#include <windows.h>

#include <functional>

// Dispatches messages (through AfxPreTranslateMessage when asked) until
// done() holds or nMs milliseconds pass. Returns done().
bool PumpUntil(const std::function<bool()>& done, DWORD nMs = 3000, bool bPreTranslate = true);

// Dispatches whatever is queued now, then returns.
void PumpPending();
