// Deciding before DDEML what each value message is: the link's, spoiled by a used host, or
// nobody's.
#include "used_host_repair.h"

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

// How many references the global atom has while it still names the item; 0 when it names something
// else or nothing, -1 when no count can be read. One call to the Wine server, as GlobalGetAtomNameW
// is (which asks the same question and drops the count).
int ReferencesTo(ATOM atom, const std::wstring& item) {
    struct BasicInformation { // ntdll's ATOM_BASIC_INFORMATION
        USHORT references;
        USHORT pinned;
        USHORT nameBytes;
        wchar_t name[256];
    };
    using Query = LONG(WINAPI*)(USHORT atom, int informationClass, void* information, ULONG size,
                                ULONG* returned);
    static const auto query = reinterpret_cast<Query>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationAtom")));
    if (query == nullptr) {
        return -1;
    }
    BasicInformation information{}; // the name's last character stays free for its end
    if (atom == 0 ||
        query(atom, 0, &information, sizeof information - sizeof(wchar_t), nullptr) < 0) {
        return 0;
    }
    information.name[std::min<std::size_t>(information.nameBytes / sizeof(wchar_t), 255)] = L'\0';
    return lstrcmpiW(information.name, item.c_str()) == 0 ? information.references : 0;
}

} // namespace

struct UsedHostRepair::Header {
    bool readable = false; // the memory holds a DDEDATA header
    UINT format = 0;
    bool ackReq = false;
    bool response = false;
};

namespace {

// What the value's memory says of it; nothing readable for a notice without data.
UsedHostRepair::Header HeaderOf(UINT_PTR data) {
    const auto memory = reinterpret_cast<HGLOBAL>(data);
    if (memory == nullptr || GlobalSize(memory) < offsetof(DDEDATA, Value)) {
        return {};
    }
    const auto* fields = static_cast<const DDEDATA*>(GlobalLock(memory));
    if (fields == nullptr) {
        return {};
    }
    const UsedHostRepair::Header header{true, static_cast<unsigned short>(fields->cfFormat),
                                        fields->fAckReq != 0, fields->fResponse != 0};
    GlobalUnlock(memory);
    return header;
}

// This program's copy is freed by DDEML once the callback has it.
void MarkForRelease(UINT_PTR data) {
    const auto memory = reinterpret_cast<HGLOBAL>(data);
    if (auto* fields = memory != nullptr ? static_cast<DDEDATA*>(GlobalLock(memory)) : nullptr) {
        fields->fRelease = 1;
        GlobalUnlock(memory);
    }
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
    partner_ = info.hwndPartner;
    partnerIsDdeml_ = IsDdemlServerWindow(partner_);
    item_ = item;
    format_ = format;
    held_ = GlobalAddAtomW(item_.c_str());
    untilCheck_ = 0;
    if (partnerIsDdeml_) {
        KeepReserve();
    }
}

void UsedHostRepair::Stop() {
    if (Subclass* subclass = SubclassOf(window_); subclass != nullptr && subclass->repair == this) {
        subclass->repair = nullptr;
    }
    // Given back only while the atom still names the item, and no more than it has: a used host
    // may have taken some or all of them away already.
    int references = ReferencesTo(held_, item_);
    if (references < 0) {
        references = AtomNames(held_, item_) ? 1 : 0;
    }
    for (int given = 0; given < std::min(reserve_ + 1, references); ++given) {
        GlobalDeleteAtom(held_);
    }
    reserve_ = 0;
    held_ = 0;
    window_ = nullptr;
    partner_ = nullptr;
}

// Wine 8 and 10 name the class "WineDdeServerConvW" ("WineDdeServerConvA" for an ANSI server).
bool UsedHostRepair::IsDdemlServerWindow(HWND window) {
    static constexpr const wchar_t* kClasses[] = {L"WineDdeServerConvW", L"WineDdeServerConvA"};
    wchar_t name[64] = {};
    if (window == nullptr || GetClassNameW(window, name, static_cast<int>(std::size(name))) == 0) {
        return false;
    }
    return std::ranges::any_of(
        kClasses, [&](const wchar_t* known) { return std::wstring_view(name) == known; });
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

// Decided before DDEML has the message: a message DDEML handles is freed by it (the packed
// parameter, and the data once marked for release) or handed back to the host in the
// acknowledgement, and a freed handle's number may already belong to new memory.
LRESULT UsedHostRepair::HandleValueMessage(WNDPROC ddeml, WPARAM wParam, LPARAM lParam) {
    UINT_PTR data = 0;
    UINT_PTR atom = 0;
    if (UnpackDDElParam(WM_DDE_DATA, lParam, &data, &atom) == FALSE) {
        return CallWindowProcW(ddeml, window_, WM_DDE_DATA, wParam, lParam);
    }
    const Header header = HeaderOf(data);
    const auto sender = reinterpret_cast<HWND>(wParam);
    if (partnerIsDdeml_ && sender == partner_ && untilCheck_-- == 0) {
        KeepReserve();
    }
    const Verdict verdict = Judge(sender, static_cast<ATOM>(atom), header);
    if (!partnerIsDdeml_ && (verdict != Verdict::Own || atom != held_)) {
        KeepHold();
    }
    if (verdict == Verdict::Nobodys) {
        Drop(sender, lParam, data, static_cast<ATOM>(atom), header);
        return 0;
    }
    MarkForRelease(data);
    // An answer to a request goes as it came: DDEML's transaction knows what it asked for.
    if (verdict == Verdict::Own) {
        return CallWindowProcW(ddeml, window_, WM_DDE_DATA, wParam, lParam);
    }
    return Redeliver(ddeml, wParam, lParam, data);
}

// Given to DDEML once, with the item's name under an atom of this program's that DDEML releases.
// The host's atom is not released here: a used host has given it up already. Without an atom of
// its own the value cannot be placed, and is freed here as a dropped one is.
LRESULT UsedHostRepair::Redeliver(WNDPROC ddeml, WPARAM wParam, LPARAM lParam, UINT_PTR data) {
    const ATOM own = GlobalAddAtomW(item_.c_str());
    if (own == 0) {
        FreeDDElParam(WM_DDE_DATA, lParam);
        GlobalFree(reinterpret_cast<HGLOBAL>(data));
        return 0;
    }
    const LPARAM renamed = ReuseDDElParam(lParam, WM_DDE_DATA, WM_DDE_DATA, data, own);
    return CallWindowProcW(ddeml, window_, WM_DDE_DATA, wParam, renamed);
}

// A conversation is two windows: a value from a third is nobody's. An answer to a request goes to
// DDEML, whose transaction takes it and judges its format.
UsedHostRepair::Verdict UsedHostRepair::Judge(HWND sender, ATOM atom, const Header& header) const {
    if (sender != partner_) {
        return Verdict::Nobodys;
    }
    if (header.response) {
        return Verdict::Own;
    }
    if (header.readable && header.format != format_) {
        return Verdict::Nobodys;
    }
    // While the reserve holds the item's name, no other number names it: from a DDEML server the
    // hold's number is the item's and any other is not. From a host that speaks the messages
    // itself, the hold's number is the item's too (a lost name would not be repaired anyway, and
    // DDEML checks the name again), and another number is read by name.
    if (atom != 0 && (atom == held_ || (!partnerIsDdeml_ && AtomNames(atom, item_)))) {
        return Verdict::Own;
    }
    // A DDEML server posts an item only on that item's links: a value of its in the link's format
    // is the link's, whatever its atom names now. The holds are no help there: the used host's
    // messages take them away too, and a number given up may name another linked item by now.
    return partnerIsDdeml_ && header.readable ? Verdict::Spoiled : Verdict::Nobodys;
}

// What the receiver of a value it does not take frees: the memory (here always this program's
// copy), and the atom and the packed parameter unless a negative acknowledgement hands them back
// to the partner that asked for one.
void UsedHostRepair::Drop(HWND sender, LPARAM lParam, UINT_PTR data, ATOM atom,
                          const Header& header) const {
    if (data != 0) {
        GlobalFree(reinterpret_cast<HGLOBAL>(data));
    }
    if (sender == partner_ && header.ackReq) {
        const LPARAM reply = ReuseDDElParam(lParam, WM_DDE_DATA, WM_DDE_ACK, 0, atom);
        if (PostMessageW(partner_, WM_DDE_ACK, reinterpret_cast<WPARAM>(window_), reply)) {
            return;
        }
        FreeDDElParam(WM_DDE_ACK, reply);
    } else {
        FreeDDElParam(WM_DDE_DATA, lParam);
    }
    if (atom != 0) {
        GlobalDeleteAtom(atom);
    }
}

// A used host's messages each take one reference more from the item's atom than the host gave:
// the hold may have gone with one of them. Taken again before each value is judged.
void UsedHostRepair::KeepHold() {
    if (!AtomNames(held_, item_)) {
        held_ = GlobalAddAtomW(item_.c_str());
    }
}

// Each value of a used DDEML server takes one reference from the item's atom that nobody gave,
// and the host may give up the one a value carries at any moment after the judging. So that the
// name stays the item's from one check to the next, whatever a used host and its other clients
// take meanwhile, the atom is kept at a reserve of references: counted every few values (one
// call to the Wine server) and topped up, instead of a reference taken and given back for each
// value (two calls, which doubled the time a value of a fresh host takes).
void UsedHostRepair::KeepReserve() {
    untilCheck_ = kValuesBetweenChecks;
    int references = ReferencesTo(held_, item_);
    if (references < 0) {
        return; // no count to keep: the one hold stays
    }
    if (references == 0) {
        held_ = GlobalAddAtomW(item_.c_str()); // the name had gone: a new hold, a new count
        reserve_ = 0;
        references = 1;
    }
    for (; references < kReserve; ++references) {
        if (GlobalAddAtomW(item_.c_str()) != held_) {
            break;
        }
        ++reserve_;
    }
}

} // namespace veskor
