// The floor of start-up: what any program that shows the host's values must do before it can show
// them. It opens the same three links as veskor.exe (one DDEML instance each, a hot link and then
// a request for the current value) while its one plain window is hidden, then shows the window.
// Same compiler, flags and static runtime as veskor.exe. Closed, it ends its conversations.
#include "floor_window.h"

#include <windows.h>

int main() {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = veskor::test::FloorWindowProcedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = L"VeskorFloorClient";
    HWND window = RegisterClassW(&windowClass)
                      ? CreateWindowW(windowClass.lpszClassName, L"Floor client",
                                      WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 512, 240,
                                      nullptr, nullptr, windowClass.hInstance, nullptr)
                      : nullptr;
    return veskor::test::RunFloor(window);
}
