// The three host links a floor program opens as veskor.exe does: one DDEML instance each, a hot
// link and then a request for the current value, which is read and let go; and the life of a
// floor program around them. Header-only, so that each floor program is one file and links
// nothing else but what it shows.
#pragma once

#include <windows.h>

#include <ddeml.h>

#include <iterator>

namespace veskor::test {

using FloorInstances = DWORD[3];

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

// false when a link could not be opened.
inline bool OpenFloorLinks(PFNCALLBACK callback, FloorInstances& instances) {
    struct Link {
        const wchar_t* topic;
        const wchar_t* item;
    };
    constexpr Link kLinks[] = {{L"QSO", L"Khz"}, {L"QSO", L"Az"}, {L"CAT", L"Command"}};
    const DWORD flags = APPCMD_CLIENTONLY | CBF_SKIP_REGISTRATIONS | CBF_SKIP_UNREGISTRATIONS;
    for (std::size_t index = 0; index < std::size(kLinks); ++index) {
        DWORD& instance = instances[index];
        if (DdeInitializeW(&instance, callback, flags, 0) != DMLERR_NO_ERROR) {
            return false;
        }
        HSZ service = DdeCreateStringHandleW(instance, L"MixW", CP_WINUNICODE);
        HSZ topic = DdeCreateStringHandleW(instance, kLinks[index].topic, CP_WINUNICODE);
        HSZ item = DdeCreateStringHandleW(instance, kLinks[index].item, CP_WINUNICODE);
        HCONV conversation = DdeConnect(instance, service, topic, nullptr);
        HDDEDATA current = nullptr;
        if (!conversation ||
            !DdeClientTransaction(nullptr, 0, conversation, item, CF_TEXT, XTYP_ADVSTART, 5000,
                                  nullptr) ||
            !(current = DdeClientTransaction(nullptr, 0, conversation, item, CF_TEXT, XTYP_REQUEST,
                                             5000, nullptr))) {
            return false;
        }
        char value[64];
        DdeGetData(current, reinterpret_cast<BYTE*>(value), sizeof value, 0);
        DdeFreeDataHandle(current);
    }
    return true;
}

// Opens the links while the window is hidden, shows it, and runs until it is closed, as Veskor
// does; the exit status, -1 when the window or a link is missing.
inline int RunFloor(HWND window) {
    FloorInstances instances = {};
    if (!window || !OpenFloorLinks(FloorCallback, instances)) {
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

} // namespace veskor::test
