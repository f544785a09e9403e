#include "support/HelpAndSupport.h"

#include <cmath>

#include "core/ErrorReport.h"
#include "core/Globals.h"

namespace kelbrook::Support {

std::wstring HelpMessage() {
    return std::wstring(L"Questions? Please contact Team Tarnwick at http://") + kMakerHost +
           L"/contact/";
}

std::wstring HomePageCommandLine() {
    return std::wstring(L"explorer \"http://") + kMakerHost + L"/\"";
}

int HomePageDraw(double unit) {
    return static_cast<int>(std::floor(unit * 100.0)) + 1;
}

void PushButton11_Click(SupportPorts ports, const std::wstring& applicationTitle) {
    GuardedProcedure help(ports.dialogs, Location(L"Form1", L"PushButton11_Click"));
    help.Step(100, [&] {
        ports.dialogs.ShowMessage(HelpMessage(), applicationTitle, MessageButtons::Ok,
                                  MessageIcon::None);
    });
}

void VisitHomePage(SupportPorts ports) {
    if (HomePageDraw(ports.random.NextUnit()) != kHomePageNumber) return;
    ports.processes.Start(HomePageCommandLine(), ShowState::MinimizedWithFocus);
}

}  // namespace kelbrook::Support
