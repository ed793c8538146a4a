// Handing a value that DDEML dropped for want of its item's atom back to DDEML, renamed.
#include "used_host_repair.h"

#include "linked_field.h"

#include <dde.h>

#include <algorithm>
#include <cstddef>
#include <iterator>
#include <vector>

namespace veskor {

// DDEML's window of a conversation, with its own procedure and the repair in front of it.
struct UsedHostRepair::Subclass {
    HWND window;
    WNDPROC ddeml;
    UsedHostRepair* repair; // null once stopped: every message then goes to DDEML unchanged
};

namespace {

// Every window subclassed, found by handle; used on the links' one thread only. An entry lives
// as long as its window, so a window is never subclassed twice, which would chain it to itself.
std::vector<UsedHostRepair::Subclass>& Subclasses() {
    static std::vector<UsedHostRepair::Subclass> subclasses;
    return subclasses;
}

UsedHostRepair::Subclass* SubclassOf(HWND window) {
    auto& subclasses = Subclasses();
    const auto found = std::ranges::find(subclasses, window, &UsedHostRepair::Subclass::window);
    return found != subclasses.end() ? &*found : nullptr;
}

bool RunningUnderWine() {
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

// The string a global atom names; empty when it names none.
std::wstring AtomName(ATOM atom) {
    wchar_t name[256];
    const UINT length = GlobalGetAtomNameW(atom, name, static_cast<int>(std::size(name)));
    return std::wstring(name, length);
}

// Whether a name is an item's (DDE names ignore case, as DDEML does).
bool SameName(std::wstring_view name, std::string_view item) {
    const auto lower = [](wchar_t c) { return c >= L'A' && c <= L'Z' ? c - L'A' + L'a' : c; };
    return std::ranges::equal(name, item, [&](wchar_t a, char b) {
        return lower(a) == lower(static_cast<unsigned char>(b));
    });
}

bool NamesLinkedItem(std::wstring_view name) {
    return std::ranges::any_of(
        kLinkedFields, [&](const LinkedFieldLink& link) { return SameName(name, link.item); });
}

// The clipboard format of a value's memory, 0 when it holds no DDEDATA header.
UINT FormatOf(UINT_PTR data) {
    const auto memory = reinterpret_cast<HGLOBAL>(data);
    if (GlobalSize(memory) < offsetof(DDEDATA, Value)) {
        return 0;
    }
    const auto* header = static_cast<const DDEDATA*>(GlobalLock(memory));
    if (header == nullptr) {
        return 0;
    }
    const UINT format = static_cast<unsigned short>(header->cfFormat);
    GlobalUnlock(memory);
    return format;
}

bool AtomNames(ATOM atom, const std::wstring& item) {
    return atom != 0 && lstrcmpiW(AtomName(atom).c_str(), item.c_str()) == 0;
}

} // namespace

void UsedHostRepair::Start(HCONV conversation, std::wstring_view item, UINT format) {
    CONVINFO info{};
    info.cb = sizeof info;
    if (!RunningUnderWine() || DdeQueryConvInfo(conversation, QID_SYNC, &info) == 0 ||
        info.hwnd == nullptr) {
        return;
    }
    Subclass* subclass = SubclassOf(info.hwnd);
    if (subclass != nullptr && subclass->repair != nullptr && subclass->repair != this) {
        return; // one repair to a window
    }
    Stop();
    if (subclass == nullptr) {
        const auto ddeml = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(info.hwnd, GWLP_WNDPROC));
        Subclasses().push_back({info.hwnd, ddeml, nullptr});
        SetWindowLongPtrW(info.hwnd, GWLP_WNDPROC,
                          reinterpret_cast<LONG_PTR>(&UsedHostRepair::OnWindowMessage));
        subclass = &Subclasses().back();
    }
    subclass->repair = this;
    window_ = info.hwnd;
    item_ = item;
    format_ = format;
    held_ = GlobalAddAtomW(item_.c_str());
}

void UsedHostRepair::Stop() {
    if (Subclass* subclass = SubclassOf(window_); subclass != nullptr && subclass->repair == this) {
        subclass->repair = nullptr;
    }
    // Released only while it still names the item: a used host may have taken it away already.
    if (AtomNames(held_, item_)) {
        GlobalDeleteAtom(held_);
    }
    held_ = 0;
    window_ = nullptr;
}

LRESULT CALLBACK UsedHostRepair::OnWindowMessage(HWND window, UINT message, WPARAM wParam,
                                                 LPARAM lParam) {
    const Subclass* subclass = SubclassOf(window);
    if (subclass == nullptr) {
        return DefWindowProcW(window, message, wParam, lParam);
    }
    const WNDPROC ddeml = subclass->ddeml;
    if (message == WM_DDE_DATA && subclass->repair != nullptr) {
        return subclass->repair->HandleValueMessage(ddeml, wParam, lParam);
    }
    if (message == WM_NCDESTROY) {
        // The handle may be given to a later window, which is then a new one to subclass.
        std::erase_if(Subclasses(),
                      [window](const Subclass& entry) { return entry.window == window; });
    }
    return CallWindowProcW(ddeml, window, message, wParam, lParam);
}

// The message's parts are read before DDEML has it: a message DDEML handles is freed by it (the
// packed parameter, and the data when it asks to be released) or handed back to the host in the
// acknowledgement, and a freed handle's number may already belong to new memory. After DDEML,
// only a message that reached no callback while no transaction waited is used again: Wine's DDEML
// drops such a message without touching it.
LRESULT UsedHostRepair::HandleValueMessage(WNDPROC ddeml, WPARAM wParam, LPARAM lParam) {
    const HWND window = window_;
    UINT_PTR data = 0;
    UINT_PTR atom = 0;
    const bool unpacked = UnpackDDElParam(WM_DDE_DATA, lParam, &data, &atom) != FALSE;
    const bool waiting = waiting_;
    delivered_ = false;
    const LRESULT result = CallWindowProcW(ddeml, window, WM_DDE_DATA, wParam, lParam);
    if (delivered_ || waiting || !unpacked || data == 0 || window_ != window ||
        !Repairable(static_cast<ATOM>(atom), data)) {
        return result;
    }
    Redeliver(ddeml, wParam, lParam, data);
    return result;
}

// The atom no longer names a string (the host released it), or names a string that none of the
// links has: its number went to another string after the host released it. While the repairs
// hold their items' atoms, those strings keep their own numbers, so an atom naming another linked
// item really is that item's, posted on the wrong conversation. One naming the link's own item
// was released when DDEML looked and taken again by the host since, unless the value is in a
// format the link did not ask for.
bool UsedHostRepair::Repairable(ATOM atom, UINT_PTR data) const {
    const std::wstring name = AtomName(atom);
    if (lstrcmpiW(name.c_str(), item_.c_str()) == 0) {
        return FormatOf(data) == format_;
    }
    return name.empty() || !NamesLinkedItem(name);
}

void UsedHostRepair::Redeliver(WNDPROC ddeml, WPARAM wParam, LPARAM lParam, UINT_PTR data) {
    KeepHold();
    const ATOM own = GlobalAddAtomW(item_.c_str());
    if (own == 0) {
        return;
    }
    const LPARAM renamed = ReuseDDElParam(lParam, WM_DDE_DATA, WM_DDE_DATA, data, own);
    delivered_ = false;
    CallWindowProcW(ddeml, window_, WM_DDE_DATA, wParam, renamed);
    if (!delivered_) {
        GlobalDeleteAtom(own);
    }
}

// A used host's messages each take one reference more from the item's atom than the host gave:
// the hold may have gone with one of them. Taken again here, where a value has just shown why.
void UsedHostRepair::KeepHold() {
    if (!AtomNames(held_, item_)) {
        held_ = GlobalAddAtomW(item_.c_str());
    }
}

} // namespace veskor
