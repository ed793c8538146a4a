// The main window's controls as one table: kind, caption, place and size in twips, tab index and
// enclosing group, and the order in which they are created.
#pragma once

#include "control_id.h"

#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace veskor {

enum class ControlKind { GroupBox, Label, TextBox, CheckBox, PushButton };

struct ControlRow {
    ControlId id;
    std::string_view name;
    ControlKind kind;
    std::wstring_view caption; // empty for text boxes: their text comes from the panel
    int left;                  // twips from the client area's top-left corner
    int top;
    int width;
    int height;
    int tabIndex;
    std::optional<ControlId> group;    // the group box whose frame encloses the control
    std::optional<ControlId> labelFor; // for a label: the text box it names
};

// The client area, in twips.
inline constexpr int kClientWidthTwips = 7440;
inline constexpr int kClientHeightTwips = 3015;

std::span<const ControlRow> ControlTable();
const ControlRow& FindControl(ControlId id);

// Labels and group boxes take no keyboard focus.
bool TakesFocus(const ControlRow& control);

// The creation order, which is also the z-order from the top. The dialog keyboard handling walks
// the z-order for Tab, so the focusable controls come by rising tab index; each text box comes
// right after its label, because screen readers name an edit by the static just before it; the
// group boxes come last, so that they lie behind everything they enclose.
std::vector<const ControlRow*> CreationOrder();

} // namespace veskor
