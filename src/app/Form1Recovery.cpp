// The main window's side of recovering work after Publisher ended unexpectedly: the balloon,
// the tray tip and menu, and opening a pending recovery's backup.
#include "app/Form1.h"

#include "core/ErrorReport.h"
#include "core/Main.h"

namespace kelbrook {

void Form1::PendingChanged(const std::vector<Recovery::PendingRecovery>& pending, bool tell) {
    RunUntrapped(ports_.debug, L"Form1.PendingChanged", [&] {
        cSysTray1_.SetTrayTip(Recovery::TrayTip(pending));
        ShowRecoveryLine();
        if (tell && !pending.empty()) {
            cSysTray1_.ShowBalloon(Recovery::NoticeText(pending, ports_.clock),
                                   Recovery::kEndedTitle, 0, false);
        }
    });
}

void Form1::BalloonClick(std::int32_t) {
    RunUntrapped(ports_.debug, L"Form1.BalloonClick", [&] { OpenPending(); });
}

void Form1::OpenPending() {
    const std::vector<Recovery::PendingRecovery> pending = values_.PendingRecoveries;
    if (pending.size() == 1) {
        OpenRecovery(pending.front());
    } else if (!pending.empty()) {
        ShowPendingBackups();
    }
}

void Form1::RecoverFromMenu(std::size_t index) {
    RunUntrapped(ports_.debug, L"Form1.RecoverFromMenu", [&] {
        if (index >= values_.PendingRecoveries.size()) return;
        const Recovery::PendingRecovery recovery = values_.PendingRecoveries[index];
        const std::wstring notice = Recovery::NoticeText({recovery}, ports_.clock);
        if (!recovery.backup.empty() &&
            Ask(notice + L".\r\n\r\nOpen the backup in Publisher now?")) {
            OpenRecovery(recovery);
        } else if (Ask(L"Stop reminding you of " + recovery.name +
                       L"? Its backups stay where they are; the Backups window lists them.")) {
            watch_.Resolved(recovery.fullName);
        }
    });
}

void Form1::ShowRecoveryLine() {
    RunUntrapped(ports_.debug, L"Form1.ShowRecoveryLine", [&] {
        Controls& controls = ports_.controls;
        const std::vector<Recovery::PendingRecovery>& pending = values_.PendingRecoveries;
        if (!pending.empty())
            controls.SetCaption(ControlId::RecoveryLine, Recovery::LineText(pending));
        for (const ControlId id :
             {ControlId::RecoveryOpen, ControlId::RecoveryDismiss, ControlId::RecoveryLine}) {
            controls.SetVisible(id, !pending.empty());
        }
    });
}

void Form1::RecoveryOpen_Click() {
    RunUntrapped(ports_.debug, L"Form1.RecoveryOpen_Click", [&] { OpenPending(); });
}

void Form1::RecoveryDismiss_Click() {
    RunUntrapped(ports_.debug, L"Form1.RecoveryDismiss_Click", [&] {
        const std::vector<Recovery::PendingRecovery> pending = values_.PendingRecoveries;
        if (pending.empty()) return;
        const std::wstring which = pending.size() == 1
                                       ? pending.front().name
                                       : std::to_wstring(pending.size()) + L" publications";
        if (!Ask(L"Stop reminding you of " + which +
                 L"? The backups stay where they are; the Backups window lists them.")) {
            return;
        }
        for (const Recovery::PendingRecovery& recovery : pending)
            watch_.Resolved(recovery.fullName);
    });
}

void Form1::ShowPendingBackups() {
    std::vector<std::wstring> backups;
    for (const Recovery::PendingRecovery& recovery : values_.PendingRecoveries) {
        for (const std::wstring* path : {&recovery.backup, &recovery.lastComplete}) {
            if (!path->empty()) backups.push_back(*path);
        }
    }
    ports_.backups.ShowPublications(backups);
}

bool Form1::Ask(const std::wstring& question) {
    return ports_.dialogs.ShowMessage(question, values_.ApplicationTitle, MessageButtons::YesNo,
                                      MessageIcon::None) == MessageAnswer::Yes;
}

void Form1::OpenRecovery(const Recovery::PendingRecovery& recovery) {
    Dialogs& dialogs = ports_.dialogs;
    const auto tell = [&](const std::wstring& text) {
        dialogs.ShowMessage(text, values_.ApplicationTitle, MessageButtons::Ok, MessageIcon::None);
    };
    if (recovery.backup.empty()) {
        tell(Recovery::NoticeText({recovery}, ports_.clock) + L".");
        return;
    }
    std::wstring path = recovery.backup;
    if (recovery.incomplete && !recovery.lastComplete.empty() &&
        !Ask(L"The newest backup of " + recovery.name + L" is incomplete:\r\n" + path +
             L"\r\n\r\nYes opens it anyway; No opens the newest complete one:\r\n" +
             recovery.lastComplete)) {
        path = recovery.lastComplete;
    }
    if (!Main::FileExists(ports_.files, path)) {
        const std::wstring next = path == recovery.backup ? recovery.lastComplete : L"";
        if (next.empty() || !Main::FileExists(ports_.files, next)) {
            tell(L"The backup is no longer there:\r\n" + path +
                 L"\r\n\r\nThe Backups window shows the backups of " + recovery.name +
                 L" that are.");
            ports_.backups.Show();
            return;
        }
        if (!Ask(L"The backup is no longer there:\r\n" + path +
                 L"\r\n\r\nOpen the one before it?\r\n" + next)) {
            return;
        }
        path = next;
    }
    try {
        ports_.backupShell.Open(path);
    } catch (...) {
        tell(L"The backup could not be opened:\r\n" + path + L"\r\n\r\n" +
             DescribeCurrentException());
        return;
    }
    watch_.Resolved(recovery.fullName);
}

}  // namespace kelbrook
