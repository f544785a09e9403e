// Message boxes, modal to the main window.
#pragma once

#include <windows.h>

#include "core/Dialogs.h"

namespace kelbrook::win32 {

class MessageBoxDialogs : public Dialogs {
  public:
    explicit MessageBoxDialogs(HWND owner = nullptr) : owner_(owner) {}
    void SetOwner(HWND owner) { owner_ = owner; }

    MessageAnswer ShowMessage(const std::wstring& text, const std::wstring& caption,
                              MessageButtons buttons, MessageIcon icon) override;

    // The MessageBox style for a message: MB_OK or MB_YESNO, plus MB_ICONWARNING (48 with
    // MB_OK), task-modal when there is no owner window.
    static UINT Style(MessageButtons buttons, MessageIcon icon, bool hasOwner);

  private:
    HWND owner_;
};

}  // namespace kelbrook::win32
