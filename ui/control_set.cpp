// Creating the controls and placing them by the twips of the control table.
#include "control_set.h"

#include "control_font.h"
#include "control_kind.h"
#include "dpi.h"

#include <algorithm>
#include <string>
#include <system_error>

namespace veskor {

void ControlSet::Create(HWND parent) {
    const auto table = ControlTable();
    controls_.assign(table.size(), nullptr);
    const auto instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(parent, GWLP_HINSTANCE));
    for (const ControlRow* row : CreationOrder()) {
        const ControlKindRow& kind = KindOf(row->kind);
        const std::wstring caption(row->caption);
        HWND control = CreateWindowExW(
            kind.extendedStyle, kind.windowClass, caption.c_str(),
            WS_CHILD | WS_VISIBLE | WS_GROUP | kind.style, 0, 0, 0, 0, parent,
            reinterpret_cast<HMENU>(static_cast<INT_PTR>(row->id)), instance, nullptr);
        if (!control) {
            throw std::system_error(static_cast<int>(GetLastError()), std::system_category(),
                                    "CreateWindowExW");
        }
        if (row->kind == ControlKind::TextBox) {
            // The largest limit, so that no text from the host is cut short.
            SendMessageW(control, EM_LIMITTEXT, 0, 0);
        }
        controls_[static_cast<std::size_t>(row - table.data())] = control;
        if (row->field) {
            byField_[FieldIndex(*row->field)] = control;
        }
    }
}

void ControlSet::Lay(UINT dpi) {
    FontOwner font = CreateControlFont(dpi);
    const auto table = ControlTable();
    for (std::size_t index = 0; index < table.size(); ++index) {
        const ControlRow& row = table[index];
        SendMessageW(controls_[index], WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), FALSE);
        // Edges are rounded rather than sizes, so that controls which meet in twips meet on screen.
        const int left = TwipsToPixels(row.left, dpi);
        const int top = TwipsToPixels(row.top, dpi);
        const int right = TwipsToPixels(row.left + row.width, dpi);
        const int bottom = TwipsToPixels(row.top + row.height, dpi);
        MoveWindow(controls_[index], left, top, right - left, bottom - top, FALSE);
    }
    // The controls hold the new font now: the old one may go.
    font_ = std::move(font);
}

HWND ControlSet::Control(ControlId id) const {
    const std::size_t index = ControlIndex(id);
    return index < controls_.size() ? controls_[index] : nullptr;
}

const ControlRow* ControlSet::RowOf(HWND control) const {
    const auto found = std::ranges::find(controls_, control);
    return control != nullptr && found != controls_.end()
               ? &ControlTable()[static_cast<std::size_t>(found - controls_.begin())]
               : nullptr;
}

} // namespace veskor
