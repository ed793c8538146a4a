// The life of a floor program of start-up around its three host links (floor_links.h): a window
// that ends the program when closed, shown once the links are open, as veskor.exe shows its own.
#pragma once

#include "floor_links.h"

#include <windows.h>

#include <ddeml.h>

namespace veskor::test {

// Takes each value and lets it go.
inline HDDEDATA CALLBACK FloorCallback(UINT type, UINT, HCONV, HSZ, HSZ, HDDEDATA data, ULONG_PTR,
                                       ULONG_PTR) {
    return type == XTYP_ADVDATA && data ? reinterpret_cast<HDDEDATA>(DDE_FACK) : nullptr;
}

// A floor's window: closing it ends the program.
inline LRESULT CALLBACK FloorWindowProcedure(HWND window, UINT message, WPARAM wParam,
                                             LPARAM lParam) {
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

// Opens the links while the window is hidden, shows it (and then sets the event `shown`, when
// given), and runs until it is closed, as Veskor does; the exit status, -1 when the window or a
// link is missing. The callback takes the links' values.
inline int RunFloor(HWND window, PFNCALLBACK callback = FloorCallback, HANDLE shown = nullptr) {
    FloorInstances instances = {};
    if (!window || !OpenFloorLinks(callback, instances)) {
        return -1;
    }
    ShowWindow(window, SW_SHOWDEFAULT);
    UpdateWindow(window);
    if (shown) {
        SetEvent(shown);
    }
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

} // namespace veskor::test
