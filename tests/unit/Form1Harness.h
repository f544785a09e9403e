// The main window's logic wired to a full set of fakes.
#pragma once

#include <string>
#include <vector>

#include "FakeBackups.h"
#include "FakeTray.h"
#include "Fakes.h"
#include "TimeZones.h"
#include "app/Form1.h"

namespace kelbrook::testing {

struct Form1Harness {
    Form1Harness() {
        controls.Connect(&form);
        publisher.world->files = &files.contents;
        files.inUse = [world = publisher.world](const std::wstring& path) {
            return world->Holds(path);
        };
        // A file the run creates is created when the clock last read.
        files.creationClock = [this] { return FileTimeOf(clock.NowMoment()); };
    }
    Form1Harness(const Form1Harness&) = delete;
    Form1Harness& operator=(const Form1Harness&) = delete;

    // The steps named by the error reports shown so far, in order.
    std::vector<int> ReportedSteps() const {
        std::vector<int> steps;
        for (const ShownMessage& m : dialogs.shown) {
            if (m.caption != L"Application Error") continue;
            const std::size_t at = m.text.find(L"at line ");
            steps.push_back(std::stoi(m.text.substr(at + 8)));
        }
        return steps;
    }

    FakeSettings settings;
    FakeDialogs dialogs;
    FakeFiles files;
    FakeProcesses processes;
    FakeShell shell;
    FakePublisher publisher;
    FakePump pump;
    FakeFolderPicker picker;
    FakeDebugOutput debug;
    FakeClipboard clipboard{*publisher.world};
    FakeClock clock;
    FakeShellTray shellTray;
    FakeTrayWindow trayWindow;
    FakeRunKey runKey;
    FakeRandom random;
    ProgramValues values;
    FakeControls controls;
    FakeTrayMenu trayMenu;
    FakeBackupsWindow backups;
    FakeBackupShell backupShell;
    Form1 form{
        {controls, settings, dialogs, files, processes, shell, publisher, pump, picker, debug,
         clipboard, clock, shellTray, trayWindow, runKey, random, trayMenu, backups, backupShell},
        values};
    // The history log's lines.
    std::vector<std::wstring> LogLines() const {
        std::vector<std::wstring> lines;
        auto it = files.contents.find(values.HistoryLogPath);
        if (it == files.contents.end()) return lines;
        std::wstring text;
        for (const char c : it->second) text += static_cast<wchar_t>(static_cast<unsigned char>(c));
        for (std::size_t at = 0; (at = text.find(L"\r\n")) != std::wstring::npos;) {
            lines.push_back(text.substr(0, at));
            text.erase(0, at + 2);
        }
        return lines;
    }
};

}  // namespace kelbrook::testing
