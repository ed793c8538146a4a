// The host "MixW" on the DDE messages themselves. Who frees what follows the protocol: the
// receiver of a message deletes its atoms and frees its memory unless it hands them on in its
// reply; a negative WM_DDE_ACK leaves memory to the side that allocated it.
#include "message_host.h"

#include <dde.h>

#include <algorithm>
#include <cstddef>

namespace veskor::test {

namespace {

constexpr const wchar_t* kApplication = L"MixW";
constexpr const wchar_t* kTopics[] = {L"QSO", L"CAT"};
constexpr const wchar_t* kWindowClass = L"VeskorMessageHost";
// The class Wine's DDEML gives a server's conversation windows (Wine 8 and 10). Registered by
// the host only while no DDEML server of this process has registered it.
constexpr const wchar_t* kDdemlServerClass = L"WineDdeServerConvW";
// The items the host has beyond the three, posted carelessly, and what they hold.
constexpr const wchar_t* kItemsBeyond[] = {L"Mode", L"Call"};
constexpr const char* kCarelessText = "USB";
constexpr WORD kAck = 0x8000; // DDEACK's fAck
// How long the destructor waits for the clients to reply to the end of their conversations.
constexpr std::chrono::milliseconds kClosingPatience{2000};

int TopicOf(HostItem item) {
    return item == HostItem::Command ? 1 : 0;
}

bool Names(ATOM atom, const wchar_t* name) {
    return lstrcmpiW(AtomName(atom).c_str(), name) == 0;
}

// The item an atom names on a topic, if the host has it there.
std::optional<HostItem> ItemOn(int topic, ATOM atom) {
    for (HostItem item : kHostItems) {
        if (TopicOf(item) == topic && Names(atom, ItemName(item))) {
            return item;
        }
    }
    return std::nullopt;
}

void RegisterWindowClass(WNDPROC procedure, const wchar_t* name) {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = name;
    RegisterClassW(&windowClass); // fails harmlessly once registered
}

// Posts a reply that carries an atom; on failure the atom and the packed parameter are freed here.
void PostAck(HWND from, HWND to, WORD status, ATOM atom) {
    const LPARAM lParam = PackDDElParam(WM_DDE_ACK, status, atom);
    if (!PostMessageW(to, WM_DDE_ACK, reinterpret_cast<WPARAM>(from), lParam)) {
        FreeDDElParam(WM_DDE_ACK, lParam);
        GlobalDeleteAtom(atom);
    }
}

// A value's memory: the DDEDATA header, then the bytes.
GlobalMemory MakeData(const std::string& bytes, UINT format, bool ackReq, bool response,
                      bool release) {
    const std::size_t header = offsetof(DDEDATA, Value);
    GlobalMemory memory = GlobalMemory::Shared(header + bytes.size());
    Locked<BYTE> data(memory.get());
    if (data.get() == nullptr) {
        return {};
    }
    auto* fields = reinterpret_cast<DDEDATA*>(data.get());
    *fields = DDEDATA{};
    fields->fResponse = response;
    fields->fRelease = release; // whether the client frees it once read
    fields->fAckReq = ackReq;
    fields->cfFormat = static_cast<short>(format);
    std::copy(bytes.begin(), bytes.end(), data.get() + header);
    return memory;
}

struct Link {
    HostItem item;
    UINT format;
    bool ackReq; // the client asked to acknowledge each value
    bool awaitingAck = false;
    bool valueWaiting = false;     // a newer value waits behind the one not yet acknowledged
    HGLOBAL outstanding = nullptr; // the data of that one, freed here if the client refuses it
    bool outstandingKept = false;  // or whatever the answer, when it said fRelease=0
};

} // namespace

struct MessageHost::Conversation {
    HWND window;
    HWND client;
    int topic;
    std::vector<Link> links{};
    bool ending = false;      // the host has posted WM_DDE_TERMINATE and awaits the reply
    bool clientEnded = false; // the client has posted its own: nothing more may come
};

MessageHost::MessageHost(HostManners manners) : manners_(manners) {
    RegisterWindowClass(&MessageHost::OnMessage, kWindowClass);
    WNDCLASSEXW registered{};
    registered.cbSize = sizeof registered;
    if (manners_.ddemlWindows &&
        GetClassInfoExW(GetModuleHandleW(nullptr), kDdemlServerClass, &registered) &&
        registered.lpfnWndProc != &MessageHost::OnMessage) {
        return; // a DDEML server of this process has the class: not Started()
    }
    if (manners_.ddemlWindows) {
        RegisterWindowClass(&MessageHost::OnMessage, kDdemlServerClass);
    }
    // Top-level, as a broadcast initiate reaches only top-level windows; never shown.
    listener_ = CreateWindowExW(0, kWindowClass, L"MixW", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                GetModuleHandleW(nullptr), this);
}

MessageHost::~MessageHost() {
    Close(DeadlineAfter(kClosingPatience));
    if (listener_ != nullptr) {
        DestroyWindow(listener_);
    }
}

LRESULT CALLBACK MessageHost::OnMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* host = reinterpret_cast<MessageHost*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (host == nullptr || message < WM_DDE_FIRST || message > WM_DDE_LAST) {
        return DefWindowProcW(window, message, wParam, lParam);
    }
    return host->Handle(window, message, wParam, lParam);
}

LRESULT MessageHost::Handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DDE_INITIATE) {
        if (window == listener_) {
            Initiate(reinterpret_cast<HWND>(wParam), lParam);
        }
        return 0;
    }
    Conversation* conversation = Find(window);
    if (conversation == nullptr || conversation->clientEnded) {
        if (conversation != nullptr) {
            Fault(*conversation, "a message after the client's end of the conversation");
        }
        Discard(message, lParam);
        return 0;
    }
    if (message == WM_DDE_TERMINATE) {
        Terminated(*conversation);
    } else if (message == WM_DDE_ACK) {
        Acknowledged(*conversation, lParam); // also while the host's end waits for its answer
    } else if (conversation->ending) {
        Discard(message, lParam); // after its own end the host answers nothing but the end
    } else if (message == WM_DDE_ADVISE) {
        Advise(*conversation, lParam);
    } else if (message == WM_DDE_REQUEST) {
        Request(*conversation, lParam);
    } else {
        Fault(*conversation, "an unadvise, poke or execute from a client that only listens");
        Discard(message, lParam);
    }
    return 0;
}

void MessageHost::Fault(const Conversation& conversation, const char* what) {
    faults_.push_back(std::string(what) + " on " + (conversation.topic == 0 ? "QSO" : "CAT"));
}

// Named: the topic the client asks for gets a conversation.
void MessageHost::Initiate(HWND client, LPARAM names) {
    if (!Names(LOWORD(names), kApplication)) {
        return;
    }
    for (int index = 0; index < 2; ++index) {
        if (Names(HIWORD(names), kTopics[index])) {
            Open(client, index);
        }
    }
}

void MessageHost::Open(HWND client, int topic) {
    const wchar_t* windowClass = manners_.ddemlWindows ? kDdemlServerClass : kWindowClass;
    const HWND window = CreateWindowExW(0, windowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                        GetModuleHandleW(nullptr), this);
    if (window == nullptr) {
        return;
    }
    conversations_.push_back(std::make_unique<Conversation>(Conversation{window, client, topic}));
    // The answer to an initiate is sent, unpacked, with new atoms that the client deletes.
    GlobalAtom application(kApplication), name(kTopics[topic]);
    SendMessageW(client, WM_DDE_ACK, reinterpret_cast<WPARAM>(window),
                 MAKELPARAM(application.Release(), name.Release()));
}

MessageHost::Conversation* MessageHost::Find(HWND window) {
    const auto found = std::ranges::find_if(conversations_, [window](const auto& conversation) {
        return conversation->window == window;
    });
    return found != conversations_.end() ? found->get() : nullptr;
}

// Accepted: the options' memory is the host's to free, the atom goes back in the reply.
// Refused: both go back to the client, which frees them.
void MessageHost::Advise(Conversation& conversation, LPARAM lParam) {
    UINT_PTR options = 0, atom = 0;
    UnpackDDElParam(WM_DDE_ADVISE, lParam, &options, &atom);
    DDEADVISE asked{};
    bool readable = GlobalSize(reinterpret_cast<HGLOBAL>(options)) >= sizeof asked;
    if (Locked<DDEADVISE> read(reinterpret_cast<HGLOBAL>(options)); readable && read.get()) {
        asked = *read.get();
    }
    if (!readable || AtomName(static_cast<ATOM>(atom)).empty() || asked.cfFormat != CF_TEXT ||
        asked.fDeferUpd != 0) {
        Fault(conversation, "an advise not well formed, or not for a hot link in CF_TEXT");
    }
    const auto item = ItemOn(conversation.topic, static_cast<ATOM>(atom));
    const bool accept =
        item && asked.cfFormat == CF_TEXT &&
        !(manners_.refusedItem && Names(static_cast<ATOM>(atom), manners_.refusedItem));
    if (manners_.postsBeforeAnswering && item) {
        PostCareless(conversation.window, conversation.client, ItemName(*item));
        PostCareless(conversation.window, conversation.client, kItemsBeyond[0], true);
    }
    const LPARAM reply = ReuseDDElParam(lParam, WM_DDE_ADVISE, WM_DDE_ACK, accept ? kAck : 0, atom);
    if (!PostMessageW(conversation.client, WM_DDE_ACK,
                      reinterpret_cast<WPARAM>(conversation.window), reply)) {
        FreeDDElParam(WM_DDE_ACK, reply);
        GlobalDeleteAtom(static_cast<ATOM>(atom));
        GlobalFree(reinterpret_cast<HGLOBAL>(options));
        return;
    }
    if (!accept) {
        return;
    }
    GlobalFree(reinterpret_cast<HGLOBAL>(options));
    std::erase_if(conversation.links, [&](const Link& link) { return link.item == *item; });
    conversation.links.push_back(Link{*item, CF_TEXT, asked.fAckReq != 0});
    if (manners_.refuseRequests) {
        Send(conversation, *item, CF_TEXT);
    }
}

// Answered with the value, the request's atom reused for it; refused with a negative
// acknowledgement that carries the atom back.
void MessageHost::Request(Conversation& conversation, LPARAM lParam) {
    UINT_PTR format = 0, atom = 0;
    UnpackDDElParam(WM_DDE_REQUEST, lParam, &format, &atom);
    FreeDDElParam(WM_DDE_REQUEST, lParam);
    if (format != CF_TEXT || AtomName(static_cast<ATOM>(atom)).empty()) {
        Fault(conversation, "a request not well formed, or not in CF_TEXT");
    }
    const auto item = ItemOn(conversation.topic, static_cast<ATOM>(atom));
    const bool refused =
        manners_.refuseRequests || !item || format != CF_TEXT ||
        (manners_.refusedItem && Names(static_cast<ATOM>(atom), manners_.refusedItem));
    if (manners_.postsBeforeAnswering) {
        PostCareless(conversation.window, conversation.client, kItemsBeyond[1]);
    }
    if (refused) {
        PostAck(conversation.window, conversation.client, 0, static_cast<ATOM>(atom));
        return;
    }
    GlobalAtom owned = GlobalAtom::Adopt(static_cast<ATOM>(atom));
    GlobalMemory data = MakeData(Served(*item, CF_TEXT), CF_TEXT, false, true, true);
    const LPARAM reply = PackDDElParam(WM_DDE_DATA, reinterpret_cast<UINT_PTR>(data.get()), atom);
    if (PostMessageW(conversation.client, WM_DDE_DATA,
                     reinterpret_cast<WPARAM>(conversation.window), reply)) {
        owned.Release();
        data.Release();
    } else {
        FreeDDElParam(WM_DDE_DATA, reply);
    }
}

// The client's answer to a value that asked for one, and only to such a value. A refused value's
// memory is still the host's; then the newest value waiting behind it goes.
void MessageHost::Acknowledged(Conversation& conversation, LPARAM lParam) {
    UINT_PTR status = 0, atom = 0;
    UnpackDDElParam(WM_DDE_ACK, lParam, &status, &atom);
    FreeDDElParam(WM_DDE_ACK, lParam);
    GlobalAtom owned = GlobalAtom::Adopt(static_cast<ATOM>(atom));
    for (Link& link : conversation.links) {
        if (!link.awaitingAck || !Names(owned.get(), ItemName(link.item))) {
            continue;
        }
        if (((status & kAck) == 0 || link.outstandingKept) && link.outstanding != nullptr) {
            GlobalFree(link.outstanding);
        }
        link.awaitingAck = false;
        link.outstanding = nullptr;
        link.outstandingKept = false;
        if (link.valueWaiting) {
            link.valueWaiting = false;
            Send(conversation, link.item, link.format);
        }
        return;
    }
    Fault(conversation, "an acknowledgement of no value that awaited one");
}

// What a message that gets no answer carries is the receiver's to free: its memory, its atom
// and its packed parameter.
void MessageHost::Discard(UINT message, LPARAM lParam) {
    UINT_PTR low = 0, high = 0;
    switch (message) {
    case WM_DDE_EXECUTE:
        GlobalFree(reinterpret_cast<HGLOBAL>(lParam));
        return;
    case WM_DDE_POKE:
    case WM_DDE_ADVISE:
    case WM_DDE_DATA:
        UnpackDDElParam(message, lParam, &low, &high);
        FreeDDElParam(message, lParam);
        GlobalFree(reinterpret_cast<HGLOBAL>(low));
        break;
    case WM_DDE_ACK:
    case WM_DDE_UNADVISE:
    case WM_DDE_REQUEST:
        UnpackDDElParam(message, lParam, &low, &high);
        FreeDDElParam(message, lParam);
        break;
    default:
        return;
    }
    if (high != 0) {
        GlobalDeleteAtom(static_cast<ATOM>(high));
    }
}

// The client ended the conversation, or answered the host's end of it, after every value before
// that end asked for an acknowledgement had one. Only a client that ended it first is answered.
// The window stays until the host closes, so that whatever the client posts after its end is seen.
void MessageHost::Terminated(Conversation& conversation) {
    if (!conversation.ending && !manners_.ignoresTheEnd) {
        PostMessageW(conversation.client, WM_DDE_TERMINATE,
                     reinterpret_cast<WPARAM>(conversation.window), 0);
    } else if (std::ranges::any_of(conversation.links, &Link::awaitingAck)) {
        Fault(conversation, "a value that asked for an acknowledgement got none");
    }
    conversation.ending = conversation.clientEnded = true;
}

std::size_t MessageHost::Conversations() const {
    return static_cast<std::size_t>(std::ranges::count_if(
        conversations_, [](const auto& conversation) { return !conversation->clientEnded; }));
}

bool MessageHost::Close(Deadline deadline) {
    for (auto& conversation : conversations_) {
        // A client whose window has gone cannot answer: its conversation ends at once.
        if (!conversation->ending &&
            !PostMessageW(conversation->client, WM_DDE_TERMINATE,
                          reinterpret_cast<WPARAM>(conversation->window), 0)) {
            conversation->clientEnded = true;
        }
        conversation->ending = true;
    }
    const bool replied = PumpUntil([&] { return Conversations() == 0; }, deadline, 10);
    // Those that gave no answer in time are ended without it.
    for (auto& conversation : conversations_) {
        DestroyWindow(conversation->window);
    }
    conversations_.clear();
    return replied;
}

std::string MessageHost::Served(HostItem item, UINT format) const {
    std::string text = values_[static_cast<std::size_t>(item)];
    text += manners_.suffix;
    if (format == CF_UNICODETEXT) {
        std::wstring wide(text.begin(), text.end());
        wide.push_back(L'\0');
        return std::string(reinterpret_cast<const char*>(wide.data()),
                           wide.size() * sizeof(wchar_t));
    }
    if (manners_.ending == Ending::Nul) {
        text.push_back('\0');
    } else if (manners_.ending == Ending::NulAndMore) {
        text += std::string("\0-99 kHz", 8);
    }
    return text;
}

void MessageHost::Publish(HostItem item, std::string_view text) {
    values_[static_cast<std::size_t>(item)] = text;
    for (auto& conversation : conversations_) {
        const bool linked = std::ranges::any_of(
            conversation->links, [item](const Link& link) { return link.item == item; });
        if (conversation->ending) {
            continue;
        }
        if (linked) {
            if (manners_.alsoUnicode) {
                PostValue(*conversation, item, CF_UNICODETEXT, false, false);
            }
            Send(*conversation, item, CF_TEXT);
        } else if (manners_.postToOtherItemsLinks && conversation->topic == TopicOf(item) &&
                   !conversation->links.empty()) {
            PostValue(*conversation, item, CF_TEXT, false, false);
        }
    }
    PostCarelessValues(item);
}

// What a careless host posts after a value: other items, a value with no item, a value from a
// window that is not the conversation's.
void MessageHost::PostCarelessValues(HostItem item) {
    const unsigned every = static_cast<unsigned>(std::max(manners_.carelessEvery, 1));
    const unsigned turn = ++published_ / every; // which item beyond the three goes next
    for (auto& conversation : conversations_) {
        if (conversation->links.empty() || conversation->ending || published_ % every != 0) {
            continue;
        }
        const bool linked = std::ranges::any_of(
            conversation->links, [item](const Link& link) { return link.item == item; });
        const HWND to = conversation->client;
        if (manners_.postsItemsBeyondTheThree && TopicOf(item) == 0 && linked) {
            PostCareless(conversation->window, to, kItemsBeyond[turn % 2]);
        }
        if (manners_.postsValuesWithoutItem) {
            PostCareless(conversation->window, to, nullptr);
        }
        if (manners_.postsFromAStranger && linked) {
            PostCareless(listener_, to, ItemName(item));
        }
        if (manners_.postsStrayAnswers) {
            PostCareless(conversation->window, to, kItemsBeyond[0], /*response=*/true);
        }
    }
}

// One WM_DDE_DATA from a window of the host, its item named by a new atom (none for nullptr) and
// its memory (none for a notice) the caller's to hand on or free once posted.
bool MessageHost::Post(HWND from, HWND to, const wchar_t* item, HGLOBAL data) {
    GlobalAtom atom = item != nullptr ? GlobalAtom(item) : GlobalAtom::Adopt(0);
    const LPARAM lParam = PackDDElParam(WM_DDE_DATA, reinterpret_cast<UINT_PTR>(data), atom.get());
    if ((item != nullptr && atom.get() == 0) ||
        !PostMessageW(to, WM_DDE_DATA, reinterpret_cast<WPARAM>(from), lParam)) {
        FreeDDElParam(WM_DDE_DATA, lParam);
        return false;
    }
    if (const ATOM posted = atom.Release(); manners_.releasesItemAtoms && posted != 0) {
        ReleaseEarly(posted);
    }
    return true;
}

// The text a careless host posts, in CF_TEXT, from any window; as an answer nobody asked for when
// `response`.
void MessageHost::PostCareless(HWND from, HWND to, const wchar_t* item, bool response) {
    GlobalMemory data = MakeData(std::string(kCarelessText) + '\0', CF_TEXT, false, response,
                                 !manners_.keepsValues);
    if (data.get() != nullptr && Post(from, to, item, data.get()) && !manners_.keepsValues) {
        data.Release();
    }
}

bool MessageHost::AwaitsAck(DWORD clientProcess) const {
    return std::ranges::any_of(conversations_, [clientProcess](const auto& conversation) {
        DWORD process = 0;
        GetWindowThreadProcessId(conversation->client, &process);
        return process == clientProcess &&
               std::ranges::any_of(conversation->links, &Link::awaitingAck);
    });
}

// Down the item's link, or, while the client has not acknowledged the last value, kept for
// later: the newest waiting value replaces an older one.
void MessageHost::Send(Conversation& conversation, HostItem item, UINT format) {
    const auto link = std::ranges::find(conversation.links, item, &Link::item);
    if (link == conversation.links.end() || conversation.ending) {
        return;
    }
    const bool ackReq = link->ackReq || manners_.ackEveryValue;
    if (ackReq && link->awaitingAck) {
        link->valueWaiting = true;
        return;
    }
    if (PostValue(conversation, item, format, ackReq, false) && ackReq) {
        link->awaitingAck = true;
    }
}

// One WM_DDE_DATA with a new atom of the item's name.
bool MessageHost::PostValue(Conversation& conversation, HostItem item, UINT format, bool ackReq,
                            bool response) {
    GlobalMemory data =
        MakeData(Served(item, format), format, ackReq, response, !manners_.keepsValues);
    if (data.get() == nullptr ||
        !Post(conversation.window, conversation.client, ItemName(item), data.get())) {
        return false;
    }
    const auto link = std::ranges::find(conversation.links, item, &Link::item);
    if (ackReq && link != conversation.links.end()) {
        link->outstanding = data.Release();
        link->outstandingKept = manners_.keepsValues;
    } else if (!manners_.keepsValues) {
        data.Release(); // the client frees it once read
    }                   // else freed here: the client has its copy
    return true;
}

// The host's reference to the item's atom goes; a string of its own may take the number.
void MessageHost::ReleaseEarly(ATOM posted) {
    GlobalDeleteAtom(posted);
    static int taken = 0;
    const std::wstring name = L"MixW scratch " + std::to_wstring(++taken);
    if (ownStrings_.size() >= 16) {
        ownStrings_.pop_front();
    }
    ownStrings_.emplace_back(name.c_str());
}

} // namespace veskor::test
