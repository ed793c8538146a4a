// A conversation with the host through DDEML: one client-only instance, one conversation, one
// hot link in CF_TEXT. It never pokes or executes: the link only listens.
#include "dde_conversation.h"

#include "conversation_end.h"
#include "ddeml_string.h"
#include "text_encoding.h"
#include "used_host_repair.h"

#include <windows.h>

#include <dde.h>
#include <ddeml.h>

#include <algorithm>
#include <exception>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace veskor {

namespace {

const DWORD kTimeoutMs = static_cast<DWORD>(kHostAnswerTimeout.count());

// How long ending a link waits to learn whether the host still handles its messages, or under
// Wine for the host's answer to the end.
constexpr UINT kHostAliveProbeMs = 500;

HDDEDATA CallbackResult(UINT value) {
    return reinterpret_cast<HDDEDATA>(static_cast<ULONG_PTR>(value));
}

// A data handle's bytes, read in place within the size DDEML reports for them, while in scope.
class DataAccess {
public:
    explicit DataAccess(HDDEDATA data) : data_(data), bytes_(DdeAccessData(data, &size_)) {}
    ~DataAccess() {
        if (bytes_ != nullptr) {
            DdeUnaccessData(data_);
        }
    }
    DataAccess(const DataAccess&) = delete;
    DataAccess& operator=(const DataAccess&) = delete;

    // Whether DDEML gave the bytes: it may refuse them.
    bool Readable() const { return bytes_ != nullptr; }
    std::string_view Bytes() const {
        return bytes_ != nullptr ? std::string_view(reinterpret_cast<const char*>(bytes_), size_)
                                 : std::string_view{};
    }

private:
    HDDEDATA data_;
    DWORD size_ = 0;
    const BYTE* bytes_;
};

// The value's text; none when DDEML does not give its bytes (an empty text would blank a box).
// Throws when the text cannot be held for want of memory.
std::optional<std::string> ReadText(HDDEDATA data) {
    const DataAccess access(data);
    if (!access.Readable()) {
        return std::nullopt;
    }
    return AnsiTextToUtf8(access.Bytes());
}

// The answer to a request: its text, or unreadable.
CurrentValue AnswerOf(HDDEDATA data) {
    try {
        if (std::optional<std::string> text = ReadText(data)) {
            return {CurrentValue::Outcome::Held, std::move(*text)};
        }
    } catch (const std::exception&) {
    }
    return {CurrentValue::Outcome::Unreadable, {}};
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

// Tells the host that the conversation has ended, as DDEML would, without waiting for its reply.
void PostTerminate(HCONV conversation) {
    CONVINFO info{};
    info.cb = sizeof info;
    if (DdeQueryConvInfo(conversation, QID_SYNC, &info) != 0) {
        PostMessageW(info.hwndPartner, WM_DDE_TERMINATE, reinterpret_cast<WPARAM>(info.hwnd), 0);
    }
}

class DdeConversation;

// The open conversations by handle. DDEML tells its callback the conversation but not the
// instance, so this is how a delivery finds its link. Used on the links' one thread only.
using Route = std::pair<HCONV, DdeConversation*>;
std::vector<Route>& Routes() {
    static std::vector<Route> routes;
    return routes;
}

DdeConversation* RouteOf(HCONV conversation) {
    const auto& routes = Routes();
    const auto found = std::ranges::find(routes, conversation, &Route::first);
    return found != routes.end() ? found->second : nullptr;
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
    HDDEDATA Receive(UINT format, HDDEDATA data);
    HDDEDATA Transact(UINT type, std::string_view item, UINT& error);
    void StopRouting();

    DWORD instance_ = 0;
    HCONV conversation_ = nullptr;
    HWND window_ = nullptr;  // DDEML's window of the conversation
    HWND partner_ = nullptr; // the host's
    Delivery deliver_;
    UsedHostRepair repair_;
};

DdeConversation::~DdeConversation() {
    // Unrouted first, so that nothing arriving while the conversation ends reaches the panel.
    StopRouting();
    if (instance_ == 0) {
        return;
    }
    // Wine's DDEML ends a conversation waiting up to 10 s for the host's answer, and ends again
    // one the host has ended first: the end is the program's own there.
    if (UsedHostRepair::IsWineDdemlClientWindow(window_)) {
        EndWithoutDdeml(window_, partner_, conversation_ != nullptr, kHostAliveProbeMs);
        return;
    }
    // A host that has stopped handling messages would hold up the end of the program while
    // DDEML waits for it: the conversation's end is posted to it without waiting, and the instance
    // is left to the end of the process, which frees it. A conversation the host was never told
    // had ended would stay open in it, and under Wine cost its other clients their values.
    if (conversation_ != nullptr && !HostAnswersOrHasGone(conversation_)) {
        PostTerminate(conversation_);
        return;
    }
    // Ends the conversation and frees everything the instance still holds.
    DdeUninitialize(instance_);
}

void DdeConversation::StopRouting() {
    std::erase_if(Routes(), [this](const auto& route) { return route.second == this; });
    repair_.Stop();
}

bool DdeConversation::Connect(std::string_view application, std::string_view topic) {
    const DWORD flags = APPCMD_CLIENTONLY | CBF_SKIP_REGISTRATIONS | CBF_SKIP_UNREGISTRATIONS;
    if (instance_ != 0 || DdeInitializeW(&instance_, &OnDdeEvent, flags, 0) != DMLERR_NO_ERROR) {
        return false;
    }
    const StringHandle service(instance_, Utf8ToWide(application).c_str());
    const StringHandle topicHandle(instance_, Utf8ToWide(topic).c_str());
    if (service.get() == nullptr || topicHandle.get() == nullptr) {
        return false;
    }
    // No conversation context: the system's default (ANSI code page) suits a CF_TEXT host.
    conversation_ = DdeConnect(instance_, service.get(), topicHandle.get(), nullptr);
    if (conversation_ == nullptr) {
        return false;
    }
    Routes().emplace_back(conversation_, this);
    CONVINFO info{};
    info.cb = sizeof info;
    if (DdeQueryConvInfo(conversation_, QID_SYNC, &info) != 0) {
        window_ = info.hwnd;
        partner_ = info.hwndPartner;
    }
    return true;
}

HDDEDATA DdeConversation::Transact(UINT type, std::string_view item, UINT& error) {
    const StringHandle itemHandle(instance_, Utf8ToWide(item).c_str());
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
    repair_.Start(conversation_, Utf8ToWide(item), CF_TEXT);
    UINT error = DMLERR_NO_ERROR;
    const UsedHostRepair::Waiting waiting(repair_, UsedHostRepair::Wait::HotLink);
    const HDDEDATA accepted = Transact(XTYP_ADVSTART, item, error);
    return accepted != nullptr && error == DMLERR_NO_ERROR;
}

CurrentValue DdeConversation::FetchCurrentValue(std::string_view item) {
    if (conversation_ == nullptr) {
        return {};
    }
    UINT error = DMLERR_NO_ERROR;
    HDDEDATA data = nullptr;
    {
        const UsedHostRepair::Waiting waiting(repair_, UsedHostRepair::Wait::Answer);
        data = Transact(XTYP_REQUEST, item, error);
    }
    if (data == nullptr) {
        // A refusal is the host's answer that it holds no value; anything else is no answer.
        return {error == DMLERR_NOTPROCESSED ? CurrentValue::Outcome::NotHeld
                                             : CurrentValue::Outcome::Failed,
                {}};
    }
    CurrentValue current;
    if (error == DMLERR_NO_ERROR) {
        current = AnswerOf(data);
    }
    DdeFreeDataHandle(data);
    return current;
}

HDDEDATA DdeConversation::Receive(UINT format, HDDEDATA data) {
    if (format != CF_TEXT || !deliver_) {
        return CallbackResult(DDE_FNOTPROCESSED);
    }
    if (data == nullptr) {
        // A notice without data belongs to a warm link; this link asked for the values.
        return CallbackResult(DDE_FACK);
    }
    // No exception may cross back into DDEML. A value that cannot be read, or held for want of
    // memory, is refused: the panel keeps its text.
    try {
        std::optional<std::string> text = ReadText(data);
        if (!text) {
            return CallbackResult(DDE_FNOTPROCESSED);
        }
        deliver_(std::move(*text));
    } catch (...) {
        return CallbackResult(DDE_FNOTPROCESSED);
    }
    return CallbackResult(DDE_FACK);
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
