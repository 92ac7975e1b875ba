// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The console's dialog templates as data: for every control its id, kind,
// caption, rectangle in dialog units, whether it is shown, and its style, in
// template order (which is also the tab order). The console builds its
// windows from these; nothing here depends on a window toolkit.

#include <cstdint>
#include <span>

namespace kel::res {

enum class ControlKind {
    PushButton,
    Edit,
    ComboBox,
    Label,
    GroupBox,
    CheckBox,
    RadioButton,
    ListView,
    Icon,
};

// Style bits; a kind ignores the ones that do not concern it.
namespace style {
constexpr std::uint32_t kNone = 0;
constexpr std::uint32_t kReadOnly = 1u << 0;      // edit
constexpr std::uint32_t kMultiLine = 1u << 1;     // edit
constexpr std::uint32_t kVScroll = 1u << 2;       // edit: vertical scroll bar
constexpr std::uint32_t kSorted = 1u << 3;        // combo box keeps its rows sorted as text
constexpr std::uint32_t kEditable = 1u << 4;      // combo box with an edit field
constexpr std::uint32_t kAuto = 1u << 5;          // check box / radio button toggles itself
constexpr std::uint32_t kGroupStart = 1u << 6;    // first control of a radio group
constexpr std::uint32_t kDefaultButton = 1u << 7; // push button that Enter presses
constexpr std::uint32_t kReportView = 1u << 8;    // list view in report mode
constexpr std::uint32_t kEditLabels = 1u << 9;    // list view cells editable in place
} // namespace style

// x, y, width, height in dialog units.
struct DialogRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

struct ControlTemplate {
    int id = 0; // 0: a control without an id
    ControlKind kind = ControlKind::Label;
    const char* caption = ""; // UTF-8
    DialogRect rect;
    bool shown = true;
    std::uint32_t style = style::kNone;
    // What assistive technology announces for a control that neither its
    // caption nor a label names; empty: the caption or the label.
    const char* accessibleName = "";
    // A label: the id of the field it stands beside and names (its buddy).
    int labelFor = 0;
};

struct DialogTemplate {
    int id = 0;
    const char* caption = ""; // UTF-8
    int width = 0;            // client area, dialog units
    int height = 0;
    // As the template names it; that font exists on one platform only, so the
    // console takes the platform's UI font at pointSize instead.
    const char* fontName = "";
    int pointSize = 0;
    std::span<const ControlTemplate> controls;
};

// Template 102: the console's main window, 72 controls.
const DialogTemplate& MainDialogTemplate();
// Template 100: the About box.
const DialogTemplate& AboutDialogTemplate();

} // namespace kel::res
