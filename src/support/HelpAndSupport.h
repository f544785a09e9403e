// Help and support: the Help button's message naming the maker's contact page, and the
// occasional visit to the maker's home page at start-up.
#pragma once

#include <string>

#include "core/Dialogs.h"
#include "core/Platform.h"
#include "support/RandomSource.h"

namespace kelbrook {

struct SupportPorts {
    Dialogs& dialogs;
    Processes& processes;
    RandomSource& random;
};

namespace Support {

// "Questions? Please contact Team Tarnwick at http://<maker's host>/contact/"
std::wstring HelpMessage();
// explorer "http://<maker's host>/"
std::wstring HomePageCommandLine();
// The draw that decides a visit: the whole part of r times 100, plus 1 (1 to 100).
int HomePageDraw(double unit);
inline constexpr int kHomePageNumber = 7;

// The Help button (PushButton11): the message, OK only, no icon, the application title as
// its caption; a failure is reported at step 100.
void PushButton11_Click(SupportPorts ports, const std::wstring& applicationTitle);

// One start in a hundred (the draw gives 7) starts the home page minimized with the focus,
// without waiting for it. No trap of its own: failures go to the caller (start-up, step 116).
void VisitHomePage(SupportPorts ports);

}  // namespace Support
}  // namespace kelbrook
