// The window of the floors that show what Veskor shows: Veskor's nineteen controls, made from its
// own control table with the same classes, styles, places and eight-point font, and nothing else
// (no panel, no binding, no relayout). Under Veskor's manifest when the program carries it.
#pragma once

#include "control_kind.h"
#include "control_table.h"
#include "floor_window.h"
#include "gdi_owner.h"

#include <windows.h>

#include <string>

namespace veskor::test {

// The window, hidden, with its controls in the table's places at the screen's density; null
// when it could not be made.
inline HWND CreateControlsWindow(const wchar_t* caption, const wchar_t* className,
                                 FontOwner& font) {
    constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = FloorWindowProcedure;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = className;
    const int dpi = GetDeviceCaps(ScreenContext().get(), LOGPIXELSY);
    const auto pixels = [dpi](int twips) { return MulDiv(twips, dpi, 1440); };
    RECT outer{0, 0, pixels(kClientWidthTwips), pixels(kClientHeightTwips)};
    AdjustWindowRect(&outer, kStyle, FALSE);
    HWND window = RegisterClassW(&windowClass)
                      ? CreateWindowW(className, caption, kStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                                      outer.right - outer.left, outer.bottom - outer.top, nullptr,
                                      nullptr, instance, nullptr)
                      : nullptr;
    font.reset(CreateFontW(-MulDiv(8, dpi, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                           DEFAULT_CHARSET, 0, 0, 0, 0, L"MS Shell Dlg 2"));
    for (const ControlRow& row : ControlTable()) {
        const ControlKindRow& kind = KindOf(row.kind);
        HWND control = CreateWindowExW(
            kind.extendedStyle, kind.windowClass, std::wstring(row.caption).c_str(),
            WS_CHILD | WS_VISIBLE | kind.style, pixels(row.left), pixels(row.top),
            pixels(row.width), pixels(row.height), window,
            reinterpret_cast<HMENU>(static_cast<INT_PTR>(row.id)), instance, nullptr);
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), FALSE);
    }
    return window;
}

} // namespace veskor::test
