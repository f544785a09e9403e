#include "app/Form1.h"

#include <iterator>
#include <utility>

#include "core/ErrorReport.h"
#include "core/Main.h"
#include "history/HistoryLog.h"

namespace kelbrook {

// Steps 150 to 168 add the rows, one step each.
static_assert(std::size(kIntervalRows) == 10, "step 170 follows the tenth row's step 168");

void Form1::Form_Load() {
    Controls& controls = ports_.controls;
    SettingsStore& settings = ports_.settings;
    GuardedProcedure load(ports_.dialogs, Location(L"Form1", L"Form_Load"));
    // The window's controls are loaded first: cSysTray1 restores what the window keeps of
    // it (nothing: out of the tray, its own icon, the default tip) before start-up begins.
    cSysTray1_.ReadProperties({});

    load.Step(104, [&] { Main::ApplySkin(ports_.processes, ports_.files, controls); });
    load.Step(108, [&] { values_.BackupExtension = L".pub"; });
    load.Step(110, [&] { isLoading_ = true; });
    watch_.OpenSession();  // before anything can end this session

    std::wstring cursorPath;
    if (load.Test(112, [&] {
            cursorPath = ports_.processes.ProgramFolder() + kCursorFile;
            return Main::FileExists(ports_.files, cursorPath);
        })) {
        load.Step(114, [&] { controls.LoadCustomPointer(cursorPath); });
    }

    load.Step(116, [&] { Support::VisitHomePage(Support()); });

    load.Step(134, [&] {
        controls.SetCaption(ControlId::Form1, kProductName);
        controls.SetApplicationIcon();
        Main::SetApplicationTitle(values_);
    });
    load.Step(136, [&] {
        std::optional<std::wstring> path = settings.Read(SettingKey::Path);
        controls.SetCaption(ControlId::Text1, path ? *path : Main::DesktopFolderPath(ports_.shell));
    });

    std::wstring whereOption;
    load.Step(138, [&] { whereOption = ReadSetting(settings, SettingKey::WhereOption, L"1"); });
    if (load.Test(140, [&] { return whereOption == L"1"; })) {
        load.Step(142, [&] { controls.SetValue(ControlId::Option1, true); });
    } else {
        load.Step(144, [&] { controls.SetValue(ControlId::Option2, true); });
    }

    load.Step(146, [&] { controls.AddListColumn(kIntervalHeader); });
    load.Step(148, [&] { controls.SetListColumnWidth(kIntervalColumnTwips); });
    for (std::size_t row = 0; row < std::size(kIntervalRows); ++row) {
        load.Step(150 + 2 * static_cast<int>(row),
                  [&] { controls.AddListRow(kIntervalRows[row].text); });
    }

    int oftenIndex = 0;
    load.Step(170, [&] {
        oftenIndex = ToInteger16(ReadSetting(settings, SettingKey::OftenIndex, L"3"));
    });
    load.Step(172, [&] {
        if (oftenIndex < 1 || oftenIndex > controls.ListRowCount()) {
            throw Failure(L"Index out of bounds");
        }
        controls.SelectListRow(oftenIndex);
    });

    std::wstring startStop;
    load.Step(174, [&] { startStop = ReadSetting(settings, SettingKey::StartStopState, L"On"); });
    if (load.Test(176, [&] { return startStop == L"Off"; })) {
        load.Step(178, [&] { controls.SetCaption(ControlId::PushButton4, kTurnOnCaption); });
        load.Step(180, [&] { controls.SetCaption(ControlId::Frame2, kTurnedOffStatus); });
        load.Step(182, [&] { controls.SetTimerInterval(0); });
    } else if (load.Test(184, [&] { return startStop == L"On"; })) {
        load.Step(186, [&] { controls.SetCaption(ControlId::PushButton4, kTurnOffCaption); });
        load.Step(188, [&] { controls.SetTimerInterval(1000); });
    }

    double backupOption = 0.0;
    bool backupOptionIsOne = false;
    load.Step(190, [&] {
        backupOption = LeadingNumber(ReadSetting(settings, SettingKey::BackupOption, L""));
    });
    backupOptionIsOne = load.Test(190, [&] { return backupOption == 1.0; });
    if (backupOptionIsOne) {
        load.Step(192, [&] { controls.SetValue(ControlId::Option3, true); });
    } else if (load.Test(194, [&] { return backupOption == 2.0; })) {
        load.Step(196, [&] { controls.SetValue(ControlId::Option4, true); });
    } else {
        load.Step(198, [&] { controls.SetValue(ControlId::Option3, true); });
    }

    load.Step(200, [&] { controls.ShowWindow(); });
    load.Step(202, [&] { cSysTray1_.SetInTray(true); });
    load.Step(204, [&] {
        cSysTray1_.SetTrayTip(kProductName);
        controls.SetApplicationIcon();
    });

    load.Step(206, [&] {
        controls.SetValue(ControlId::Check5,
                          ReadSetting(settings, SettingKey::WindowsStartup, L"Off") == L"On");
    });
    load.Step(208, [&] {
        controls.SetValue(ControlId::Check8,
                          ReadSetting(settings, SettingKey::Minimized, L"Off") == L"On");
    });
    if (load.Test(210, [&] { return controls.Value(ControlId::Check8); })) {
        load.Step(212, [&] { controls.SetWindowState(WindowState::Minimized); });
    }
    load.Step(212, [&] {
        values_.HistoryLogPath = ComposeHistoryLogPath(ports_.processes.Environment(L"TEMP"));
    });
    // 218 (placed before 214, which ends the restoring): the box that thins out older
    // backups, as it was left (off unless ticked).
    load.Step(218, [&] {
        controls.SetValue(ControlId::ThinOutBackups,
                          ReadSetting(settings, SettingKey::ThinOutBackups, L"Off") == L"On");
    });
    load.Step(214, [&] { isLoading_ = false; });

    // 216: is Publisher installed? The registry says so without starting Publisher, whose
    // first-run questions in a hidden instance would hold start-up. Nothing of this step
    // reaches the error report.
    RunUntrapped(ports_.debug, L"Form1.Form_Load at line 216", [&] {
        if (!ports_.publisher.IsInstalled()) {
            ports_.dialogs.ShowMessage(kPublisherMissingMessage, values_.ApplicationTitle,
                                       MessageButtons::Ok, MessageIcon::None);
        }
    });

    // Last: what an unexpected end of Publisher left to recover; the user's Publisher is
    // watched from the end of each run on.
    values_.AfterRun = [this] { watch_.AfterRun(); };
    watch_.Start();
    ShowRecoveryLine();
}

void Form1::Form_QueryUnload() {
    values_.Closing = true;  // a run that waits in a dialog ends at its next step
    GuardedProcedure unload(ports_.dialogs, Location(L"Form1", L"Form_QueryUnload"));
    unload.Step(100, [&] { ports_.controls.SetTimerInterval(0); });
    unload.Step(102, [&] { cSysTray1_.SetInTray(false); });
    watch_.End();  // a clean end: nothing owed to it at the next start
}

void Form1::Text1_Change() {
    ports_.settings.Write(SettingKey::Path, ports_.controls.Caption(ControlId::Text1));
}

void Form1::Option1_Click() {
    ports_.settings.Write(SettingKey::WhereOption, L"1");
}
void Form1::Option2_Click() {
    ports_.settings.Write(SettingKey::WhereOption, L"2");
}
// Thinning applies to "Create new file on backup"; the other option keeps one file a day.
void Form1::Option3_Click() {
    ports_.settings.Write(SettingKey::BackupOption, L"1");
    ports_.controls.SetEnabled(ControlId::ThinOutBackups, true);
}
void Form1::Option4_Click() {
    ports_.settings.Write(SettingKey::BackupOption, L"2");
    ports_.controls.SetEnabled(ControlId::ThinOutBackups, false);
}
void Form1::ThinOutBackups_Click() {
    ports_.settings.Write(SettingKey::ThinOutBackups,
                          ports_.controls.Value(ControlId::ThinOutBackups) ? L"On" : L"Off");
}

void Form1::PushButton1_Click() {
    AddFolder::PushButton1_Click(ports_.dialogs, ports_.folders, ports_.controls);
}

SavePublisherPorts Form1::Backup() const {
    return {ports_.controls,  ports_.dialogs,   ports_.files, ports_.folders,
            ports_.publisher, ports_.clipboard, ports_.clock, ports_.debug};
}

void Form1::PushButton2_Click() {
    SavePublisher::PushButton2_Click(Backup(), values_);
}

MinimizeToTrayPorts Form1::Tray() {
    return {ports_.controls, ports_.settings, cSysTray1_};
}

void Form1::Resize() {
    RunUntrapped(ports_.debug, L"Form1.Form_Resize", [&] { Form_Resize(); });
}

void Form1::MouseUp(std::int16_t button, std::int32_t id) {
    RunUntrapped(ports_.debug, L"Form1.cSysTray1_MouseUp", [&] { cSysTray1_MouseUp(button, id); });
}

void Form1::Form_Resize() {
    MinimizeToTray::Form_Resize(Tray(), values_);
}

void Form1::cSysTray1_MouseUp(std::int16_t Button, std::int32_t Id) {
    if (Button != 2) {
        MinimizeToTray::cSysTray1_MouseUp(Tray(), values_, Button, Id);
        return;
    }
    std::vector<std::wstring> recoveries;
    for (const auto& recovery : values_.PendingRecoveries) {
        recoveries.push_back(L"&" + Recovery::MenuText(recovery));  // R, its access key
    }
    const TrayChoice choice = TrayMenuItems::Choose(ports_.trayMenu, recoveries);
    switch (choice.command) {
        case TrayCommand::Recover:
            RecoverFromMenu(static_cast<std::size_t>(choice.recovery));
            break;
        case TrayCommand::OpenKelbrook:
            MinimizeToTray::cSysTray1_MouseUp(Tray(), values_, Button, Id);
            break;
        case TrayCommand::BackupSaveNow:
            PushButton2_Click();
            break;
        case TrayCommand::Backups:
            BackupsButton_Click();
            break;
        case TrayCommand::Exit:
            ports_.controls.Close();
            break;
        case TrayCommand::None:
            break;
    }
}

void Form1::BackupsButton_Click() {
    ports_.backups.Show();
}

SupportPorts Form1::Support() const {
    return {ports_.dialogs, ports_.processes, ports_.random};
}

void Form1::PushButton11_Click() {
    Support::PushButton11_Click(Support(), values_.ApplicationTitle);
}

void Form1::Check5_Click() {
    mStartUp::Check5_Click({ports_.controls, ports_.settings, ports_.processes, ports_.runKey},
                           isLoading_);
}

void Form1::Check8_Click() {
    MinimizeToTray::Check8_Click(Tray());
}

SchedulerPorts Form1::Schedule() const {
    return {ports_.controls, ports_.dialogs, ports_.settings, Backup()};
}

void Form1::PushButton4_Click() {
    Scheduler::PushButton4_Click(Schedule());
}

void Form1::ListView1_Click() {
    Scheduler::ListView1_Click(Schedule(), countdown_);
}

void Form1::Timer1_Timer() {
    Scheduler::Timer1_Timer(Schedule(), countdown_, values_);
}

HistoryPorts Form1::History() const {
    return {ports_.dialogs, ports_.files, ports_.processes, ports_.pump, ports_.controls};
}

void Form1::PushButton3_Click() {
    History::PushButton3_Click(History(), values_.HistoryLogPath, values_.ApplicationTitle);
}

void Form1::PushButton5_Click() {
    History::PushButton5_Click(History(), values_.HistoryLogPath);
}

void Form1::PushButton12_Click() {
    History::PushButton12_Click(History(), values_.HistoryLogPath, values_.ApplicationTitle);
}

void Form1::Click(ControlId id) {
    RunUntrapped(ports_.debug, std::wstring(L"Form1.") + ControlName(id) + L"_Click",
                 [&] { DispatchClick(id); });
}

void Form1::DispatchClick(ControlId id) {
    static constexpr std::pair<ControlId, void (Form1::*)()> kClickHandlers[] = {
        {ControlId::PushButton1, &Form1::PushButton1_Click},
        {ControlId::PushButton2, &Form1::PushButton2_Click},
        {ControlId::PushButton4, &Form1::PushButton4_Click},
        {ControlId::ListView1, &Form1::ListView1_Click},
        {ControlId::PushButton3, &Form1::PushButton3_Click},
        {ControlId::PushButton5, &Form1::PushButton5_Click},
        {ControlId::PushButton12, &Form1::PushButton12_Click},
        {ControlId::Check5, &Form1::Check5_Click},
        {ControlId::PushButton11, &Form1::PushButton11_Click},
        {ControlId::Check8, &Form1::Check8_Click},
        {ControlId::Option1, &Form1::Option1_Click},
        {ControlId::Option2, &Form1::Option2_Click},
        {ControlId::Option3, &Form1::Option3_Click},
        {ControlId::Option4, &Form1::Option4_Click},
        {ControlId::ThinOutBackups, &Form1::ThinOutBackups_Click},
        {ControlId::BackupsButton, &Form1::BackupsButton_Click},
        {ControlId::RecoveryOpen, &Form1::RecoveryOpen_Click},
        {ControlId::RecoveryDismiss, &Form1::RecoveryDismiss_Click},
    };
    for (const auto& [control, handler] : kClickHandlers) {
        if (control == id) (this->*handler)();
    }
}

void Form1::Change(ControlId id) {
    if (id != ControlId::Text1) return;
    RunUntrapped(ports_.debug, L"Form1.Text1_Change", [&] { Text1_Change(); });
}

void Form1::MouseMove(ControlId id) {
    switch (RowOf(id).kind) {
        case ControlKind::PushButton:
            ports_.controls.SetPointer(Pointer::Custom);
            break;
        case ControlKind::Window:
        case ControlKind::Frame:
        case ControlKind::List:
        case ControlKind::Text:
            ports_.controls.SetPointer(Pointer::Default);
            break;
        default:  // option buttons, check boxes and the progress bar keep the pointer
            break;
    }
}

}  // namespace kelbrook
