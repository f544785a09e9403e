#include "backup/AddFolder.h"

#include "core/Controls.h"
#include "core/ErrorReport.h"

namespace kelbrook::AddFolder {

void PushButton1_Click(Dialogs& dialogs, FolderPicker& picker, Controls& controls) {
    GuardedProcedure click(dialogs, Location(L"Form1", L"PushButton1_Click"));
    std::wstring folder;
    click.Step(100, [&] { folder = picker.PickFolder(kBrowsePrompt, L""); });
    if (click.Test(102, [&] { return folder.empty(); })) return;
    click.Step(104, [&] { controls.SetCaption(ControlId::Text1, folder); });
}

}  // namespace kelbrook::AddFolder
