// The soak's message-level host. Who frees what follows the protocol: the receiver of a message
// deletes its atoms and frees its memory unless it hands them on in its reply; a value that says
// fRelease=0 stays the sender's to free.
#include "soak_host.h"

#include "dde_owners.h"
#include "pump.h"

#include <dde.h>

#include <algorithm>
#include <cstddef>
#include <optional>

namespace veskor::bench {

using test::GlobalAtom;
using test::GlobalMemory;
using test::Locked;

namespace {

constexpr const wchar_t* kApplication = L"MixW";
constexpr const wchar_t* kTopics[] = {L"QSO", L"CAT"};
constexpr const wchar_t* kWindowClass = L"VeskorSoakHost";
constexpr const wchar_t* kUnlinkedItem = L"Mode";
constexpr WORD kAck = 0x8000; // DDEACK's fAck
constexpr std::chrono::milliseconds kClosingPatience{2000};

int TopicOf(HostItem item) {
    return item == HostItem::Command ? 1 : 0;
}

bool Names(ATOM atom, const wchar_t* name) {
    return lstrcmpiW(test::AtomName(atom).c_str(), name) == 0;
}

std::optional<HostItem> ItemOn(int topic, ATOM atom) {
    for (HostItem item : kHostItems) {
        if (TopicOf(item) == topic && Names(atom, ItemName(item))) {
            return item;
        }
    }
    return std::nullopt;
}

// A value's memory: the DDEDATA header, then the text and its NUL, in CF_TEXT.
GlobalMemory MakeData(const std::string& text, bool ackReq, bool response, bool release) {
    const std::size_t header = offsetof(DDEDATA, Value);
    GlobalMemory memory = GlobalMemory::Shared(header + text.size() + 1);
    Locked<BYTE> data(memory.get());
    if (data.get() == nullptr) {
        return {};
    }
    auto* fields = reinterpret_cast<DDEDATA*>(data.get());
    *fields = DDEDATA{};
    fields->fResponse = response;
    fields->fRelease = release;
    fields->fAckReq = ackReq;
    fields->cfFormat = CF_TEXT;
    std::copy(text.begin(), text.end(), data.get() + header);
    data.get()[header + text.size()] = 0;
    return memory;
}

struct Link {
    HostItem item;
    bool ackReq;
    std::deque<HGLOBAL> unacknowledged{}; // values posted with fAckReq, oldest first
};

} // namespace

struct SoakHost::Conversation {
    HWND window;
    HWND client;
    int topic;
    std::vector<Link> links{};
    bool ending = false; // the host has posted WM_DDE_TERMINATE and awaits the reply
    ~Conversation() {
        for (Link& link : links) {
            std::ranges::for_each(link.unacknowledged, GlobalFree);
        }
    }
};

SoakHost::SoakHost() {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = &SoakHost::OnMessage;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = kWindowClass;
    RegisterClassW(&windowClass);
    // Top-level, as a broadcast initiate reaches only top-level windows; never shown.
    listener_ = CreateWindowExW(0, kWindowClass, L"MixW", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                GetModuleHandleW(nullptr), this);
}

SoakHost::~SoakHost() {
    for (auto& conversation : conversations_) {
        conversation->ending = true;
        PostMessageW(conversation->client, WM_DDE_TERMINATE,
                     reinterpret_cast<WPARAM>(conversation->window), 0);
    }
    test::PumpUntil([this] { return conversations_.empty(); },
                    test::DeadlineAfter(kClosingPatience), 10);
    for (auto& conversation : conversations_) {
        DestroyWindow(conversation->window);
    }
    conversations_.clear();
    if (listener_ != nullptr) {
        DestroyWindow(listener_);
    }
}

LRESULT CALLBACK SoakHost::OnMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* host = reinterpret_cast<SoakHost*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (host == nullptr || message < WM_DDE_FIRST || message > WM_DDE_LAST) {
        return DefWindowProcW(window, message, wParam, lParam);
    }
    host->Handle(window, message, wParam, lParam);
    return 0;
}

// A client of this host sends nothing but these; anything else is left alone.
void SoakHost::Handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DDE_INITIATE) {
        if (window == listener_) {
            Initiate(reinterpret_cast<HWND>(wParam), lParam);
        }
        return;
    }
    if (message == WM_DDE_TERMINATE) {
        Terminated(window);
        return;
    }
    Conversation* conversation = Find(window);
    if (conversation == nullptr || conversation->ending) {
        return;
    }
    switch (message) {
    case WM_DDE_ADVISE:
        Advise(*conversation, lParam);
        break;
    case WM_DDE_UNADVISE:
        Unadvise(*conversation, lParam);
        break;
    case WM_DDE_REQUEST:
        Request(*conversation, lParam);
        break;
    case WM_DDE_ACK:
        Acknowledged(*conversation, lParam);
        break;
    default:
        break;
    }
}

// Each topic asked for (a null name: every topic) gets a conversation window of its own, whose
// answer carries new atoms that the client deletes.
void SoakHost::Initiate(HWND client, LPARAM names) {
    const ATOM application = LOWORD(names), topic = HIWORD(names);
    if (application != 0 && !Names(application, kApplication)) {
        return;
    }
    for (int index = 0; index < 2; ++index) {
        if (topic != 0 && !Names(topic, kTopics[index])) {
            continue;
        }
        const HWND window = CreateWindowExW(0, kWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                            nullptr, GetModuleHandleW(nullptr), this);
        if (window == nullptr) {
            continue;
        }
        conversations_.push_back(
            std::make_unique<Conversation>(Conversation{window, client, index}));
        GlobalAtom applicationName(kApplication), topicName(kTopics[index]);
        SendMessageW(client, WM_DDE_ACK, reinterpret_cast<WPARAM>(window),
                     MAKELPARAM(applicationName.Release(), topicName.Release()));
    }
}

SoakHost::Conversation* SoakHost::Find(HWND window) {
    const auto found = std::ranges::find_if(conversations_, [window](const auto& conversation) {
        return conversation->window == window;
    });
    return found != conversations_.end() ? found->get() : nullptr;
}

// Accepted: the options are freed here and the atom goes back in the reply. Refused: both go
// back to the client, which frees them.
void SoakHost::Advise(Conversation& conversation, LPARAM lParam) {
    UINT_PTR options = 0, atom = 0;
    UnpackDDElParam(WM_DDE_ADVISE, lParam, &options, &atom);
    DDEADVISE asked{};
    if (Locked<DDEADVISE> read(reinterpret_cast<HGLOBAL>(options)); read.get() != nullptr) {
        asked = *read.get();
    }
    const auto item = ItemOn(conversation.topic, static_cast<ATOM>(atom));
    const bool accept = item && asked.cfFormat == CF_TEXT && !asked.fDeferUpd;
    const LPARAM reply = ReuseDDElParam(lParam, WM_DDE_ADVISE, WM_DDE_ACK, accept ? kAck : 0, atom);
    if (!PostMessageW(conversation.client, WM_DDE_ACK,
                      reinterpret_cast<WPARAM>(conversation.window), reply)) {
        FreeDDElParam(WM_DDE_ACK, reply);
        GlobalDeleteAtom(static_cast<ATOM>(atom));
        GlobalFree(reinterpret_cast<HGLOBAL>(options));
        return;
    }
    if (accept) {
        GlobalFree(reinterpret_cast<HGLOBAL>(options));
        std::erase_if(conversation.links, [&](const Link& link) { return link.item == *item; });
        conversation.links.push_back(Link{*item, asked.fAckReq != 0});
    }
}

void SoakHost::Unadvise(Conversation& conversation, LPARAM lParam) {
    UINT_PTR format = 0, atom = 0;
    UnpackDDElParam(WM_DDE_UNADVISE, lParam, &format, &atom);
    FreeDDElParam(WM_DDE_UNADVISE, lParam);
    const auto ended = std::erase_if(conversation.links, [&](const Link& link) {
        return atom == 0 || Names(static_cast<ATOM>(atom), ItemName(link.item));
    });
    const LPARAM reply = PackDDElParam(WM_DDE_ACK, ended != 0 ? kAck : 0, atom);
    if (!PostMessageW(conversation.client, WM_DDE_ACK,
                      reinterpret_cast<WPARAM>(conversation.window), reply)) {
        FreeDDElParam(WM_DDE_ACK, reply);
        GlobalDeleteAtom(static_cast<ATOM>(atom));
    }
}

// Answered with the value, which the client frees, the request's atom reused for it.
void SoakHost::Request(Conversation& conversation, LPARAM lParam) {
    UINT_PTR format = 0, atom = 0;
    UnpackDDElParam(WM_DDE_REQUEST, lParam, &format, &atom);
    FreeDDElParam(WM_DDE_REQUEST, lParam);
    GlobalAtom owned = GlobalAtom::Adopt(static_cast<ATOM>(atom));
    const auto item = ItemOn(conversation.topic, owned.get());
    GlobalMemory data =
        item && format == CF_TEXT ? MakeData(Value(*item), false, true, true) : GlobalMemory();
    const UINT message = data.get() != nullptr ? WM_DDE_DATA : WM_DDE_ACK;
    const LPARAM reply = message == WM_DDE_DATA
                             ? PackDDElParam(message, reinterpret_cast<UINT_PTR>(data.get()), atom)
                             : PackDDElParam(message, 0, atom);
    if (PostMessageW(conversation.client, message, reinterpret_cast<WPARAM>(conversation.window),
                     reply)) {
        owned.Release();
        data.Release();
    } else {
        FreeDDElParam(message, reply);
    }
}

// A value that asked for an answer has it: its memory is the host's to free either way.
void SoakHost::Acknowledged(Conversation& conversation, LPARAM lParam) {
    UINT_PTR status = 0, atom = 0;
    UnpackDDElParam(WM_DDE_ACK, lParam, &status, &atom);
    FreeDDElParam(WM_DDE_ACK, lParam);
    GlobalAtom owned = GlobalAtom::Adopt(static_cast<ATOM>(atom));
    for (Link& link : conversation.links) {
        if (!link.unacknowledged.empty() && Names(owned.get(), ItemName(link.item))) {
            GlobalFree(link.unacknowledged.front());
            link.unacknowledged.pop_front();
            return;
        }
    }
}

// The client ended the conversation, or answered the host's end of it.
void SoakHost::Terminated(HWND window) {
    const Conversation* conversation = Find(window);
    if (conversation == nullptr) {
        return;
    }
    if (!conversation->ending) {
        PostMessageW(conversation->client, WM_DDE_TERMINATE, reinterpret_cast<WPARAM>(window), 0);
    }
    DestroyWindow(window);
    std::erase_if(conversations_, [&](const auto& held) { return held.get() == conversation; });
}

bool SoakHost::Post(const Conversation& conversation, const wchar_t* item, HGLOBAL data) {
    GlobalAtom atom(item);
    const LPARAM lParam = PackDDElParam(WM_DDE_DATA, reinterpret_cast<UINT_PTR>(data), atom.get());
    if (atom.get() == 0 || !PostMessageW(conversation.client, WM_DDE_DATA,
                                         reinterpret_cast<WPARAM>(conversation.window), lParam)) {
        FreeDDElParam(WM_DDE_DATA, lParam);
        ++failedPosts_;
        return false;
    }
    atom.Release();
    return true;
}

// fRelease=0: under Wine the client has its own copy once the value is posted, so the host frees
// its memory then, unless the client is to acknowledge it.
void SoakHost::Publish(HostItem item, std::string_view text) {
    values_[static_cast<std::size_t>(item)] = text;
    for (auto& conversation : conversations_) {
        for (Link& link : conversation->links) {
            if (link.item != item || conversation->ending) {
                continue;
            }
            GlobalMemory data = MakeData(std::string(text), link.ackReq, false, false);
            if (data.get() != nullptr && Post(*conversation, ItemName(item), data.get()) &&
                link.ackReq) {
                link.unacknowledged.push_back(data.Release());
            }
        }
    }
}

void SoakHost::PostStrays() {
    const bool answerForTheFrequency = strayAnswers_++ % 2 == 0;
    for (auto& conversation : conversations_) {
        const bool linked = std::ranges::any_of(
            conversation->links, [](const Link& link) { return link.item == HostItem::Frequency; });
        if (!linked || conversation->ending) {
            continue;
        }
        GlobalMemory mode = MakeData("USB", false, false, false);
        Post(*conversation, kUnlinkedItem, mode.get());
        GlobalMemory answer = answerForTheFrequency
                                  ? MakeData(Value(HostItem::Frequency), false, true, false)
                                  : MakeData("USB", false, true, false);
        Post(*conversation, answerForTheFrequency ? ItemName(HostItem::Frequency) : kUnlinkedItem,
             answer.get());
    }
}

} // namespace veskor::bench
