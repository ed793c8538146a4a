// What each kind of control is in Windows: its window class and styles, the room its caption
// has, whether it takes the keyboard focus, and the notification that means the operator
// changed it. One row a kind; code that treats the kinds alike reads the row.
#pragma once

#include "control_table.h"

#include <windows.h>

namespace veskor {

struct ControlKindRow {
    const wchar_t* windowClass;
    DWORD style;
    DWORD extendedStyle;
    bool takesFocus;
    // The notification (WM_COMMAND's high word) by which the operator changes the panel field.
    std::optional<WORD> changed;
    // What the control takes from its width before the caption: edges of 15 twips, and pixels at
    // 96 dpi (a check box's box).
    int captionEdges;
    int captionPixelsAt96;
};

const ControlKindRow& KindOf(ControlKind kind);

} // namespace veskor
