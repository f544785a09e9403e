// The main window's control table: one row per control, saying what the control is.
// Everything else that names a control derives from it: the ControlId enum and the names the
// handlers are known by ("Check8_Click"), the real window's creation and layout, the
// child-window identifiers the end-to-end tests find the controls by, and the controls that
// take the window's background (white, the button face under a skin).
#pragma once

#include <cstddef>

namespace kelbrook {

// PushButton4's caption is the on/off state of the automatic backups: the first while they
// are off (its text when the window is created), the second while they are on.
inline constexpr wchar_t kTurnOnCaption[] = L"Turn On Backup Save";
inline constexpr wchar_t kTurnOffCaption[] = L"Turn Off Backup Save";

// Window: the window itself. Tray: the tray icon control, whose own window is hidden and has
// no area on the window.
enum class ControlKind {
    Window,
    PushButton,
    Frame,
    Progress,
    Option,
    Check,
    Text,
    List,
    RichText,
    Tray
};

// The window's background (white; the button face under a skin), or the control's own look.
enum class Background { Window, Own };

// ROW(name, kind, caption, container, left, top, width, height, background), in the order in
// which the window defines its controls:
//   name       the control's name in the window's definition, and its ControlId
//   caption    its text when the window is created
//   container  Form1, or the frame that groups it; positions inside a frame are relative to
//              the frame, and the option buttons of one container are one group of two
//   left..height  twips; Form1's are its client area. RichTextBox1 lies outside it: it is
//              never seen, only the copy command's buffer.
// The child-window identifier of a control is 1000 + its place here (app/win32/ControlIds.h):
// a new control goes at the end to keep the others' identifiers.
// clang-format off
#define KELBROOK_CONTROL_TABLE(ROW) \
    ROW(Form1,        Window,     L"Form1",                                 Form1,  0,    0,    8025, 8355, Window) \
    ROW(PushButton4,  PushButton, kTurnOnCaption,                           Form1,  120,  120,  7800, 405,  Own)    \
    ROW(Frame2,       Frame,      L"On. Next backup save will occur in",    Form1,  120,  600,  7800, 860,  Window) \
    ROW(ProgressBar1, Progress,   L"",                                      Frame2, 240,  270,  7280, 405,  Own)    \
    ROW(Frame3,       Frame,      L"Other Options",                         Form1,  120,  3045, 7800, 1755, Window) \
    ROW(Option3,      Option,     L"Create new file on backup",             Frame3, 225,  300,  5415, 255,  Window) \
    ROW(Option4,      Option,     L"Overwrite old backup file on backup",   Frame3, 225,  650,  3840, 255,  Window) \
    ROW(Check5,       Check,      L"Load this software on Windows startup", Frame3, 240,  1000, 3930, 240,  Window) \
    ROW(Check8,       Check,      L"Start in system tray",                  Frame3, 240,  1350, 2580, 240,  Window) \
    ROW(Frame1,       Frame,      L"Save Location Option",                  Form1,  120,  1560, 7800, 1400, Window) \
    ROW(Option2,      Option,     L"Save all backups to the same folder as the open documents", \
                                                                            Frame1, 240,  1000, 6615, 255,  Window) \
    ROW(Option1,      Option,     L"Save all backups to this location:",    Frame1, 240,  300,  3840, 255,  Window) \
    ROW(Text1,        Text,       L"Text1",                                 Frame1, 480,  550,  6135, 345,  Own)    \
    ROW(PushButton1,  PushButton, L"...",                                   Frame1, 6720, 555,  615,  345,  Own)    \
    ROW(ListView1,    List,       L"",                                      Form1,  120,  4920, 7800, 1815, Own)    \
    ROW(PushButton2,  PushButton, L"Backup Save Now (Test)",                Form1,  120,  6825, 7800, 405,  Own)    \
    ROW(PushButton3,  PushButton, L"View History Log",                      Form1,  120,  7335, 3840, 405,  Own)    \
    ROW(PushButton5,  PushButton, L"Copy History To Clipboard",             Form1,  4080, 7335, 3840, 405,  Own)    \
    ROW(RichTextBox1, RichText,   L"",                                      Form1,  9000, 240,  4815, 3015, Own)    \
    ROW(PushButton11, PushButton, L"Help",                                  Form1,  120,  7845, 3840, 405,  Own)    \
    ROW(PushButton12, PushButton, L"Clear History Log",                     Form1,  4080, 7845, 3840, 405,  Own)    \
    ROW(cSysTray1,    Tray,       L"",                                      Form1,  0,    0,    0,    0,    Own)
// clang-format on

enum class ControlId {
#define KELBROOK_CONTROL_ID(name, ...) name,
    KELBROOK_CONTROL_TABLE(KELBROOK_CONTROL_ID)
#undef KELBROOK_CONTROL_ID
};

struct ControlRow {
    ControlId id;
    const wchar_t* name;
    ControlKind kind;
    const wchar_t* caption;
    ControlId container;
    int left, top, width, height;  // twips
    Background background;
};

#define KELBROOK_WIDE(text) L##text
#define KELBROOK_CONTROL_NAME(name) KELBROOK_WIDE(#name)
inline constexpr ControlRow kControlTable[] = {
#define KELBROOK_CONTROL_ROW(name, kind, caption, container, left, top, width, height, back) \
    {ControlId::name,                                                                        \
     KELBROOK_CONTROL_NAME(name),                                                            \
     ControlKind::kind,                                                                      \
     caption,                                                                                \
     ControlId::container,                                                                   \
     left,                                                                                   \
     top,                                                                                    \
     width,                                                                                  \
     height,                                                                                 \
     Background::back},
    KELBROOK_CONTROL_TABLE(KELBROOK_CONTROL_ROW)
#undef KELBROOK_CONTROL_ROW
};
#undef KELBROOK_CONTROL_NAME
#undef KELBROOK_WIDE

constexpr const ControlRow& RowOf(ControlId id) {
    return kControlTable[static_cast<std::size_t>(id)];
}

// The control's name in the window's definition, "Form1" for the window itself.
constexpr const wchar_t* ControlName(ControlId id) {
    return RowOf(id).name;
}

constexpr bool IsOptionButton(ControlId id) {
    return RowOf(id).kind == ControlKind::Option;
}

// The other option button of its container (Option1 with Option2, Option3 with Option4).
constexpr ControlId OptionPartner(ControlId id) {
    for (const ControlRow& row : kControlTable) {
        if (row.kind == ControlKind::Option && row.container == RowOf(id).container &&
            row.id != id) {
            return row.id;
        }
    }
    return id;
}

// ---- what the table must hold, checked when it compiles ----------------------------------

namespace control_table {

constexpr bool Inside(const ControlRow& row, int width, int height) {
    return row.left >= 0 && row.top >= 0 && row.left + row.width <= width &&
           row.top + row.height <= height;
}

// Form1 comes first: the window, whose client area the other rows lie in.
constexpr bool WindowFirst() {
    for (const ControlRow& row : kControlTable) {
        if ((row.kind == ControlKind::Window) != (row.id == ControlId::Form1)) return false;
    }
    return kControlTable[0].id == ControlId::Form1;
}

// Every control sits in Form1 or in a frame, and a shown one lies inside it.
constexpr bool ContainersHoldTheirControls() {
    for (const ControlRow& row : kControlTable) {
        const ControlRow& container = RowOf(row.container);
        if (container.kind != ControlKind::Window && container.kind != ControlKind::Frame) {
            return false;
        }
        if (row.kind == ControlKind::Window || row.kind == ControlKind::RichText) continue;
        if (!Inside(row, container.width, container.height)) return false;
    }
    return true;
}

// The option buttons of a container are one group of exactly two.
constexpr bool OptionButtonsInPairs() {
    for (const ControlRow& row : kControlTable) {
        if (row.kind != ControlKind::Option) continue;
        int group = 0;
        for (const ControlRow& other : kControlTable) {
            group += other.kind == ControlKind::Option && other.container == row.container;
        }
        if (group != 2) return false;
    }
    return true;
}

static_assert(WindowFirst(), "Form1 is the first row and the only window");
static_assert(ContainersHoldTheirControls(), "a control lies outside its frame or the window");
static_assert(OptionButtonsInPairs(), "option buttons come in pairs, one pair a container");

}  // namespace control_table

}  // namespace kelbrook
