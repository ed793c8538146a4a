// The leanest client of the host: it opens the three links as veskor.exe does (one DDEML
// instance each, a hot link and then a request for the current value), takes each value with one
// DdeGetData and does nothing else. The bench's floor for throughput, and the client that
// vanishes in the tests.
//   bare_receiver EVENT [vanish] [VALUE...]
// EVENT names an event of the caller's, set once when the links are open, then as each VALUE
// arrives in turn, a value lost on the way skipped (after every value when none is given);
// values are compared in their first 63 bytes. The receiver ends at a WM_QUIT posted to its
// thread, with the number of values its hot links delivered as its exit status; with "vanish" it
// ends without ending its conversations, as a program that crashes or is killed does.
#include "floor_links.h"

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

HANDLE event = nullptr;
std::vector<std::string> awaited;
std::size_t next = 0;
int delivered = 0;

HDDEDATA CALLBACK Callback(UINT type, UINT, HCONV, HSZ, HSZ, HDDEDATA data, ULONG_PTR, ULONG_PTR) {
    if (type != XTYP_ADVDATA || !data) {
        return nullptr;
    }
    char value[64] = {};
    DdeGetData(data, reinterpret_cast<BYTE*>(value), sizeof value - 1, 0);
    ++delivered;
    for (std::size_t index = next; index < awaited.size(); ++index) {
        if (awaited[index] == value) {
            next = index + 1;
            SetEvent(event);
            break;
        }
    }
    if (awaited.empty()) {
        SetEvent(event);
    }
    return reinterpret_cast<HDDEDATA>(DDE_FACK);
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2 || !(event = OpenEventA(EVENT_MODIFY_STATE, FALSE, argv[1]))) {
        return -1;
    }
    const bool vanish = argc > 2 && std::strcmp(argv[2], "vanish") == 0;
    awaited.assign(argv + (vanish ? 3 : 2), argv + argc);
    veskor::test::FloorInstances instances = {};
    if (!veskor::test::OpenFloorLinks(Callback, instances)) {
        return -1;
    }
    SetEvent(event);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        DispatchMessageW(&message);
    }
    for (DWORD instance : instances) {
        if (!vanish) {
            DdeUninitialize(instance);
        }
    }
    return delivered;
}
