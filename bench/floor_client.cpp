// The floor of start-up: what any program that shows the host's values must do before it can show
// them. It opens the same three links as veskor.exe (one DDEML instance each, a hot link and then
// a request for the current value) while its one plain window is hidden, then shows the window.
// Same compiler, flags and static runtime as veskor.exe. Closed, it ends its conversations.
#include <windows.h>

#include <ddeml.h>

#include <iterator>

namespace {

struct Link {
    const wchar_t* topic;
    const wchar_t* item;
};
constexpr Link kLinks[] = {{L"QSO", L"Khz"}, {L"QSO", L"Az"}, {L"CAT", L"Command"}};

HDDEDATA CALLBACK Callback(UINT type, UINT, HCONV, HSZ, HSZ, HDDEDATA data, ULONG_PTR, ULONG_PTR) {
    return type == XTYP_ADVDATA && data ? reinterpret_cast<HDDEDATA>(DDE_FACK) : nullptr;
}

bool OpenLink(const Link& link, DWORD& instance) {
    const DWORD flags = APPCMD_CLIENTONLY | CBF_SKIP_REGISTRATIONS | CBF_SKIP_UNREGISTRATIONS;
    if (DdeInitializeW(&instance, Callback, flags, 0) != DMLERR_NO_ERROR) {
        return false;
    }
    HSZ service = DdeCreateStringHandleW(instance, L"MixW", CP_WINUNICODE);
    HSZ topic = DdeCreateStringHandleW(instance, link.topic, CP_WINUNICODE);
    HSZ item = DdeCreateStringHandleW(instance, link.item, CP_WINUNICODE);
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
    return true;
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
    DWORD instances[std::size(kLinks)] = {};
    for (std::size_t index = 0; index < std::size(kLinks); ++index) {
        if (!window || !OpenLink(kLinks[index], instances[index])) {
            return -1;
        }
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
