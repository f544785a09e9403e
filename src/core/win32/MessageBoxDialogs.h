// Message boxes, modal to the main window.
#pragma once

#include "core/Dialogs.h"
#include "core/win32/Win32Support.h"

namespace kelbrook::win32 {

class MessageBoxDialogs : public Dialogs, public OwnedByWindow {
  public:
    using OwnedByWindow::OwnedByWindow;

    MessageAnswer ShowMessage(const std::wstring& text, const std::wstring& caption,
                              MessageButtons buttons, MessageIcon icon) override;

    // The MessageBox style for a message: MB_OK or MB_YESNO, plus MB_ICONWARNING (48 with
    // MB_OK), task-modal when there is no owner window.
    static UINT Style(MessageButtons buttons, MessageIcon icon, bool hasOwner);
};

}  // namespace kelbrook::win32
