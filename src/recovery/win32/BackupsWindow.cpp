// The Backups window's behaviour: its messages, its list, its actions and its refreshes.
#include "recovery/win32/BackupsWindow.h"

#include <windows.h>

#include <commctrl.h>
#include <windowsx.h>

#include "core/Failure.h"

namespace kelbrook::win32 {

namespace {

// The context menu's commands are the buttons'.
constexpr struct {
    int id;
    const wchar_t* caption;
} kMenu[] = {
    {kBackupsOpen, L"&Open"},
    {kBackupsShow, L"&Show in folder"},
    {kBackupsRestore, L"&Restore a copy"},
    {0, nullptr},
    {kBackupsRefresh, L"Re&fresh\tF5"},
};

}  // namespace

// ---- the owner the program holds --------------------------------------------------------

Win32BackupsWindow::Win32BackupsWindow(HINSTANCE instance,
                                       std::function<Recovery::CatalogueSources()> sources)
    : instance_(instance), sources_(std::move(sources)) {}

Win32BackupsWindow::~Win32BackupsWindow() = default;

void Win32BackupsWindow::Show() {
    if (window_ && window_->Alive()) {
        HWND window = window_->Handle();
        if (::IsIconic(window)) ::ShowWindow(window, SW_RESTORE);
        ::SetForegroundWindow(window);
        return;
    }
    window_.reset();
    window_ = std::make_unique<BackupsWindowImpl>(instance_, sources_);
}

void Win32BackupsWindow::ShowPublications(const std::vector<std::wstring>& backups) {
    Show();
    if (window_ && window_->Alive()) window_->ChoosePublications(backups);
}

bool Win32BackupsWindow::PreTranslate(MSG& message) {
    return window_ && window_->Alive() && window_->PreTranslate(message);
}

HWND Win32BackupsWindow::Handle() const {
    return window_ && window_->Alive() ? window_->Handle() : nullptr;
}

// ---- the window -----------------------------------------------------------------------------

bool BackupsWindowImpl::PreTranslate(MSG& message) {
    if (message.hwnd != window_ && !::IsChild(window_, message.hwnd)) return false;
    if (message.message == WM_KEYDOWN && message.wParam == VK_F5) {
        StartRefresh();
        return true;
    }
    return ::IsDialogMessageW(window_, &message) != FALSE;
}

LRESULT CALLBACK BackupsWindowImpl::WindowProc(HWND window, UINT message, WPARAM wParam,
                                               LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* self = static_cast<BackupsWindowImpl*>(
            reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->window_ = window;
        ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<BackupsWindowImpl*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self == nullptr) return ::DefWindowProcW(window, message, wParam, lParam);
    try {
        return self->HandleMessage(message, wParam, lParam);
    } catch (...) {  // nothing escapes into the system's code
        self->dialogs_.ShowMessage(DescribeCurrentException(), Recovery::kBackupsCaption,
                                   MessageButtons::Ok, MessageIcon::Warning);
        return 0;
    }
}

LRESULT BackupsWindowImpl::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_SIZE:
            if (Child(kBackupsList) != nullptr) LayOut();
            return 0;
        case WM_GETMINMAXINFO: {
            auto* limits = reinterpret_cast<MINMAXINFO*>(lParam);
            limits->ptMinTrackSize = {Scale(560), Scale(240)};
            return 0;
        }
        case WM_DPICHANGED:
            OnDpiChanged(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
            return 0;
        case WM_COMMAND:
            OnCommand(LOWORD(wParam), HIWORD(wParam));
            return 0;
        case WM_NOTIFY:
            return OnNotify(*reinterpret_cast<const NMHDR*>(lParam));
        case WM_CONTEXTMENU:
            OnContextMenu(reinterpret_cast<HWND>(wParam), lParam);
            return 0;
        case WM_TIMER:
            if (wParam == kLogWatch && !refreshing_ && LogChanged()) StartRefresh();
            return 0;
        case kCatalogueReady:
            TakeCatalogue();
            return 0;
        case WM_CLOSE:
            ::DestroyWindow(window_);
            return 0;
        case WM_DESTROY:
            ::KillTimer(window_, kLogWatch);
            ::SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
            window_ = nullptr;
            return 0;
        default:
            break;
    }
    return ::DefWindowProcW(window_, message, wParam, lParam);
}

void BackupsWindowImpl::OnCommand(int id, int code) {
    switch (id) {
        case kBackupsFilter:
            if (code == CBN_SELCHANGE) {
                const int at = ComboBox_GetCurSel(Child(kBackupsFilter));
                filterKey_ = at > 0 && at <= static_cast<int>(publications_.size())
                                 ? publications_[static_cast<std::size_t>(at - 1)].key
                                 : std::wstring();
                const Recovery::BackupRow* selected = Selected();
                ShowRows(selected ? selected->path : L"");
            }
            return;
        case IDCANCEL:
            ::DestroyWindow(window_);
            return;
        case kBackupsOpen:
        case kBackupsShow:
        case kBackupsRestore:
            if (code == BN_CLICKED) Act(id);
            return;
        case kBackupsRefresh:
            if (code == BN_CLICKED) StartRefresh();
            return;
        default:
            return;
    }
}

LRESULT BackupsWindowImpl::OnNotify(const NMHDR& header) {
    if (header.idFrom != kBackupsList) return 0;
    switch (header.code) {
        case LVN_GETDISPINFOW:
            OnDispInfo(*reinterpret_cast<NMLVDISPINFOW*>(const_cast<NMHDR*>(&header)));
            return 0;
        case NM_CUSTOMDRAW:
            return OnCustomDraw(*reinterpret_cast<NMLVCUSTOMDRAW*>(const_cast<NMHDR*>(&header)));
        case LVN_COLUMNCLICK: {
            const auto& click = reinterpret_cast<const NMLISTVIEW&>(header);
            const Recovery::BackupRow* selected = Selected();
            const std::wstring keep = selected ? selected->path : L"";
            order_ = Recovery::Clicked(order_, static_cast<Recovery::Column>(click.iSubItem));
            Recovery::Sort(rows_, order_);
            ShowSortArrow();
            ShowRows(keep);
            return 0;
        }
        case LVN_ITEMACTIVATE:  // a double click, or Enter on the list
            Act(kBackupsOpen);
            return 0;
        case LVN_ITEMCHANGED:
            UpdateButtons();
            return 0;
        default:
            return 0;
    }
}

void BackupsWindowImpl::OnDispInfo(NMLVDISPINFOW& info) {
    if (!(info.item.mask & LVIF_TEXT) || info.item.iItem < 0 ||
        static_cast<std::size_t>(info.item.iItem) >= shown_.size() || info.item.cchTextMax <= 0) {
        return;
    }
    const Recovery::BackupRow& row = rows_[shown_[static_cast<std::size_t>(info.item.iItem)]];
    cellText_ = Recovery::CellText(row, static_cast<Recovery::Column>(info.item.iSubItem), clock_);
    const std::size_t room = static_cast<std::size_t>(info.item.cchTextMax) - 1;
    const std::size_t length = std::min(room, cellText_.size());
    cellText_.copy(info.item.pszText, length);
    info.item.pszText[length] = L'\0';
}

// A row with nothing to open is greyed.
LRESULT BackupsWindowImpl::OnCustomDraw(NMLVCUSTOMDRAW& draw) {
    switch (draw.nmcd.dwDrawStage) {
        case CDDS_PREPAINT:
            return CDRF_NOTIFYITEMDRAW;
        case CDDS_ITEMPREPAINT: {
            const std::size_t item = draw.nmcd.dwItemSpec;
            if (item < shown_.size() && rows_[shown_[item]].Greyed()) {
                draw.clrText = ::GetSysColor(COLOR_GRAYTEXT);
            }
            return CDRF_DODEFAULT;
        }
        default:
            return CDRF_DODEFAULT;
    }
}

// Shift+F10 and the menu key come with no point: the menu goes to the selected row.
void BackupsWindowImpl::OnContextMenu(HWND from, LPARAM at) {
    HWND list = Child(kBackupsList);
    if (from != list) return;
    POINT point{GET_X_LPARAM(at), GET_Y_LPARAM(at)};
    if (at == -1) {
        RECT place{};
        const int item = ListView_GetNextItem(list, -1, LVNI_SELECTED);
        if (item < 0 || !ListView_GetItemRect(list, item, &place, LVIR_LABEL)) {
            ::GetClientRect(list, &place);
        }
        point = {place.left + Scale(8), place.bottom};
        ::ClientToScreen(list, &point);
    }
    UniqueMenu menu(::CreatePopupMenu());
    if (!menu) ThrowLastError(L"Showing the menu");
    const Recovery::BackupRow* selected = Selected();
    const bool usable = selected != nullptr && !selected->Greyed();
    for (const auto& item : kMenu) {
        if (item.caption == nullptr) {
            ::AppendMenuW(menu.get(), MF_SEPARATOR, 0, nullptr);
            continue;
        }
        const bool enabled = item.id == kBackupsRefresh || usable;
        ::AppendMenuW(menu.get(), MF_STRING | (enabled ? MF_ENABLED : MF_GRAYED),
                      static_cast<UINT_PTR>(item.id), item.caption);
    }
    ::SetMenuDefaultItem(menu.get(), kBackupsOpen, FALSE);
    const int chosen = static_cast<int>(
        ::TrackPopupMenuEx(menu.get(), TPM_RETURNCMD | TPM_NONOTIFY | TPM_RIGHTBUTTON, point.x,
                           point.y, window_, nullptr));
    if (chosen == kBackupsRefresh) {
        StartRefresh();
    } else if (chosen != 0) {
        Act(chosen);
    }
}

const Recovery::BackupRow* BackupsWindowImpl::Selected() const {
    const int item = ListView_GetNextItem(Child(kBackupsList), -1, LVNI_SELECTED);
    if (item < 0 || static_cast<std::size_t>(item) >= shown_.size()) return nullptr;
    return &rows_[shown_[static_cast<std::size_t>(item)]];
}

void BackupsWindowImpl::UpdateButtons() {
    const Recovery::BackupRow* selected = Selected();
    const bool usable = selected != nullptr && !selected->Greyed();
    for (const int id : {kBackupsOpen, kBackupsShow, kBackupsRestore}) {
        ::EnableWindow(Child(id), usable);
    }
}

void BackupsWindowImpl::Act(int command) {
    const Recovery::BackupRow* selected = Selected();
    if (selected == nullptr) return;
    const Recovery::BackupRow row = *selected;  // a refresh may replace the rows meanwhile
    const Recovery::ActionPorts ports{folders_, shell_, dialogs_, clock_};
    bool done = false;
    if (command == kBackupsOpen) {
        done = Recovery::OpenBackup(ports, row);
    } else if (command == kBackupsShow) {
        done = Recovery::ShowBackupInFolder(ports, row);
    } else if (command == kBackupsRestore) {
        done = Recovery::RestoreCopy(ports, row, current_.extension).has_value();
    }
    if (!done && !row.Greyed()) StartRefresh();  // it may have gone: the list says so
}

}  // namespace kelbrook::win32
