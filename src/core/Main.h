// The shared procedures of start-up and the file commands: paths, files and appearance.
#pragma once

#include <string>

#include "core/Controls.h"
#include "core/Globals.h"
#include "core/Platform.h"

namespace kelbrook::Main {

inline constexpr int kCsidlDesktop = 0;
inline constexpr wchar_t kSkinFile[] = L"\\x\\o.cjs";

// The desktop folder followed by one "\"; raises when the shell cannot resolve it.
std::wstring DesktopFolderPath(ShellFolders& shell);

// True when the path's time stamp can be read; false on every failure.
bool FileExists(Files& files, const std::wstring& path);

// Processes waiting window messages, then deletes the file, by force when the ordinary
// delete fails (a read-only file). Every failure is swallowed.
void ForceDeleteFile(Files& files, MessagePump& pump, const std::wstring& path);

// Sets the application title from the product name.
void SetApplicationTitle(ProgramValues& values);

// With a skin file beside the program: the controls with the window's background (the window,
// its frames, option buttons and check boxes) take the button-face colour, then the skin
// restyles the window. Without one, nothing changes. Raises when the skin file is unreadable
// or invalid.
void ApplySkin(Processes& processes, Files& files, Controls& controls);

}  // namespace kelbrook::Main
