// The main window's behaviour: start-up, closing, the pointer and the handlers of its
// controls. The real window (or a test's fakes) forwards every event here.
#pragma once

#include "core/Controls.h"
#include "core/Dialogs.h"
#include "core/Globals.h"
#include "core/Platform.h"
#include "core/Settings.h"
#include "history/HistoryLog.h"
#include "backup/AddFolder.h"
#include "backup/PublisherAutomation.h"
#include "backup/SavePublisher.h"
#include "backup/Scheduler.h"
#include "startup/mStartUp.h"
#include "support/HelpAndSupport.h"
#include "tray/MinimizeToTray.h"
#include "tray/cSysTray.h"
#include "tray/TrayMenu.h"
#include "recovery/BackupsPorts.h"
#include "recovery/PublisherEndWatch.h"

namespace kelbrook {

struct Form1Ports {
    Controls& controls;
    SettingsStore& settings;
    Dialogs& dialogs;
    Files& files;
    Processes& processes;
    ShellFolders& shell;
    PublisherAutomation& publisher;
    MessagePump& pump;
    FolderPicker& folders;
    DebugOutput& debug;
    Clipboard& clipboard;
    Clock& clock;
    ShellTray& shellTray;
    TrayControlWindow& trayWindow;
    RunKey& runKey;
    RandomSource& random;
    TrayMenu& trayMenu;
    Recovery::BackupsWindow& backups;
    Recovery::BackupShell& backupShell;
};

inline constexpr wchar_t kPublisherMissingMessage[] =
    L"Publisher is not installed on this computer. You need to have it installed to use this "
    L"software without error.";
inline constexpr wchar_t kIntervalHeader[] = L"How often would you like to backup all open files?";
inline constexpr int kIntervalColumnTwips = 6400;
inline constexpr wchar_t kTurnedOffStatus[] = L"Auto Save is Turned Off.";
inline constexpr wchar_t kCursorFile[] = L"\\HAND-M.CUR";

class Form1 : public ControlEvents, public TrayEvents, public Recovery::RecoveryEvents {
  public:
    Form1(Form1Ports ports, ProgramValues& values)
        : ports_(ports),
          values_(values),
          cSysTray1_({ports.shellTray, ports.trayWindow, ports.pump}, *this),
          watch_({ports.settings, ports.publisher, ports.debug}, values, *this) {}

    // The whole start-up. Its first steps, 100 and 102 (another instance runs: end at once,
    // silently), are wWinMain's, which holds the single-instance mutex before any window exists.
    void Form_Load();
    // Closing: stops the timer and takes the tray icon away; never cancels.
    void Form_QueryUnload();

    void Text1_Change();
    void Option1_Click();
    void Option2_Click();
    void Option3_Click();
    void Option4_Click();
    void ThinOutBackups_Click();
    void PushButton1_Click();
    void PushButton2_Click();
    void PushButton4_Click();
    void ListView1_Click();
    void Timer1_Timer();
    void PushButton3_Click();
    void PushButton5_Click();
    void PushButton12_Click();
    // "Backups…": the Backups window.
    void BackupsButton_Click();

    bool IsLoading() const { return isLoading_; }
    const Countdown& countdown() const { return countdown_; }

    // ControlEvents
    void Click(ControlId id) override;
    void Change(ControlId id) override;
    void MouseMove(ControlId id) override;
    void QueryUnload() override { Form_QueryUnload(); }
    void Tick() override { Timer1_Timer(); }
    void Resize() override;
    void ShellRestarted() override { cSysTray1_.ShellRestarted(); }

    // TrayEvents of cSysTray1: only a button's release does something: the left button's
    // brings the window back, the right button's shows the tray menu.
    void MouseMove(std::int32_t) override {}
    void MouseDown(std::int16_t, std::int32_t) override {}
    void MouseUp(std::int16_t button, std::int32_t id) override;
    void MouseDblClick(std::int16_t, std::int32_t) override {}
    // The balloon of Publisher's unexpected end: one publication's backup opens, several
    // publications' show in the Backups window.
    void BalloonClick(std::int32_t id) override;

    // RecoveryEvents: the tray tip, and the balloon when the user is to be told.
    void PendingChanged(const std::vector<Recovery::PendingRecovery>& pending, bool tell) override;
    // The tray menu's "Recover News.pub…": its backup offered, or the reminder stopped.
    void RecoverFromMenu(std::size_t index);
    // The main window's recovery line: "Open backup" (several publications: the Backups
    // window) and "Dismiss".
    void RecoveryOpen_Click();
    void RecoveryDismiss_Click();

    void Form_Resize();
    void cSysTray1_MouseUp(std::int16_t Button, std::int32_t Id);
    void Check8_Click();
    void Check5_Click();
    void PushButton11_Click();

  private:
    HistoryPorts History() const;
    SavePublisherPorts Backup() const;
    SchedulerPorts Schedule() const;
    MinimizeToTrayPorts Tray();
    SupportPorts Support() const;
    void DispatchClick(ControlId id);
    // Opens the recovery's backup in Publisher: its newest, or the newest complete one; a
    // backup that has gone is said so, and the next one offered.
    void OpenRecovery(const Recovery::PendingRecovery& recovery);
    bool Ask(const std::wstring& question);
    // One publication to recover: its backup opens; several: the Backups window shows theirs
    // alone.
    void OpenPending();
    // Several publications to recover: the Backups window shows theirs alone.
    void ShowPendingBackups();
    // The line shows, with its buttons, while a recovery is pending.
    void ShowRecoveryLine();

    Form1Ports ports_;
    ProgramValues& values_;
    bool isLoading_ = false;
    Countdown countdown_;
    cSysTray cSysTray1_;
    Recovery::PublisherEndWatch watch_;
};

}  // namespace kelbrook
