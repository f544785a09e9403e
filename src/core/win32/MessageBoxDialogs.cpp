#include "core/win32/MessageBoxDialogs.h"

#include "core/win32/Win32Support.h"

namespace kelbrook::win32 {

UINT MessageBoxDialogs::Style(MessageButtons buttons, MessageIcon icon, bool hasOwner) {
    UINT style = buttons == MessageButtons::YesNo ? MB_YESNO : MB_OK;
    if (icon == MessageIcon::Warning) style |= MB_ICONWARNING;
    if (!hasOwner) style |= MB_TASKMODAL;
    return style;
}

MessageAnswer MessageBoxDialogs::ShowMessage(const std::wstring& text, const std::wstring& caption,
                                             MessageButtons buttons, MessageIcon icon) {
    const HWND owner = Owner();
    const int answer =
        ::MessageBoxW(owner, text.c_str(), caption.c_str(), Style(buttons, icon, owner != nullptr));
    switch (answer) {
        case IDYES:
            return MessageAnswer::Yes;
        case IDNO:
            return MessageAnswer::No;
        case 0:
            ThrowLastError(L"The message could not be shown");
        default:
            return buttons == MessageButtons::YesNo ? MessageAnswer::No : MessageAnswer::Ok;
    }
}

}  // namespace kelbrook::win32
