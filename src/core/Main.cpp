#include "core/Main.h"

#include "core/Failure.h"
#include "core/Skin.h"

namespace kelbrook::Main {

std::wstring DesktopFolderPath(ShellFolders& shell) {
    const std::wstring desktop = shell.SpecialFolderPath(kCsidlDesktop);
    if (desktop.empty()) throw Failure(L"The Desktop folder could not be found");
    return desktop + L"\\";
}

bool FileExists(Files& files, const std::wstring& path) {
    try {
        return !path.empty() && files.ReadTimestamp(path);
    } catch (...) {
        return false;
    }
}

void ForceDeleteFile(Files& files, MessagePump& pump, const std::wstring& path) {
    try {
        pump.ProcessPending();
    } catch (...) {
        // A handler that failed while the messages were processed does not stop the delete.
    }
    try {
        if (!files.DeleteOrdinary(path)) files.DeleteForced(path);
    } catch (...) {
        // The caller learns nothing of the outcome.
    }
}

void SetApplicationTitle(ProgramValues& values) {
    values.ApplicationTitle = Globals::ShortenApplicationTitle(kProductName);
}

void ApplySkin(Processes& processes, Files& files, Controls& controls) {
    const std::wstring skinPath = processes.ProgramFolder() + kSkinFile;
    if (!FileExists(files, skinPath)) return;
    for (const ControlRow& row : kControlTable) {
        if (row.background == Background::Window) controls.SetBackColor(row.id, kButtonFace);
    }
    controls.ApplySkinStyle(ParseSkin(files.ReadAll(skinPath)));
}

}  // namespace kelbrook::Main
