// The Backups window: "Kelbrook backups", a modeless top-level window, one at a time. Its
// list is a virtual report list view over the catalogue, which is built on a thread of its
// own so that the window answers while folders are read; the window watches the history log
// and builds the catalogue again when a run has written to it.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "core/win32/MessageBoxDialogs.h"
#include "core/win32/Win32Clock.h"
#include "core/win32/Win32Support.h"
#include "recovery/BackupsView.h"
#include "recovery/win32/Win32BackupFolders.h"

namespace kelbrook::win32 {

inline constexpr wchar_t kBackupsWindowClass[] = L"KelbrookBackupsWindow";

// Child-window identifiers, shared with the tests that drive the window from outside.
enum BackupsControlId : int {
    kBackupsOpen = IDOK,  // Enter is Open
    kBackupsShow = 201,
    kBackupsRestore,
    kBackupsRefresh,
    kBackupsFilter,
    kBackupsList,
    kBackupsStatus,
    kBackupsFilterLabel,
};

class BackupsWindowImpl;

// The message that says a catalogue is ready, and the timer that watches the history log.
inline constexpr UINT kCatalogueReady = WM_APP + 1;
inline constexpr UINT_PTR kLogWatch = 1;

class Win32BackupsWindow : public Recovery::BackupsWindow {
  public:
    // `sources` says, when asked, where the catalogue's rows come from.
    Win32BackupsWindow(HINSTANCE instance, std::function<Recovery::CatalogueSources()> sources);
    ~Win32BackupsWindow() override;
    Win32BackupsWindow(const Win32BackupsWindow&) = delete;
    Win32BackupsWindow& operator=(const Win32BackupsWindow&) = delete;

    void Show() override;
    void ShowPublications(const std::vector<std::wstring>& backups) override;
    // Keyboard navigation of the window (Tab, access keys, Enter, Esc, F5): true when the
    // message was the window's and has been handled.
    bool PreTranslate(MSG& message);
    HWND Handle() const;

  private:
    HINSTANCE instance_;
    std::function<Recovery::CatalogueSources()> sources_;
    std::unique_ptr<BackupsWindowImpl> window_;
};

// What a catalogue built on its thread hands to the window.
struct CatalogueHandOver {
    SRWLOCK lock = SRWLOCK_INIT;
    std::optional<std::vector<Recovery::BackupRow>> rows;
};

// The window itself, while it exists.
class BackupsWindowImpl {
  public:
    BackupsWindowImpl(HINSTANCE instance, std::function<Recovery::CatalogueSources()> sources);
    ~BackupsWindowImpl();
    BackupsWindowImpl(const BackupsWindowImpl&) = delete;
    BackupsWindowImpl& operator=(const BackupsWindowImpl&) = delete;

    HWND Handle() const { return window_; }
    bool Alive() const { return window_ != nullptr && ::IsWindow(window_); }
    bool PreTranslate(MSG& message);
    // Only the publications of these backups are shown (the filter's first choice), as soon
    // as the rows are read.
    void ChoosePublications(std::vector<std::wstring> backups);

  private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnNotify(const NMHDR& header);
    LRESULT OnCustomDraw(NMLVCUSTOMDRAW& draw);
    void OnCommand(int id, int code);
    void OnContextMenu(HWND from, LPARAM at);
    void OnDispInfo(NMLVDISPINFOW& info);

    // BackupsWindowLayout.cpp: the controls, fonts and places at the window's DPI.
    void CreateControls();
    void CreateFont();
    void LayOut();
    void OnDpiChanged(UINT dpi, const RECT& suggested);
    void ShowSortArrow();
    int Scale(int dips) const { return ::MulDiv(dips, static_cast<int>(dpi_), 96); }
    HWND Child(int id) const { return ::GetDlgItem(window_, id); }

    // BackupsWindowRows.cpp: the catalogue and the list.
    void StartRefresh();
    void TakeCatalogue();
    void FillFilter();
    void ShowRows(const std::wstring& keepSelected);
    const Recovery::BackupRow* Selected() const;
    void UpdateButtons();
    void Act(int command);
    bool LogChanged();

    HWND window_ = nullptr;
    UINT dpi_ = 96;
    UniqueGdiObject font_;
    std::function<Recovery::CatalogueSources()> sources_;
    Recovery::CatalogueSources current_;
    std::shared_ptr<CatalogueHandOver> handOver_ = std::make_shared<CatalogueHandOver>();
    UniqueHandle worker_;  // the thread building the catalogue, while there is one
    bool refreshing_ = false;
    bool refreshAgain_ = false;
    std::optional<std::pair<std::uint64_t, std::int64_t>> logSeen_;  // size, last write
    std::vector<Recovery::BackupRow> rows_;
    std::vector<std::size_t> shown_;
    std::vector<Recovery::PublicationChoice> publications_;
    std::wstring filterKey_;
    std::vector<std::wstring> presetBackups_;  // the backups whose publications to show alone
    std::set<std::wstring> chosenKeys_;        // those publications, once the rows are read
    Recovery::SortOrder order_;
    int columnWidths_[Recovery::kColumnCount] = {260, 150, 70, 240, 260};  // DIPs
    std::wstring cellText_;  // the text handed to the list view, until it asks again
    Win32Clock clock_;
    Win32BackupFolders folders_;
    Win32BackupShell shell_;
    MessageBoxDialogs dialogs_;
};

}  // namespace kelbrook::win32
