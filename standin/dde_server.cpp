// The stand-in host's DDEML server callback: connects, requests, hot links and refusals.
#include "dde_server.h"

#include "text_convert.h"

namespace veskor {

DdeServer* DdeServer::active_ = nullptr;

DdeServer::DdeServer(HostState& state) : state_(state) {}

DdeServer::~DdeServer() {
    Stop();
}

bool DdeServer::Start(std::string& why) {
    if (active_) {
        why = "a DDE server is already running in this process";
        return false;
    }
    active_ = this;
    // A host that only publishes: pokes and executes are refused by DDEML itself.
    UINT result = DdeInitializeW(&instance_, &DdeServer::Callback,
                                 APPCLASS_STANDARD | CBF_FAIL_EXECUTES | CBF_FAIL_POKES |
                                     CBF_SKIP_REGISTRATIONS | CBF_SKIP_UNREGISTRATIONS,
                                 0);
    if (result != DMLERR_NO_ERROR) {
        active_ = nullptr;
        instance_ = 0;
        why = "DdeInitialize failed (" + std::to_string(result) + ")";
        return false;
    }
    auto handle = [this](const std::string& name) {
        return DdeCreateStringHandleW(instance_, WidenAnsi(name).c_str(), CP_WINUNICODE);
    };
    service_ = handle(std::string(HostState::kService));
    for (const auto& topic : state_.Topics()) {
        topicHandles_.push_back(handle(topic.name));
    }
    for (const auto& item : state_.Items()) {
        itemHandles_.push_back(handle(item.name));
    }
    if (!DdeNameService(instance_, service_, nullptr, DNS_REGISTER)) {
        why =
            "cannot register the service name (" + std::to_string(DdeGetLastError(instance_)) + ")";
        Stop();
        return false;
    }
    return true;
}

void DdeServer::Stop() {
    if (!instance_) {
        return;
    }
    DdeNameService(instance_, nullptr, nullptr, DNS_UNREGISTER);
    for (HSZ handle : topicHandles_) {
        DdeFreeStringHandle(instance_, handle);
    }
    for (HSZ handle : itemHandles_) {
        DdeFreeStringHandle(instance_, handle);
    }
    DdeFreeStringHandle(instance_, service_);
    topicHandles_.clear();
    itemHandles_.clear();
    DdeUninitialize(instance_);
    instance_ = 0;
    active_ = nullptr;
}

void DdeServer::Publish(const HostItem& item) {
    if (!instance_) {
        return;
    }
    HostTopic* topic = state_.FindTopic(item.topic);
    auto topicIndex = static_cast<std::size_t>(topic - state_.Topics().data());
    auto itemIndex = static_cast<std::size_t>(&item - state_.Items().data());
    DdePostAdvise(instance_, topicHandles_[topicIndex], itemHandles_[itemIndex]);
}

HDDEDATA CALLBACK DdeServer::Callback(UINT type, UINT format, HCONV, HSZ hsz1, HSZ hsz2, HDDEDATA,
                                      ULONG_PTR, ULONG_PTR) {
    return active_ ? active_->Handle(type, format, hsz1, hsz2) : nullptr;
}

HDDEDATA DdeServer::Handle(UINT type, UINT format, HSZ hsz1, HSZ hsz2) {
    switch (type) {
    case XTYP_CONNECT: { // hsz1: topic, hsz2: service
        HostTopic* topic = FindTopic(hsz1);
        bool accept = topic && !topic->refused && DdeCmpStringHandles(hsz2, service_) == 0;
        return reinterpret_cast<HDDEDATA>(static_cast<UINT_PTR>(accept));
    }
    case XTYP_WILDCONNECT:
        return WildConnect(hsz1, hsz2);
    case XTYP_ADVSTART: { // hsz1: topic, hsz2: item
        if (state_.hanging) {
            return CBR_BLOCK; // the client waits in vain, as with a host that stopped answering
        }
        HostItem* item = FindItem(hsz1, hsz2);
        bool accept = item && !item->refused && (format == CF_TEXT || format == CF_UNICODETEXT);
        return reinterpret_cast<HDDEDATA>(static_cast<UINT_PTR>(accept));
    }
    case XTYP_REQUEST:
    case XTYP_ADVREQ: {
        if (state_.hanging) {
            return CBR_BLOCK;
        }
        HostItem* item = FindItem(hsz1, hsz2);
        // A refusal stops new requests; hot links made before it keep receiving updates.
        if (!item || (type == XTYP_REQUEST && item->refused)) {
            return nullptr;
        }
        return MakeData(*item, format, hsz2);
    }
    default:
        return nullptr;
    }
}

HDDEDATA DdeServer::WildConnect(HSZ topicWanted, HSZ serviceWanted) {
    if (serviceWanted && DdeCmpStringHandles(serviceWanted, service_) != 0) {
        return nullptr;
    }
    std::vector<HSZPAIR> pairs;
    for (std::size_t i = 0; i < topicHandles_.size(); ++i) {
        bool wanted = !topicWanted || DdeCmpStringHandles(topicWanted, topicHandles_[i]) == 0;
        if (wanted && !state_.Topics()[i].refused) {
            pairs.push_back({service_, topicHandles_[i]});
        }
    }
    if (pairs.empty()) {
        return nullptr;
    }
    pairs.push_back({nullptr, nullptr});
    return DdeCreateDataHandle(instance_, reinterpret_cast<LPBYTE>(pairs.data()),
                               static_cast<DWORD>(pairs.size() * sizeof(HSZPAIR)), 0, nullptr, 0,
                               0);
}

HDDEDATA DdeServer::MakeData(const HostItem& item, UINT format, HSZ itemHandle) {
    // A value set from hex bytes has no terminating NUL, deliberately: clients must cope.
    if (format == CF_TEXT) {
        std::string bytes = item.value;
        if (item.terminated) {
            bytes.push_back('\0');
        }
        return DdeCreateDataHandle(instance_, reinterpret_cast<LPBYTE>(bytes.data()),
                                   static_cast<DWORD>(bytes.size()), 0, itemHandle, CF_TEXT, 0);
    }
    if (format == CF_UNICODETEXT) {
        std::wstring text = WidenAnsi(item.value);
        if (item.terminated) {
            text.push_back(L'\0');
        }
        return DdeCreateDataHandle(instance_, reinterpret_cast<LPBYTE>(text.data()),
                                   static_cast<DWORD>(text.size() * sizeof(wchar_t)), 0, itemHandle,
                                   CF_UNICODETEXT, 0);
    }
    return nullptr;
}

HostTopic* DdeServer::FindTopic(HSZ topic) {
    for (std::size_t i = 0; i < topicHandles_.size(); ++i) {
        if (DdeCmpStringHandles(topic, topicHandles_[i]) == 0) {
            return &state_.Topics()[i];
        }
    }
    return nullptr;
}

HostItem* DdeServer::FindItem(HSZ topic, HSZ item) {
    HostTopic* found = FindTopic(topic);
    if (!found) {
        return nullptr;
    }
    for (std::size_t i = 0; i < itemHandles_.size(); ++i) {
        if (DdeCmpStringHandles(item, itemHandles_[i]) == 0) {
            HostItem& candidate = state_.Items()[i];
            return SameDdeName(candidate.topic, found->name) ? &candidate : nullptr;
        }
    }
    return nullptr;
}

} // namespace veskor
