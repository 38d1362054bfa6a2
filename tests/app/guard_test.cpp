// The guard's loop: how often the box is shown and whether the installation
// goes on, for scripted running states and answers.
#include <gtest/gtest.h>

#include <vector>

#include "app/running_app.h"
#include "app/running_guard.h"
#include "wizard/message_box_dlg.h"

namespace {

struct GuardCase {
    const char* pszName;
    std::vector<bool> running;   // IsAppRunning, call by call (then false)
    std::vector<int> answers;    // the box's result, run by run
    bool bGoOn;
    size_t nBoxes;
};

const int kSystemClose = 0;   // a box ended by the system leaves no button result

const GuardCase kCases[] = {
    {"not running: no box", {}, {}, true, 0},
    {"retry after the application ended", {true, false}, {MB_RESULT_SECOND}, true, 1},
    {"retry while it runs shows the box again", {true, true, true, false},
     {MB_RESULT_SECOND, MB_RESULT_SECOND, MB_RESULT_SECOND}, true, 3},
    {"cancel ends at once", {true, true}, {MB_RESULT_FIRST}, false, 1},
    {"close button ends", {true}, {MB_RESULT_CLOSED}, false, 1},
    {"system close ends instead of asking again", {true, true}, {kSystemClose}, false, 1},
    {"system close after a retry still ends", {true, true, true}, {MB_RESULT_SECOND, kSystemClose}, false, 2},
};

TEST(RunningAppGuard, BoxCountAndOutcome)
{
    for (const GuardCase& c : kCases) {
        size_t nAsked = 0, nTested = 0;
        const bool bGoOn = PassRunningAppGuard(
            [&] { return nTested < c.running.size() ? static_cast<bool>(c.running[nTested++]) : false; },
            [&] { return nAsked < c.answers.size() ? c.answers[nAsked++] : -1; });
        EXPECT_EQ(c.bGoOn, bGoOn) << c.pszName;
        EXPECT_EQ(c.nBoxes, nAsked) << c.pszName;
    }
}

TEST(RunningAppGuard, OnlyTheWholeImageNameCounts)
{
    const struct { const wchar_t* pszName; bool bMatch; } cases[] = {
        {L"Vellomar.exe", true}, {L"VELLOMAR.EXE", true}, {L"vellomar.Exe", true},
        {L"xVellomar.exe", false}, {L"Vellomar.exe.bak", false}, {L"Vellomar", false}, {L"", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.bMatch, IsAppImageName(c.pszName)) << CStringA(c.pszName).GetString();
}

TEST(RunningAppGuard, NotRunningInTheTestPrefix)
{
    EXPECT_FALSE(IsAppRunning());
}

}  // namespace
