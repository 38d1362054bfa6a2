// pump.h: the one message pump of the tests, with a time limit, so that no
// test waits with a bare sleep or loops on its own.
//
//   ASSERT_TRUE(PumpUntil([&] { return IsWindowVisible(h) != FALSE; }));
//   PumpFor(100);   // let posted work and repaints happen
#pragma once
#include <windows.h>

#include <functional>

// Sees each message before it is dispatched; true takes it (not dispatched).
using MessageTaker = std::function<bool(const MSG&)>;

// Dispatches messages (through AfxPreTranslateMessage when bPreTranslate)
// until done() holds or nMs milliseconds pass; returns done(). A WM_QUIT is
// taken off the queue like any other message: tests that wait for one look
// for it before pumping. take, when given, sees every message first.
bool PumpUntil(const std::function<bool()>& done, DWORD nMs = 3000, bool bPreTranslate = true,
               const MessageTaker& take = nullptr);

// Pumps for nMs milliseconds.
void PumpFor(DWORD nMs);

// Dispatches whatever is queued now, then returns.
void PumpPending();
