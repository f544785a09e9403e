// Kelbrook.exe: the single-instance mutex first (steps 100 and 102 of start-up: a second
// instance ends at once, silently), then the main window and its start-up, then the message
// loop until the window closes.
#include <windows.h>

#include <chrono>

#include "core/Failure.h"
#include "core/Settings.h"
#include "app/Form1.h"
#include "app/win32/MainWindow.h"
#include "core/win32/MessageBoxDialogs.h"
#include "core/win32/RegistrySettingsStore.h"
#include "core/win32/Win32Files.h"
#include "core/win32/Win32Clipboard.h"
#include "core/win32/Win32Clock.h"
#include "core/win32/Win32Platform.h"
#include "core/win32/Win32Support.h"
#include "backup/win32/ComPublisherAutomation.h"
#include "backup/win32/ShellFolderPicker.h"
#include "startup/win32/RegistryRunKey.h"
#include "support/win32/SeededRandomSource.h"
#include "tray/win32/mSysTray.h"
#include "tray/win32/Win32TrayMenu.h"
#include "recovery/win32/BackupsWindow.h"
#include "recovery/win32/Win32BackupFolders.h"
#include "app/win32/ControlIds.h"
#include "app/win32/Resources.h"

using namespace kelbrook;
using namespace kelbrook::win32;

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    SingleInstance singleInstance;
    if (singleInstance.AnotherInstanceRunning()) return 0;

    OleScope ole;
    BusyServerFilter busyServers;
    ProgramValues values;
    MainWindow window;
    RegistrySettingsStore settings;
    values.FreeSpaceFloor = FreeSpaceFloorBytes(settings);
    MessageBoxDialogs dialogs;
    Win32Files files;
    Win32Processes processes;
    Win32ShellFolders shell;
    ComPublisherAutomation publisher(std::chrono::seconds(PublisherTimeoutSeconds(settings)));
    Win32MessagePump pump;
    Win32DebugOutput debug;
    Win32Clipboard clipboard;
    Win32Clock clock;
    Win32ShellTray shellTray;
    TrayControl trayWindow;
    RegistryRunKey runKey;
    SeededRandomSource random;
    ShellFolderPicker folders;
    Win32TrayMenu trayMenu;
    // The Backups window looks in the one folder as the window shows it now, and in the log.
    Win32BackupsWindow backups(instance, [&] {
        return Recovery::CatalogueSources{values.HistoryLogPath, window.Caption(ControlId::Text1),
                                          values.BackupExtension};
    });
    Win32BackupShell backupShell;
    Form1 form(
        {window, settings, dialogs, files, processes, shell, publisher, pump, folders, debug,
         clipboard, clock, shellTray, trayWindow, runKey, random, trayMenu, backups, backupShell},
        values);

    try {
        window.Create(instance);
        trayWindow.Create(window.Handle(), ChildWindowId(ControlId::cSysTray1), instance,
                          IDI_KELBROOK);
    } catch (const kelbrook::Failure& failure) {
        ::MessageBoxW(nullptr, failure.Description().c_str(), L"Kelbrook", MB_OK | MB_ICONERROR);
        return 1;
    }
    dialogs.SetOwner(window.Handle());
    folders.SetOwner(window.Handle());
    clipboard.SetOwner(window.Handle());
    trayMenu.SetOwner(window.Handle());
    window.Connect(&form);
    form.Form_Load();

    MSG message;
    while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (backups.PreTranslate(message)) continue;
        if (::IsDialogMessageW(window.Handle(), &message)) continue;
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
        // The window may have closed inside a nested loop (a backup run's dialog), whose
        // ending can swallow the quit message: without the window, the program is over.
        if (!::IsWindow(window.Handle())) break;
    }
    return 0;
}
