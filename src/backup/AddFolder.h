// The folder dialog, shared by the browse button and the backup run, and the browse
// button's handler.
#pragma once

#include <string>

namespace kelbrook {

class Controls;
class Dialogs;

class FolderPicker {
  public:
    virtual ~FolderPicker() = default;
    // Shows the shell's folder dialog, modal to the main window, with the prompt above the
    // tree and the start folder selected (none when empty). Gives the chosen folder's full
    // path, or "" when the user cancels or picks something that is not a file-system folder.
    virtual std::wstring PickFolder(const std::wstring& prompt,
                                    const std::wstring& startFolder) = 0;
};

namespace AddFolder {

inline constexpr wchar_t kBrowsePrompt[] = L"Please select folder:";

// "...": the chosen folder goes into Text1, whose change handler stores it.
void PushButton1_Click(Dialogs& dialogs, FolderPicker& picker, Controls& controls);

}  // namespace AddFolder
}  // namespace kelbrook
