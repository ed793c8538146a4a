// A conversation with the host through DDEML: one client-only instance, one conversation, one
// hot link in CF_TEXT. It never pokes or executes: the link only listens.
#include "dde_conversation.h"

#include "ansi_text.h"

#include <windows.h>

#include <ddeml.h>

#include <algorithm>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

namespace veskor {

namespace {

const DWORD kTimeoutMs = static_cast<DWORD>(kHostAnswerTimeout.count());

// How long ending a link waits to learn whether the host still handles its messages.
constexpr UINT kHostAliveProbeMs = 500;

HDDEDATA CallbackResult(UINT value) {
    return reinterpret_cast<HDDEDATA>(static_cast<ULONG_PTR>(value));
}

std::wstring Widen(std::string_view text) {
    const int length = static_cast<int>(text.size());
    const int wideLength = MultiByteToWideChar(CP_UTF8, 0, text.data(), length, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(std::max(wideLength, 0)), L'\0');
    if (wideLength > 0) {
        MultiByteToWideChar(CP_UTF8, 0, text.data(), length, wide.data(), wideLength);
    }
    return wide;
}

// A DDEML string handle, freed when it goes out of scope.
class StringHandle {
public:
    StringHandle(DWORD instance, std::string_view text)
        : instance_(instance),
          handle_(DdeCreateStringHandleW(instance, Widen(text).c_str(), CP_WINUNICODE)) {}
    ~StringHandle() {
        if (handle_ != nullptr) {
            DdeFreeStringHandle(instance_, handle_);
        }
    }
    StringHandle(const StringHandle&) = delete;
    StringHandle& operator=(const StringHandle&) = delete;

    HSZ get() const { return handle_; }

private:
    DWORD instance_;
    HSZ handle_;
};

// The text held by a data handle, read in place within the size DDEML reports for it.
std::string ReadText(HDDEDATA data) {
    DWORD size = 0;
    const BYTE* bytes = DdeAccessData(data, &size);
    if (bytes == nullptr) {
        return {};
    }
    std::string text;
    try {
        text = AnsiTextToUtf8({reinterpret_cast<const char*>(bytes), size});
    } catch (...) {
        DdeUnaccessData(data);
        throw;
    }
    DdeUnaccessData(data);
    return text;
}

// Whether the host's side of the conversation still handles messages, or has gone. Ending a
// conversation waits for the host to acknowledge it, under Wine up to 10 s for each one.
bool HostAnswersOrHasGone(HCONV conversation) {
    CONVINFO info{};
    info.cb = sizeof info;
    if (DdeQueryConvInfo(conversation, QID_SYNC, &info) == 0 || !IsWindow(info.hwndPartner)) {
        return true;
    }
    return SendMessageTimeoutW(info.hwndPartner, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, kHostAliveProbeMs,
                               nullptr) != 0;
}

class DdeConversation;

// The open conversations by handle. DDEML tells its callback the conversation but not the
// instance, so this is how a delivery finds its link. Used on the links' one thread only.
std::vector<std::pair<HCONV, DdeConversation*>>& Routes() {
    static std::vector<std::pair<HCONV, DdeConversation*>> routes;
    return routes;
}

DdeConversation* RouteOf(HCONV conversation) {
    for (const auto& [handle, owner] : Routes()) {
        if (handle == conversation) {
            return owner;
        }
    }
    return nullptr;
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

class DdeConversation final : public HostConversation {
public:
    DdeConversation() = default;
    ~DdeConversation() override;
    DdeConversation(const DdeConversation&) = delete;
    DdeConversation& operator=(const DdeConversation&) = delete;

    bool Connect(std::string_view application, std::string_view topic) override;
    bool StartHotLink(std::string_view item, Delivery deliver) override;
    CurrentValue FetchCurrentValue(std::string_view item) override;

private:
    static HDDEDATA CALLBACK OnDdeEvent(UINT type, UINT format, HCONV conversation, HSZ topic,
                                        HSZ item, HDDEDATA data, ULONG_PTR data1, ULONG_PTR data2);
    static LRESULT CALLBACK OnWindowMessage(HWND window, UINT message, WPARAM wParam,
                                            LPARAM lParam);
    HDDEDATA Receive(UINT format, HDDEDATA data);
    HDDEDATA Transact(UINT type, std::string_view item, UINT& error);
    LRESULT HandleValueMessage(WPARAM wParam, LPARAM lParam);
    void StopRouting();

    DWORD instance_ = 0;
    HCONV conversation_ = nullptr;
    Delivery deliver_;
    std::wstring item_;
    // DDEML's window of this conversation, which receives the host's values.
    HWND window_ = nullptr;
    // Set when DDEML hands a value of the hot link to the callback.
    bool delivered_ = false;
};

DdeConversation::~DdeConversation() {
    // Unrouted first, so that nothing arriving while the conversation ends reaches the panel.
    StopRouting();
    if (instance_ == 0) {
        return;
    }
    // A host that has stopped handling messages would hold up the end of the program while
    // DDEML waits for it; the instance is then left to the end of the process, which frees it.
    if (conversation_ != nullptr && !HostAnswersOrHasGone(conversation_)) {
        return;
    }
    // Ends the conversation and frees everything the instance still holds.
    DdeUninitialize(instance_);
}

void DdeConversation::StopRouting() {
    std::erase_if(Routes(), [this](const auto& route) { return route.second == this; });
    window_ = nullptr;
}

bool DdeConversation::Connect(std::string_view application, std::string_view topic) {
    const DWORD flags = APPCMD_CLIENTONLY | CBF_SKIP_REGISTRATIONS | CBF_SKIP_UNREGISTRATIONS;
    if (instance_ != 0 || DdeInitializeW(&instance_, &OnDdeEvent, flags, 0) != DMLERR_NO_ERROR) {
        return false;
    }
    const StringHandle service(instance_, application);
    const StringHandle topicHandle(instance_, topic);
    if (service.get() == nullptr || topicHandle.get() == nullptr) {
        return false;
    }
    // No conversation context: the system's default (ANSI code page) suits a CF_TEXT host.
    conversation_ = DdeConnect(instance_, service.get(), topicHandle.get(), nullptr);
    if (conversation_ == nullptr) {
        return false;
    }
    Routes().emplace_back(conversation_, this);
    // Stands in front of DDEML's window of the conversation, to see every value message before
    // DDEML does, however it is dispatched (this program's loop, or a transaction's wait). The
    // window keeps it when the conversation ends: unrouted, it hands every message on unchanged.
    CONVINFO info{};
    info.cb = sizeof info;
    if (DdeQueryConvInfo(conversation_, QID_SYNC, &info) != 0 && info.hwnd != nullptr) {
        window_ = info.hwnd;
        DdemlWindowProcedure() = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(
            window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&DdeConversation::OnWindowMessage)));
    }
    return true;
}

HDDEDATA DdeConversation::Transact(UINT type, std::string_view item, UINT& error) {
    const StringHandle itemHandle(instance_, item);
    if (itemHandle.get() == nullptr) {
        error = DdeGetLastError(instance_);
        return nullptr;
    }
    // Reading the error clears it, so the one read afterwards belongs to this transaction.
    DdeGetLastError(instance_);
    HDDEDATA result = DdeClientTransaction(nullptr, 0, conversation_, itemHandle.get(), CF_TEXT,
                                           type, kTimeoutMs, nullptr);
    error = DdeGetLastError(instance_);
    return result;
}

bool DdeConversation::StartHotLink(std::string_view item, Delivery deliver) {
    if (conversation_ == nullptr) {
        return false;
    }
    // Ready before the advise: the host may publish as soon as it has accepted it.
    deliver_ = std::move(deliver);
    item_ = Widen(item);
    UINT error = DMLERR_NO_ERROR;
    const HDDEDATA accepted = Transact(XTYP_ADVSTART, item, error);
    return accepted != nullptr && error == DMLERR_NO_ERROR;
}

CurrentValue DdeConversation::FetchCurrentValue(std::string_view item) {
    if (conversation_ == nullptr) {
        return {};
    }
    UINT error = DMLERR_NO_ERROR;
    const HDDEDATA data = Transact(XTYP_REQUEST, item, error);
    if (data == nullptr) {
        // A refusal is the host's answer that it holds no value; anything else is no answer.
        return {error == DMLERR_NOTPROCESSED ? CurrentValue::Outcome::NotHeld
                                             : CurrentValue::Outcome::Failed,
                {}};
    }
    CurrentValue current;
    if (error == DMLERR_NO_ERROR) {
        current = {CurrentValue::Outcome::Held, ReadText(data)};
    }
    DdeFreeDataHandle(data);
    return current;
}

HDDEDATA DdeConversation::Receive(UINT format, HDDEDATA data) {
    delivered_ = true;
    if (format != CF_TEXT || !deliver_) {
        return CallbackResult(DDE_FNOTPROCESSED);
    }
    if (data == nullptr) {
        // A notice without data belongs to a warm link; this link asked for the values.
        return CallbackResult(DDE_FACK);
    }
    // No exception may cross back into DDEML: a value that cannot be held is refused.
    try {
        deliver_(ReadText(data));
    } catch (...) {
        return CallbackResult(DDE_FNOTPROCESSED);
    }
    return CallbackResult(DDE_FACK);
}

LRESULT CALLBACK DdeConversation::OnWindowMessage(HWND window, UINT message, WPARAM wParam,
                                                  LPARAM lParam) {
    DdeConversation* self = nullptr;
    for (const auto& route : Routes()) {
        self = route.second->window_ == window ? route.second : self;
    }
    if (self == nullptr || message != WM_DDE_DATA) {
        return CallWindowProcW(DdemlWindowProcedure(), window, message, wParam, lParam);
    }
    return self->HandleValueMessage(wParam, lParam);
}

// A value message carries the item's name as a global atom, by which DDEML finds the link.
// Wine's DDEML host, once a client of it has vanished without ending its conversation, releases
// the atom of every value it posts while the message is still on its way to the live clients;
// DDEML then no longer knows the item and drops the value unseen. Such a value is handed to
// DDEML again with the item's name under an atom of this program's, which DDEML releases as
// it would have released the host's. DDEML keeps the message's data when it drops a value.
LRESULT DdeConversation::HandleValueMessage(WPARAM wParam, LPARAM lParam) {
    const WNDPROC ddeml = DdemlWindowProcedure();
    const HWND window = window_;
    UINT_PTR data = 0;
    UINT_PTR atom = 0;
    const bool unpacked = UnpackDDElParam(WM_DDE_DATA, lParam, &data, &atom) != FALSE;
    delivered_ = false;
    const LRESULT result = CallWindowProcW(ddeml, window, WM_DDE_DATA, wParam, lParam);
    if (delivered_ || !unpacked || window_ != window || item_.empty() ||
        AtomNames(static_cast<ATOM>(atom), item_) ||
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

// Called by DDEML from this thread's event loop, including the waits of synchronous
// transactions: a value of one link may arrive while another link is being opened.
HDDEDATA CALLBACK DdeConversation::OnDdeEvent(UINT type, UINT format, HCONV conversation,
                                              HSZ /*topic*/, HSZ /*item*/, HDDEDATA data,
                                              ULONG_PTR /*data1*/, ULONG_PTR /*data2*/) {
    DdeConversation* owner = RouteOf(conversation);
    switch (type) {
    case XTYP_ADVDATA:
        return owner != nullptr ? owner->Receive(format, data) : CallbackResult(DDE_FNOTPROCESSED);
    case XTYP_DISCONNECT:
        // The host has gone. The link is not reopened and the panel keeps its last texts; the
        // handle is forgotten because DDEML may give it to a later conversation.
        if (owner != nullptr) {
            owner->StopRouting();
            owner->conversation_ = nullptr;
        }
        return nullptr;
    default:
        return nullptr;
    }
}

} // namespace

std::unique_ptr<HostConversation> MakeDdeConversation() {
    return std::make_unique<DdeConversation>();
}

} // namespace veskor
