// The floor of start-up for Veskor's window: what any program that shows the host's values in the
// same nineteen controls must do first. It opens the same three links as veskor.exe while its
// window is hidden, its controls made from the same table with the same classes, styles and
// eight-point font, under the same manifest, then shows the window. Nothing more: no panel, no
// binding, no relayout. Closed, it ends its conversations.
#include "control_kind.h"
#include "control_table.h"
#include "floor_window.h"
#include "gdi_owner.h"

#include <windows.h>

#include <string>

namespace {

using veskor::ControlRow;

// The window, hidden, with its controls in the table's places at the screen's density.
HWND CreateFloorWindow(HINSTANCE instance, veskor::FontOwner& font) {
    constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = veskor::test::FloorWindowProcedure;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = L"VeskorControlsFloor";
    const int dpi = GetDeviceCaps(veskor::ScreenContext().get(), LOGPIXELSY);
    const auto pixels = [dpi](int twips) { return MulDiv(twips, dpi, 1440); };
    RECT outer{0, 0, pixels(veskor::kClientWidthTwips), pixels(veskor::kClientHeightTwips)};
    AdjustWindowRect(&outer, kStyle, FALSE);
    HWND window = RegisterClassW(&windowClass)
                      ? CreateWindowW(windowClass.lpszClassName, L"Controls floor", kStyle,
                                      CW_USEDEFAULT, CW_USEDEFAULT, outer.right - outer.left,
                                      outer.bottom - outer.top, nullptr, nullptr, instance, nullptr)
                      : nullptr;
    font.reset(CreateFontW(-MulDiv(8, dpi, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                           DEFAULT_CHARSET, 0, 0, 0, 0, L"MS Shell Dlg 2"));
    for (const ControlRow& row : veskor::ControlTable()) {
        const veskor::ControlKindRow& kind = veskor::KindOf(row.kind);
        HWND control = CreateWindowExW(
            kind.extendedStyle, kind.windowClass, std::wstring(row.caption).c_str(),
            WS_CHILD | WS_VISIBLE | kind.style, pixels(row.left), pixels(row.top),
            pixels(row.width), pixels(row.height), window,
            reinterpret_cast<HMENU>(static_cast<INT_PTR>(row.id)), instance, nullptr);
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), FALSE);
    }
    return window;
}

} // namespace

int main() {
    veskor::FontOwner font;
    HWND window = CreateFloorWindow(GetModuleHandleW(nullptr), font);
    return veskor::test::RunFloor(window);
}
