// The main window's controls as one table: kind, caption, place and size in twips, tab index, the
// panel field each one shows or the panel action it runs, and the order in which they are created.
#pragma once

#include "control_id.h"
#include "station_panel.h"

#include <cstddef>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace veskor {

enum class ControlKind { GroupBox, Label, TextBox, CheckBox, PushButton };

// A panel action that a push button runs.
using PanelAction = void (StationPanel::*)();

struct ControlRow {
    ControlId id;
    ControlKind kind;
    std::wstring_view caption; // empty for text boxes: their text comes from the panel
    int left;                  // twips from the client area's top-left corner
    int top;
    int width;
    int height;
    int tabIndex;
    std::optional<ControlId> labelFor; // for a label: the text box it names
    std::optional<PanelField> field;   // the panel field it shows and edits
    PanelAction action;                // for a push button: what pressing it runs
};

// The client area, in twips.
inline constexpr int kClientWidthTwips = 7440;
inline constexpr int kClientHeightTwips = 3015;

std::span<const ControlRow> ControlTable();
// The row's place in the table, or the table's size for an id without one.
std::size_t ControlIndex(ControlId id);

// The creation order, which is also the z-order from the top. The dialog keyboard handling walks
// the z-order for Tab, so the focusable controls come by rising tab index; each text box comes
// right after its label, because screen readers name an edit by the static just before it; the
// group boxes come last, so that they lie behind everything they enclose.
std::vector<const ControlRow*> CreationOrder();

} // namespace veskor
