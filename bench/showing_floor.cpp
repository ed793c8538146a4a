// The floor of update latency for a program that shows the value: the least any program can do
// to show the host's frequency in Veskor's window. It is the controls floor (the same links and
// nineteen controls under the same manifest) that, on each frequency value, sets the frequency
// box's text and the four antenna ticks the antenna rules give, and nothing more: no panel, no
// binding, no layout, no bearing.
//   showing_floor EVENT
// EVENT names an event of the caller's, set once when the window shows with its links open, then
// after each frequency value is shown, as the bare receiver reports. Closed, it ends its
// conversations.
#include "control_id.h"
#include "controls_window.h"
#include "rules.h"

#include <array>
#include <string>

namespace {

using veskor::ControlId;

HANDLE event = nullptr;
// The frequency box and the four ticks, in AntennaKind's order, found once: under Wine each
// GetDlgItem asks the Wine server.
HWND frequencyBox = nullptr;
std::array<HWND, veskor::kAntennaCount> ticks{};
// DDEML's string handles are atoms: one number for a name in every instance of the process, so
// the links' items are told apart by the handle alone, without a call.
HSZ frequencyItem = nullptr;
HSZ azimuthItem = nullptr;
std::string azimuth = "0"; // read only in 80 m

void ShowFrequency(const char* value) {
    wchar_t text[64] = {};
    MultiByteToWideChar(CP_ACP, 0, value, -1, text, 63);
    SetWindowTextW(frequencyBox, text);
    const auto chosen = static_cast<std::size_t>(veskor::ChooseAntenna(value, azimuth));
    for (std::size_t kind = 0; kind < ticks.size(); ++kind) {
        SendMessageW(ticks[kind], BM_SETCHECK, kind == chosen ? BST_CHECKED : BST_UNCHECKED, 0);
    }
}

HDDEDATA CALLBACK Callback(UINT type, UINT, HCONV, HSZ, HSZ item, HDDEDATA data, ULONG_PTR,
                           ULONG_PTR) {
    if (type != XTYP_ADVDATA || !data) {
        return nullptr;
    }
    char value[64] = {};
    DdeGetData(data, reinterpret_cast<BYTE*>(value), sizeof value - 1, 0);
    if (item == frequencyItem) {
        ShowFrequency(value);
        SetEvent(event);
    } else if (item == azimuthItem) {
        azimuth = value;
    }
    return reinterpret_cast<HDDEDATA>(DDE_FACK);
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2 || !(event = OpenEventA(EVENT_MODIFY_STATE, FALSE, argv[1]))) {
        return -1;
    }
    DWORD names = 0;
    if (DdeInitializeW(&names, Callback, APPCMD_CLIENTONLY, 0) != DMLERR_NO_ERROR) {
        return -1;
    }
    frequencyItem = DdeCreateStringHandleW(names, L"Khz", CP_WINUNICODE);
    azimuthItem = DdeCreateStringHandleW(names, L"Az", CP_WINUNICODE);
    veskor::FontOwner font;
    HWND window = veskor::test::CreateControlsWindow(L"Showing floor", L"VeskorShowingFloor", font);
    const auto control = [window](ControlId id) {
        return GetDlgItem(window, static_cast<int>(id));
    };
    frequencyBox = control(ControlId::TextKhz);
    ticks = {control(ControlId::CheckDipoleNS), control(ControlId::CheckDipoleEW),
             control(ControlId::CheckBeam), control(ControlId::CheckLW)};
    const int status = veskor::test::RunFloor(window, Callback, event);
    DdeUninitialize(names);
    return status;
}
