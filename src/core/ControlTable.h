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
// clang-format off
enum class ControlKind { Window, PushButton, Frame, Progress, Option, Check, Text, List, RichText, Tray, Label };
// clang-format on

// The window's background (white; the button face under a skin), or the control's own look.
enum class Background { Window, Own };

// The rows themselves are in core/ControlTable.def.
enum class ControlId {
#define KELBROOK_CONTROL(name, ...) name,
#include "core/ControlTable.def"
#undef KELBROOK_CONTROL
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
// clang-format off
#define KELBROOK_CONTROL(name, kind, container, left, top, width, height, background, caption) \
    {ControlId::name, KELBROOK_CONTROL_NAME(name), ControlKind::kind, caption,                   \
     ControlId::container, left, top, width, height, Background::background},
// clang-format on
#include "core/ControlTable.def"
#undef KELBROOK_CONTROL
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

// The band of the recovery line, below the other controls: the window is this many twips taller
// while it shows.
inline constexpr int kRecoveryBandTwips = 510;
constexpr bool InRecoveryBand(ControlId id) {
    return id == ControlId::RecoveryLine || id == ControlId::RecoveryOpen ||
           id == ControlId::RecoveryDismiss;
}

// Every control sits in Form1 or in a frame, and a shown one lies inside it (the recovery
// band's inside the window grown by the band).
constexpr bool ContainersHoldTheirControls() {
    for (const ControlRow& row : kControlTable) {
        const ControlRow& container = RowOf(row.container);
        if (container.kind != ControlKind::Window && container.kind != ControlKind::Frame) {
            return false;
        }
        if (row.kind == ControlKind::Window || row.kind == ControlKind::RichText) continue;
        const int height = container.height + (InRecoveryBand(row.id) ? kRecoveryBandTwips : 0);
        if (!Inside(row, container.width, height)) return false;
    }
    return true;
}

// The option buttons of a container are one group of exactly two.
constexpr bool OptionButtonsInPairs() {
    for (const ControlRow& row : kControlTable) {
        if (row.kind != ControlKind::Option) continue;
        int group = 0;
        for (const ControlRow& other : kControlTable) {
            if (other.kind == ControlKind::Option && other.container == row.container) ++group;
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
