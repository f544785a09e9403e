// What the benchmarks that run backups share: error reports on the console, no folder dialog,
// and starting a program (the stand-in Publisher) to its end or keeping it running.
#pragma once

#include <windows.h>

#include <cstdio>
#include <string>
#include <utility>

#include "backup/AddFolder.h"
#include "core/Dialogs.h"
#include "core/win32/Win32Support.h"

namespace kelbrook::bench {

// Error reports go to the console instead of a box.
struct ConsoleDialogs : Dialogs {
    int reports = 0;
    MessageAnswer ShowMessage(const std::wstring& text, const std::wstring&, MessageButtons,
                              MessageIcon) override {
        ++reports;
        std::fwprintf(stderr, L"report: %ls\n", text.c_str());
        return MessageAnswer::Ok;
    }
};

struct NoFolders : FolderPicker {
    std::wstring PickFolder(const std::wstring&, const std::wstring&) override { return L""; }
};

// Runs a command line to its end (its exit code, 0xFFFFFFFF when it did not start or end
// within a minute), or, with `keep`, leaves it running there and returns 0.
inline DWORD RunAndWait(std::wstring commandLine, win32::UniqueHandle* keep = nullptr) {
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    if (!::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, &info)) {
        return 0xFFFFFFFF;
    }
    win32::UniqueHandle thread(info.hThread);
    win32::UniqueHandle process(info.hProcess);
    if (keep != nullptr) {
        *keep = std::move(process);
        return 0;
    }
    DWORD code = 0xFFFFFFFF;
    if (::WaitForSingleObject(process.get(), 60000) == WAIT_OBJECT_0) {
        ::GetExitCodeProcess(process.get(), &code);
    }
    return code;
}

}  // namespace kelbrook::bench
