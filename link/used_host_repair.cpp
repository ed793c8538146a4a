// Handing a value that DDEML dropped for want of its item's atom back to DDEML, renamed.
#include "used_host_repair.h"

#include <dde.h>

#include <algorithm>
#include <iterator>
#include <vector>

namespace veskor {

namespace {

// The repairs at work, found by DDEML's window. Used on the links' one thread only.
std::vector<UsedHostRepair*>& Repairs() {
    static std::vector<UsedHostRepair*> repairs;
    return repairs;
}

// DDEML's window procedure of a client conversation: one class, the same for every one.
WNDPROC& DdemlWindowProcedure() {
    static WNDPROC procedure = &DefWindowProcW;
    return procedure;
}

// Whether the global atom names exactly this item (atom names ignore case, as DDEML does).
bool AtomNames(ATOM atom, const std::wstring& item) {
    wchar_t name[256];
    const UINT length = GlobalGetAtomNameW(atom, name, static_cast<int>(std::size(name)));
    return length == item.size() && lstrcmpiW(name, item.c_str()) == 0;
}

} // namespace

void UsedHostRepair::Start(HCONV conversation, std::wstring_view item) {
    CONVINFO info{};
    info.cb = sizeof info;
    if (DdeQueryConvInfo(conversation, QID_SYNC, &info) == 0 || info.hwnd == nullptr) {
        return;
    }
    Stop();
    window_ = info.hwnd;
    item_ = item;
    Repairs().push_back(this);
    DdemlWindowProcedure() = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(
        window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&UsedHostRepair::OnWindowMessage)));
}

void UsedHostRepair::Stop() {
    std::erase(Repairs(), this);
    window_ = nullptr;
}

LRESULT CALLBACK UsedHostRepair::OnWindowMessage(HWND window, UINT message, WPARAM wParam,
                                                 LPARAM lParam) {
    if (message == WM_DDE_DATA) {
        const auto& repairs = Repairs();
        const auto found = std::ranges::find(repairs, window, &UsedHostRepair::window_);
        if (found != repairs.end()) {
            return (*found)->HandleValueMessage(wParam, lParam);
        }
    }
    return CallWindowProcW(DdemlWindowProcedure(), window, message, wParam, lParam);
}

// DDEML keeps the message's data when it drops a value, so the message can be handed on again.
LRESULT UsedHostRepair::HandleValueMessage(WPARAM wParam, LPARAM lParam) {
    const WNDPROC ddeml = DdemlWindowProcedure();
    const HWND window = window_;
    UINT_PTR data = 0;
    UINT_PTR atom = 0;
    const bool unpacked = UnpackDDElParam(WM_DDE_DATA, lParam, &data, &atom) != FALSE;
    delivered_ = false;
    const LRESULT result = CallWindowProcW(ddeml, window, WM_DDE_DATA, wParam, lParam);
    if (delivered_ || !unpacked || window_ != window || AtomNames(static_cast<ATOM>(atom), item_) ||
        GlobalFlags(reinterpret_cast<HGLOBAL>(lParam)) == GMEM_INVALID_HANDLE) {
        return result;
    }
    const ATOM own = GlobalAddAtomW(item_.c_str());
    if (own == 0) {
        return result;
    }
    const LPARAM renamed = ReuseDDElParam(lParam, WM_DDE_DATA, WM_DDE_DATA, data, own);
    CallWindowProcW(ddeml, window, WM_DDE_DATA, wParam, renamed);
    if (!delivered_) {
        GlobalDeleteAtom(own);
    }
    return result;
}

} // namespace veskor
