// The floor of start-up: what any program that shows the host's values must do before it can show
// them. It opens the same three links as veskor.exe (one DDEML instance each, a hot link and then
// a request for the current value) while its one plain window is hidden, then shows the window.
// Same compiler, flags and static runtime as veskor.exe. Closed, it ends its conversations.
#include "floor_links.h"

#include <windows.h>

namespace {

HDDEDATA CALLBACK Callback(UINT type, UINT, HCONV, HSZ, HSZ, HDDEDATA data, ULONG_PTR, ULONG_PTR) {
    return type == XTYP_ADVDATA && data ? reinterpret_cast<HDDEDATA>(DDE_FACK) : nullptr;
}

LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace

int main() {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = WindowProcedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = L"VeskorFloorClient";
    HWND window = RegisterClassW(&windowClass)
                      ? CreateWindowW(windowClass.lpszClassName, L"Floor client",
                                      WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 512, 240,
                                      nullptr, nullptr, windowClass.hInstance, nullptr)
                      : nullptr;
    veskor::test::FloorInstances instances = {};
    if (!window || !veskor::test::OpenFloorLinks(Callback, instances)) {
        return -1;
    }
    ShowWindow(window, SW_SHOWDEFAULT);
    UpdateWindow(window);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    // Ends the conversations, as a client that leaves the host must: a host that has served a
    // client which merely vanished loses values to its later clients.
    for (DWORD instance : instances) {
        DdeUninitialize(instance);
    }
    return 0;
}
