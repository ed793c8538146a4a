// Deciding before Wine's DDEML what each value message is: the link's, spoiled by a used host, or
// nobody's.
#include "used_host_repair.h"

#include "dde_message.h"

#include <dde.h>

#include <algorithm>
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

// Every window subclassed, found by handle, on the links' one thread. Kept here rather than in
// the window's properties (as the common controls' subclassing does): under Wine reading a
// property is a call to the Wine server, and this runs for every message of every conversation.
// An entry lives as long as its window, so that a window is never subclassed twice, which would
// chain it to itself, and a procedure set above this one later is never cut out.
std::vector<UsedHostRepair::Subclass>& Subclasses() {
    static std::vector<UsedHostRepair::Subclass> subclasses;
    return subclasses;
}

UsedHostRepair::Subclass* SubclassOf(HWND window) {
    auto& subclasses = Subclasses();
    const auto found = std::ranges::find(subclasses, window, &UsedHostRepair::Subclass::window);
    return found != subclasses.end() ? &*found : nullptr;
}

// The repair whose link waits for its own transaction; one at a time, on the links' one thread.
UsedHostRepair* waitingRepair = nullptr;

bool ClassIs(HWND window, std::initializer_list<std::wstring_view> classes) {
    wchar_t name[64] = {};
    if (window == nullptr || GetClassNameW(window, name, static_cast<int>(std::size(name))) == 0) {
        return false;
    }
    return std::ranges::find(classes, std::wstring_view(name)) != classes.end();
}

// The string a global atom names; empty when it names none.
std::wstring AtomName(ATOM atom) {
    wchar_t name[256];
    const UINT length = GlobalGetAtomNameW(atom, name, static_cast<int>(std::size(name)));
    return std::wstring(name, length);
}

bool AtomNames(ATOM atom, const std::wstring& item) {
    return atom != 0 && lstrcmpiW(AtomName(atom).c_str(), item.c_str()) == 0;
}

using AtomQuery = LONG(WINAPI*)(USHORT atom, int informationClass, void* information, ULONG size,
                                ULONG* returned);

// ntdll's, which gives an atom's count of references with its name.
AtomQuery QueryAtom() {
    static const auto query = reinterpret_cast<AtomQuery>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationAtom")));
    return query;
}

// How many references the global atom has while it still names the item; 0 when it names
// something else or nothing. One call to the Wine server, as GlobalGetAtomNameW is (which asks
// the same question and drops the count). Only where QueryAtom() is had.
int CountReferences(ATOM atom, const std::wstring& item) {
    struct BasicInformation { // ntdll's ATOM_BASIC_INFORMATION
        USHORT references;
        USHORT pinned;
        USHORT nameBytes;
        wchar_t name[256];
    };
    BasicInformation information{}; // the name's last character stays free for its end
    if (atom == 0 ||
        QueryAtom()(atom, 0, &information, sizeof information - sizeof(wchar_t), nullptr) < 0) {
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

// What the value's memory says of it, read in the one lock that also marks it fRelease: the
// memory is this program's copy, freed by DDEML once it has read a value it is handed, or here
// when the value is dropped. Nothing readable for a notice without data.
UsedHostRepair::Header ReadAndMark(UINT_PTR data) {
    const auto memory = reinterpret_cast<HGLOBAL>(data);
    if (memory == nullptr || GlobalSize(memory) < offsetof(DDEDATA, Value)) {
        return {};
    }
    auto* fields = static_cast<DDEDATA*>(GlobalLock(memory));
    if (fields == nullptr) {
        return {};
    }
    fields->fRelease = 1;
    const UsedHostRepair::Header header{true, static_cast<unsigned short>(fields->cfFormat),
                                        fields->fAckReq != 0, fields->fResponse != 0};
    GlobalUnlock(memory);
    return header;
}

} // namespace

void UsedHostRepair::Start(HCONV conversation, std::wstring_view item, UINT format) {
    CONVINFO info{};
    info.cb = sizeof info;
    if (DdeQueryConvInfo(conversation, QID_SYNC, &info) == 0 ||
        !IsWineDdemlClientWindow(info.hwnd)) {
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
    KeepHold();
}

void UsedHostRepair::Stop() {
    if (window_ == nullptr) {
        return;
    }
    if (Subclass* subclass = SubclassOf(window_); subclass != nullptr && subclass->repair == this) {
        subclass->repair = nullptr;
    }
    window_ = nullptr;
    // References carry no owner, and a used host's values take them from every client alike: the
    // reserve, and the last reference whoever added it, may be all another client's values in
    // flight have. They stay with the name, for whoever follows the item next (a later link tops
    // the atom up to the reserve, not beyond), and only the link's own hold goes back.
    if (holds_ && References() > 1) {
        GlobalDeleteAtom(atom_);
    }
    holds_ = false;
    atom_ = 0;
}

int UsedHostRepair::ReferencesTo(const wchar_t* name) {
    return QueryAtom() != nullptr ? CountReferences(GlobalFindAtomW(name), name) : -1;
}

// Wine 8 and 10 name the classes so, the A forms for an ANSI instance.
bool UsedHostRepair::IsDdemlServerWindow(HWND window) {
    return ClassIs(window, {L"WineDdeServerConvW", L"WineDdeServerConvA"});
}

bool UsedHostRepair::IsWineDdemlClientWindow(HWND window) {
    return ClassIs(window, {L"WineDdeClientW", L"WineDdeClientA"});
}

LRESULT CALLBACK UsedHostRepair::OnWindowMessage(HWND window, UINT message, WPARAM wParam,
                                                 LPARAM lParam) {
    const Subclass* subclass = SubclassOf(window);
    if (subclass == nullptr) {
        return DefWindowProcW(window, message, wParam, lParam);
    }
    const WNDPROC ddeml = subclass->ddeml;
    if (message == WM_DDE_DATA && subclass->repair != nullptr &&
        !subclass->repair->Take(wParam, lParam)) {
        return 0;
    }
    if (message == WM_NCDESTROY) {
        // The handle may be given to a later window, which is then a new one to subclass.
        std::erase_if(Subclasses(),
                      [window](const Subclass& entry) { return entry.window == window; });
    }
    return CallWindowProcW(ddeml, window, message, wParam, lParam);
}

UsedHostRepair::Waiting::Waiting(UsedHostRepair& repair, Wait wait) : repair_(repair) {
    repair_.wait_ = wait;
    if (repair_.window_ != nullptr) {
        waitingRepair = &repair_;
        hook_ = SetWindowsHookExW(WH_GETMESSAGE, &UsedHostRepair::OnMessageTaken, nullptr,
                                  GetCurrentThreadId());
    }
}

UsedHostRepair::Waiting::~Waiting() {
    if (hook_ != nullptr) {
        UnhookWindowsHookEx(hook_);
    }
    waitingRepair = nullptr;
    repair_.wait_ = Wait::None;
}

// A message DDEML's wait takes for the conversation is judged as the window would judge it; one
// that is nobody's is freed and goes to no window, so that DDEML neither keeps it nor ends its
// wait for it.
LRESULT CALLBACK UsedHostRepair::OnMessageTaken(int code, WPARAM removed, LPARAM message) {
    auto* taken = reinterpret_cast<MSG*>(message);
    UsedHostRepair* repair = waitingRepair;
    if (code == HC_ACTION && removed == PM_REMOVE && repair != nullptr &&
        taken->hwnd == repair->window_ && taken->message == WM_DDE_DATA &&
        !repair->Take(taken->wParam, taken->lParam)) {
        taken->hwnd = nullptr;
        taken->message = WM_NULL;
    }
    return CallNextHookEx(nullptr, code, removed, message);
}

// Whether the value goes to DDEML, with `lParam` as it is to be handed on; when not, it has been
// freed. Decided before DDEML has the message: a message DDEML handles is freed by it (the packed
// parameter, and the data once marked) or handed back to the host in the acknowledgement, and a
// freed handle's number may already belong to new memory.
bool UsedHostRepair::Take(WPARAM wParam, LPARAM& lParam) {
    UINT_PTR data = 0;
    UINT_PTR atom = 0;
    if (UnpackDDElParam(WM_DDE_DATA, lParam, &data, &atom) == FALSE) {
        return true;
    }
    const Header header = ReadAndMark(data);
    const auto sender = reinterpret_cast<HWND>(wParam);
    if (partnerIsDdeml_ && sender == partner_ && untilCheck_-- == 0) {
        KeepHold();
    }
    const Verdict verdict = Judge(sender, static_cast<ATOM>(atom), header);
    if (!partnerIsDdeml_ && (verdict != Verdict::Own || atom != atom_)) {
        KeepHold(); // a message of a careless host may have taken the hold with it
    }
    // A spoiled value goes once, with the item's name under an atom of this program's that DDEML
    // releases; the host's atom is not released here: a used host has given it up already.
    const ATOM own = verdict == Verdict::Spoiled ? GlobalAddAtomW(item_.c_str()) : 0;
    if (own != 0) {
        lParam = ReuseDDElParam(lParam, WM_DDE_DATA, WM_DDE_DATA, data, own);
        return true;
    }
    if (verdict == Verdict::Own) {
        return true;
    }
    const bool answer = sender == partner_ && header.ackReq && verdict == Verdict::Nobodys;
    RefuseValue(window_, answer ? partner_ : nullptr, lParam, data,
                verdict == Verdict::Nobodys ? static_cast<ATOM>(atom) : 0);
    return false;
}

// A conversation is two windows: a value from a third is nobody's, and so is any value before the
// host has accepted the hot link, and an answer nobody waits for. An awaited answer goes whatever
// its format: DDEML's transaction knows what it asked for.
UsedHostRepair::Verdict UsedHostRepair::Judge(HWND sender, ATOM atom, const Header& header) const {
    if (sender != partner_ || wait_ == Wait::HotLink ||
        (header.response && wait_ != Wait::Answer)) {
        return Verdict::Nobodys;
    }
    if (header.readable && header.format != format_ && !header.response) {
        return Verdict::Nobodys;
    }
    // While the references hold the item's name, no other number names it: from a DDEML server
    // the held number is the item's and any other is not. From a host that speaks the messages
    // itself, the held number is the item's too, and another number is read by name.
    if (atom != 0 && (atom == atom_ || (!partnerIsDdeml_ && AtomNames(atom, item_)))) {
        return Verdict::Own;
    }
    // A DDEML server posts an item only on that item's links: a value of its in the link's format
    // is the link's, whatever its atom names now.
    return partnerIsDdeml_ && header.readable ? Verdict::Spoiled : Verdict::Nobodys;
}

// The references to the item's atom while it names the item; where they cannot be counted, the
// link's own while the name is there.
int UsedHostRepair::References() const {
    if (QueryAtom() == nullptr) {
        return AtomNames(atom_, item_) ? 1 : 0;
    }
    return CountReferences(atom_, item_);
}

// Keeps a hold of the link's own on its item's atom and, for a DDEML server's link, the atom at
// the reserve, whoever added the rest: each value of a used host takes one reference that nobody
// gave, from every client alike. Counting is one call to the Wine server; a fresh host's values
// between two counts cost none.
void UsedHostRepair::KeepHold() {
    untilCheck_ = kValuesBetweenChecks;
    int references = References();
    if (references == 0) {
        atom_ = 0; // the name had gone, and the hold with it: a new atom, a new count
        holds_ = false;
    }
    const int wanted = partnerIsDdeml_ && QueryAtom() != nullptr ? kReserve : 1;
    while (!holds_ || references < wanted) {
        const ATOM added = GlobalAddAtomW(item_.c_str());
        if (added == 0 || (atom_ != 0 && added != atom_)) {
            return; // no atom to be had, or one name with two numbers: nothing more to keep
        }
        atom_ = added;
        holds_ = true;
        ++references;
    }
}

} // namespace veskor
