#include "history/HistoryLog.h"

#include "core/ErrorReport.h"
#include "core/Globals.h"
#include "core/Main.h"

namespace kelbrook {

std::wstring ComposeHistoryLogPath(const std::optional<std::wstring>& tempFolder) {
    const std::wstring stem =
        Globals::CleanFileName(Globals::DropTrailingWord(kProductName, L"Software"));
    return tempFolder.value_or(L"") + L"\\" + stem + L".txt";
}

void AppendHistoryLine(Files& files, const std::wstring& historyLogPath, const std::wstring& text) {
    files.AppendAnsiLine(historyLogPath, text);
}

namespace History {

void PushButton3_Click(HistoryPorts ports, const std::wstring& historyLogPath,
                       const std::wstring& applicationTitle) {
    GuardedProcedure view(ports.dialogs, Location(L"Form1", L"PushButton3_Click"));
    if (view.Test(100, [&] { return Main::FileExists(ports.files, historyLogPath); })) {
        view.Step(102, [&] {
            ports.processes.Start(L"notepad \"" + historyLogPath + L"\"", ShowState::Normal);
        });
    } else {
        view.Step(104, [&] {
            ports.dialogs.ShowMessage(kNoHistoryMessage, applicationTitle, MessageButtons::Ok,
                                      MessageIcon::None);
        });
    }
}

void PushButton5_Click(HistoryPorts ports, const std::wstring& historyLogPath) {
    GuardedProcedure copy(ports.dialogs, Location(L"Form1", L"PushButton5_Click"));
    if (!copy.Test(100, [&] { return Main::FileExists(ports.files, historyLogPath); })) return;
    Controls& controls = ports.controls;
    copy.Step(102, [&] {
        controls.SetCaption(ControlId::RichTextBox1, ports.files.ReadAnsiText(historyLogPath));
    });
    copy.Step(104, [&] { controls.SetSelectionStart(ControlId::RichTextBox1, 0); });
    copy.Step(106, [&] {
        controls.SetSelectionLength(
            ControlId::RichTextBox1,
            static_cast<int>(controls.Caption(ControlId::RichTextBox1).size()));
    });
    copy.Step(108, [&] { controls.CopySelection(ControlId::RichTextBox1); });
}

void PushButton12_Click(HistoryPorts ports, const std::wstring& historyLogPath,
                        const std::wstring& applicationTitle) {
    GuardedProcedure clear(ports.dialogs, Location(L"Form1", L"PushButton12_Click"));
    MessageAnswer answer = MessageAnswer::No;
    clear.Step(100, [&] {
        answer = ports.dialogs.ShowMessage(kClearHistoryQuestion, applicationTitle,
                                           MessageButtons::YesNo, MessageIcon::None);
    });
    if (answer != MessageAnswer::Yes) return;
    clear.Step(102, [&] { Main::ForceDeleteFile(ports.files, ports.pump, historyLogPath); });
}

}  // namespace History
}  // namespace kelbrook
