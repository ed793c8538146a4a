// The floor Veskor is measured against: what any program linked to the host must do, and no more.
// It opens the same three links as veskor.exe (one DDEML instance each, a hot link and then a
// request for the current value) while its one plain window is hidden, shows the window, and then
// copies out every value the links deliver. Same compiler, flags and static runtime as veskor.exe.
//   floor_client                 sets its event after every value
//   floor_client <value>...      sets it as each of these values arrives, one after the other
// The event has no name: its handle is in the window's GWLP_USERDATA, for the bench to duplicate.
// Closed, it exits with the number of values its hot links delivered.
#include <windows.h>

#include <ddeml.h>

#include <string>
#include <vector>

namespace {

struct Link {
    const wchar_t* topic;
    const wchar_t* item;
};
constexpr Link kLinks[] = {{L"QSO", L"Khz"}, {L"QSO", L"Az"}, {L"CAT", L"Command"}};

DWORD instances[std::size(kLinks)] = {};
HANDLE event = nullptr;
std::vector<std::string> awaited; // the values still to come that set the event
size_t next = 0;
int delivered = 0;

std::string CopyOut(HDDEDATA data) {
    std::string value(DdeGetData(data, nullptr, 0, 0), '\0');
    DdeGetData(data, reinterpret_cast<BYTE*>(value.data()), static_cast<DWORD>(value.size()), 0);
    return value.c_str();
}

HDDEDATA CALLBACK Callback(UINT type, UINT, HCONV, HSZ, HSZ, HDDEDATA data, ULONG_PTR, ULONG_PTR) {
    if (type != XTYP_ADVDATA || !data) {
        return nullptr;
    }
    const std::string value = CopyOut(data);
    ++delivered;
    if (awaited.empty()) {
        SetEvent(event);
    } else if (next < awaited.size() && value == awaited[next]) {
        ++next;
        SetEvent(event);
    }
    return reinterpret_cast<HDDEDATA>(DDE_FACK);
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
    CopyOut(current);
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

int main(int argc, char** argv) {
    event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    awaited.assign(argv + 1, argv + argc);
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
    for (std::size_t index = 0; index < std::size(kLinks); ++index) {
        if (!window || !OpenLink(kLinks[index], instances[index])) {
            return -1;
        }
    }
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(event));
    ShowWindow(window, SW_SHOWDEFAULT);
    UpdateWindow(window);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    // Ends the conversations, as a client that leaves the host must: under Wine, after clients
    // that merely vanished, the host's values to the next client stall.
    for (DWORD instance : instances) {
        DdeUninitialize(instance);
    }
    return delivered;
}
