// The floor for update latency and bursts: a DDEML client that does nothing but hold a hot link on
// the host's frequency and copy out each value it receives. It reports through named events:
//   bare_client each  <name>                   sets <name>.received after every value
//   bare_client burst <name> <last> [<last>...] sets <name>.done as each burst's last value
//                                              arrives, one burst after the other
// It sets <name>.ready once its link is open, and on WM_QUIT exits with the number of values seen.
#include <windows.h>

#include <ddeml.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

struct ClientState {
    DWORD instance = 0;
    bool signalEach = false;
    std::vector<std::string> lasts; // the last value of each burst still to come
    size_t burst = 0;
    HANDLE received = nullptr;
    HANDLE done = nullptr;
    int count = 0;
    std::vector<char> buffer;
};

ClientState state;

HDDEDATA CALLBACK Callback(UINT type, UINT, HCONV, HSZ, HSZ, HDDEDATA data, ULONG_PTR, ULONG_PTR) {
    if (type != XTYP_ADVDATA) {
        return nullptr;
    }
    const DWORD size = DdeGetData(data, nullptr, 0, 0);
    state.buffer.resize(size);
    DdeGetData(data, reinterpret_cast<BYTE*>(state.buffer.data()), size, 0);
    ++state.count;
    if (state.signalEach) {
        SetEvent(state.received);
    } else {
        std::string value(state.buffer.data(), strnlen(state.buffer.data(), state.buffer.size()));
        if (state.burst < state.lasts.size() && value == state.lasts[state.burst]) {
            ++state.burst;
            SetEvent(state.done);
        }
    }
    return reinterpret_cast<HDDEDATA>(DDE_FACK);
}

HANDLE NamedEvent(const std::string& name, const char* suffix) {
    return CreateEventA(nullptr, FALSE, FALSE, (name + suffix).c_str());
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        return -1;
    }
    const std::string mode = argv[1];
    const std::string name = argv[2];
    state.signalEach = mode == "each";
    if (!state.signalEach) {
        if (mode != "burst" || argc < 4) {
            return -1;
        }
        state.lasts.assign(argv + 3, argv + argc);
    }
    state.received = NamedEvent(name, ".received");
    state.done = NamedEvent(name, ".done");
    HANDLE ready = NamedEvent(name, ".ready");

    if (DdeInitializeW(&state.instance, Callback, APPCMD_CLIENTONLY, 0) != DMLERR_NO_ERROR) {
        return -1;
    }
    HSZ service = DdeCreateStringHandleW(state.instance, L"MixW", CP_WINUNICODE);
    HSZ topic = DdeCreateStringHandleW(state.instance, L"QSO", CP_WINUNICODE);
    HSZ item = DdeCreateStringHandleW(state.instance, L"Khz", CP_WINUNICODE);
    HCONV conversation = DdeConnect(state.instance, service, topic, nullptr);
    if (!conversation || !DdeClientTransaction(nullptr, 0, conversation, item, CF_TEXT,
                                               XTYP_ADVSTART, 5000, nullptr)) {
        DdeUninitialize(state.instance);
        return -1;
    }
    SetEvent(ready);

    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        DispatchMessageW(&message);
    }
    DdeDisconnect(conversation);
    DdeUninitialize(state.instance);
    return state.count;
}
