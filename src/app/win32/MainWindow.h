// The real main window: every control of the window as a standard Windows control, laid
// out in twips at the window's DPI, and the window procedure that forwards real
// notifications to the window's logic.
#pragma once

#include <windows.h>

#include <map>
#include <optional>
#include <string>

#include "core/Controls.h"
#include "core/win32/Win32Support.h"

namespace kelbrook::win32 {

class MainWindow : public Controls {
  public:
    MainWindow();
    ~MainWindow() override;
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    // Creates the window and its controls, hidden. Raises when it cannot.
    void Create(HINSTANCE instance);
    // Events go to the window's logic from now on.
    void Connect(ControlEvents* events) { events_ = events; }
    HWND Handle() const { return window_; }
    HWND Child(ControlId id) const;

    // Controls
    std::wstring Caption(ControlId id) const override;
    void SetCaption(ControlId id, const std::wstring& caption) override;
    bool Value(ControlId id) const override;
    void SetValue(ControlId id, bool value) override;
    bool Visible(ControlId id) const override;
    void SetVisible(ControlId id, bool visible) override;
    bool Enabled(ControlId id) const override;
    void SetEnabled(ControlId id, bool enabled) override;
    void SetBackColor(ControlId id, Color color) override;
    void SetSelectionStart(ControlId id, int start) override;
    void SetSelectionLength(ControlId id, int length) override;
    void CopySelection(ControlId id) override;
    void AddListColumn(const std::wstring& header) override;
    void SetListColumnWidth(int twips) override;
    void AddListRow(const std::wstring& text) override;
    int ListRowCount() const override;
    int SelectedListRow() const override;
    void SelectListRow(int row) override;
    std::wstring ListRowText(int row) const override;
    int ProgressMax() const override;
    void SetProgressMax(int max) override;
    int ProgressValue() const override;
    void SetProgressValue(int value) override;
    int TimerInterval() const override { return timerInterval_; }
    void SetTimerInterval(int milliseconds) override;
    void ShowWindow() override;
    WindowState GetWindowState() const override;
    void SetWindowState(WindowState state) override;
    void SetFocus() override;
    void Close() override;
    void SetApplicationIcon() override;
    void LoadCustomPointer(const std::wstring& path) override;
    void SetPointer(Pointer pointer) override { pointer_ = pointer; }
    void ApplySkinStyle(const SkinStyle& style) override;

  private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void OnCommand(int childId, int code);
    LRESULT OnSetCursor(HWND over, LPARAM lParam);
    HBRUSH BackgroundBrush(ControlId id);
    LRESULT OnControlColor(HDC dc, HWND child);
    void OnDpiChanged(UINT dpi, const RECT* suggested);
    void CreateFonts();
    RECT WindowPlace(const RECT* suggested) const;
    RECT ControlPlace(const ControlRow& row) const;
    int CaptionWidth(const ControlRow& row) const;  // pixels its caption needs
    HGDIOBJ FontOf(const ControlRow& row) const;
    void FitClientArea();
    // The client area's height in twips: Form1's, and the recovery band's while it shows.
    int ClientTwips() const;
    // Sizes the window and places every control at the current DPI; the window goes to the
    // suggested place, or centred on its monitor when there is none.
    void LayOut(const RECT* suggested = nullptr);
    int Pixels(int twips) const { return MulDiv(twips, static_cast<int>(dpi_), 1440); }
    ControlId IdOf(HWND child) const;

    HWND window_ = nullptr;
    ControlEvents* events_ = nullptr;
    UINT dpi_ = 96;
    std::map<ControlId, HWND> children_;
    UniqueModule richEditLibrary_;
    UniqueGdiObject formFont_;
    UniqueGdiObject buttonFont_;
    std::wstring fontFace_ = L"Arial";
    std::map<ControlId, Color> backColors_;
    std::map<Color, UniqueGdiObject> brushes_;
    std::optional<COLORREF> textColor_;
    UniqueIcon bigIcon_;
    UniqueIcon smallIcon_;
    UniqueCursor customCursor_;
    Pointer pointer_ = Pointer::Default;
    int timerInterval_ = 0;
    int listColumnTwips_ = 0;
    bool closing_ = false;
    bool restoreWhenShown_ = false;  // hidden while minimized, to come back normal
    bool recoveryBand_ = false;      // the recovery line and its buttons show
};

}  // namespace kelbrook::win32
