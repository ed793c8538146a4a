// The main window's controls: created from the control table, laid out for a screen density in
// their font, and found by id or by the panel field they show.
#pragma once

#include "control_table.h"
#include "gdi_owner.h"

#include <windows.h>

#include <array>
#include <vector>

namespace veskor {

class ControlSet {
public:
    // Creates every control as a child of the window, in the creation order, unplaced. Throws
    // std::system_error when Windows refuses one.
    void Create(HWND parent);
    // Gives every control the font for the density and places it by its twips.
    void Lay(UINT dpi);

    HWND Control(ControlId id) const;
    // The control that shows the field.
    HWND ControlOf(PanelField field) const { return byField_[FieldIndex(field)]; }
    // The row of a control of this set, or null.
    const ControlRow* RowOf(HWND control) const;

private:
    std::vector<HWND> controls_; // in table order
    std::array<HWND, kPanelFieldCount> byField_{};
    FontOwner font_;
};

} // namespace veskor
