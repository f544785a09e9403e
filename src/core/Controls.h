// The controls of the main window as its handlers see them.
//
// Setting an option button's value to selected deselects the other of its pair and raises
// its Click; setting a check box's value raises its Click when the value changes; setting
// the text of Text1 raises its Change; selecting a list row by code raises nothing.
#pragma once

#include <string>

#include "core/ControlTable.h"
#include "core/Skin.h"

namespace kelbrook {

enum class WindowState { Normal = 0, Minimized = 1, Maximized = 2 };
enum class Pointer { Default, Custom };

class Controls {
  public:
    virtual ~Controls() = default;

    // Caption of the window, a button, frame, option or check box; text of a text box.
    virtual std::wstring Caption(ControlId id) const = 0;
    virtual void SetCaption(ControlId id, const std::wstring& caption) = 0;

    // Option buttons and check boxes.
    virtual bool Value(ControlId id) const = 0;
    virtual void SetValue(ControlId id, bool value) = 0;

    virtual bool Visible(ControlId id) const = 0;
    virtual void SetVisible(ControlId id, bool visible) = 0;
    // A disabled control shows its value greyed and takes no input.
    virtual bool Enabled(ControlId id) const = 0;
    virtual void SetEnabled(ControlId id, bool enabled) = 0;
    virtual void SetBackColor(ControlId id, Color color) = 0;

    // Text selection of a text or rich-text box, in characters.
    virtual void SetSelectionStart(ControlId id, int start) = 0;
    virtual void SetSelectionLength(ControlId id, int length) = 0;
    // Places the selected text on the clipboard as text (WM_COPY).
    virtual void CopySelection(ControlId id) = 0;

    // ListView1: one column, rows numbered from 1; 0 means no row is selected.
    virtual void AddListColumn(const std::wstring& header) = 0;
    virtual void SetListColumnWidth(int twips) = 0;
    virtual void AddListRow(const std::wstring& text) = 0;
    virtual int ListRowCount() const = 0;
    virtual int SelectedListRow() const = 0;
    virtual void SelectListRow(int row) = 0;
    virtual std::wstring ListRowText(int row) const = 0;

    // ProgressBar1.
    virtual int ProgressMax() const = 0;
    virtual void SetProgressMax(int max) = 0;
    virtual int ProgressValue() const = 0;
    virtual void SetProgressValue(int value) = 0;

    // Timer1: the interval in milliseconds is its switch; 0 stops it.
    virtual int TimerInterval() const = 0;
    virtual void SetTimerInterval(int milliseconds) = 0;

    // The window itself.
    virtual void ShowWindow() = 0;
    virtual WindowState GetWindowState() const = 0;
    virtual void SetWindowState(WindowState state) = 0;
    virtual void SetFocus() = 0;
    // Closes the window as its close box does (QueryUnload, then the end of the program), once
    // the handler now running has returned.
    virtual void Close() = 0;
    virtual void SetApplicationIcon() = 0;
    // Loads a cursor file as the window's custom pointer image; raises when it is no cursor.
    virtual void LoadCustomPointer(const std::wstring& path) = 0;
    virtual void SetPointer(Pointer pointer) = 0;
    // Restyles the whole window with a parsed skin.
    virtual void ApplySkinStyle(const SkinStyle& style) = 0;
};

// What the controls raise; the main window's logic handles it.
class ControlEvents {
  public:
    virtual ~ControlEvents() = default;
    virtual void Click(ControlId id) = 0;
    virtual void Change(ControlId id) = 0;
    virtual void MouseMove(ControlId id) = 0;
    // The window is about to close, by any means; closing is never cancelled.
    virtual void QueryUnload() = 0;
    // Timer1's interval has passed once more.
    virtual void Tick() = 0;
    // The window was resized, minimized or restored (nothing to do for a listener that
    // does not care).
    virtual void Resize() {}
    // The shell started again (its taskbar was created anew).
    virtual void ShellRestarted() {}
};

}  // namespace kelbrook
