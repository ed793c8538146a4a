// The host "MixW" on DDE: its names, its DDEML callback, and its refusals.
#include "dde_host.h"

#include "text_convert.h"

#include <algorithm>
#include <vector>

namespace veskor {
namespace {

// The service, the topics and the items; each item's topic.
constexpr const wchar_t* kNames[] = {L"MixW", L"QSO", L"CAT", L"Khz", L"Az", L"Command"};
constexpr int kFirstTopic = 1, kLastTopic = 2, kFirstItem = 3, kLastItem = 5;
constexpr int kItemTopic[] = {1, 1, 2};

// DDEML hands the callback no context, so the one host of the process is found here.
DdeHost* activeHost = nullptr;

HDDEDATA Answer(bool yes) {
    return reinterpret_cast<HDDEDATA>(static_cast<UINT_PTR>(yes));
}

wchar_t AsciiLower(wchar_t c) {
    return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c;
}

} // namespace

const wchar_t* ItemName(HostItem item) {
    return kNames[kFirstItem + static_cast<int>(item)];
}

std::optional<HostItem> ItemNamed(std::string_view name) {
    const auto same = [](char a, wchar_t b) {
        return AsciiLower(static_cast<unsigned char>(a)) == AsciiLower(b);
    };
    for (HostItem item : kHostItems) {
        const std::wstring_view known = ItemName(item);
        if (std::equal(name.begin(), name.end(), known.begin(), known.end(), same)) {
            return item;
        }
    }
    return std::nullopt;
}

DdeHost::DdeHost() {
    if (activeHost) {
        why_ = "a DDE server is already running in this process";
        return;
    }
    // A host that only publishes: pokes and executes are refused by DDEML itself.
    const DWORD flags = APPCLASS_STANDARD | CBF_FAIL_EXECUTES | CBF_FAIL_POKES |
                        CBF_SKIP_REGISTRATIONS | CBF_SKIP_UNREGISTRATIONS;
    if (UINT result = DdeInitializeW(&instance_, &DdeHost::Callback, flags, 0);
        result != DMLERR_NO_ERROR) {
        why_ = "DdeInitialize failed (" + std::to_string(result) + ")";
        return;
    }
    activeHost = this;
    for (size_t i = 0; i < names_.size(); ++i) {
        names_[i] = DdeCreateStringHandleW(instance_, kNames[i], CP_WINUNICODE);
    }
    if (!DdeNameService(instance_, names_[0], nullptr, DNS_REGISTER)) {
        why_ =
            "cannot register the service name (" + std::to_string(DdeGetLastError(instance_)) + ")";
        Stop();
    }
}

void DdeHost::Stop() {
    if (activeHost == this) {
        DdeNameService(instance_, names_[0], nullptr, DNS_UNREGISTER);
        DdeUninitialize(instance_); // frees the string handles too
        activeHost = nullptr;
    }
}

void DdeHost::PublishBytes(HostItem item, std::string bytes) {
    const auto index = static_cast<size_t>(item);
    values_[index] = std::move(bytes);
    DdePostAdvise(instance_, names_[kItemTopic[index]], names_[kFirstItem + index]);
}

void DdeHost::Refuse(std::wstring_view name) {
    for (size_t i = 0; i < refused_.size(); ++i) {
        refused_[i] = refused_[i] || name == kNames[i];
    }
}

int DdeHost::Find(HSZ name, int first, int last) const {
    for (int i = first; i <= last; ++i) {
        if (!refused_[i] && DdeCmpStringHandles(names_[i], name) == 0) {
            return i;
        }
    }
    return -1;
}

HDDEDATA CALLBACK DdeHost::Callback(UINT type, UINT format, HCONV, HSZ topic, HSZ item, HDDEDATA,
                                    ULONG_PTR, ULONG_PTR) {
    DdeHost* host = activeHost;
    if (!host) {
        return nullptr;
    }
    switch (type) {
    case XTYP_CONNECT: // here the item handle carries the service name
        return Answer(host->Find(item, 0, 0) == 0 &&
                      host->Find(topic, kFirstTopic, kLastTopic) > 0);
    case XTYP_WILDCONNECT:
        return host->WildConnect(topic, item);
    case XTYP_CONNECT_CONFIRM:
        ++host->conversations_;
        return nullptr;
    case XTYP_DISCONNECT:
        --host->conversations_;
        return nullptr;
    case XTYP_ADVSTART:
    case XTYP_REQUEST:
    case XTYP_ADVREQ:
        return host->hanging_ ? CBR_BLOCK : host->Serve(type, format, topic, item);
    default:
        return nullptr;
    }
}

HDDEDATA DdeHost::Serve(UINT type, UINT format, HSZ topic, HSZ item) {
    const int found = Find(item, kFirstItem, kLastItem) - kFirstItem;
    if (found < 0 || (format != CF_TEXT && format != CF_UNICODETEXT) ||
        Find(topic, kFirstTopic, kLastTopic) != kItemTopic[found]) {
        return nullptr;
    }
    std::string& value = values_[static_cast<size_t>(found)];
    if (type == XTYP_ADVSTART) {
        return Answer(true);
    }
    if (format == CF_TEXT) {
        return DdeCreateDataHandle(instance_, reinterpret_cast<BYTE*>(value.data()),
                                   static_cast<DWORD>(value.size()), 0, item, CF_TEXT, 0);
    }
    std::wstring text = WidenAnsi(value);
    return DdeCreateDataHandle(instance_, reinterpret_cast<BYTE*>(text.data()),
                               static_cast<DWORD>(text.size() * sizeof(wchar_t)), 0, item,
                               CF_UNICODETEXT, 0);
}

// A client asking for any topic, or any service, is told the topics it may have.
HDDEDATA DdeHost::WildConnect(HSZ topic, HSZ service) {
    if (service && Find(service, 0, 0) != 0) {
        return nullptr;
    }
    std::vector<HSZPAIR> pairs;
    for (int i = kFirstTopic; i <= kLastTopic; ++i) {
        if (!refused_[i] && (!topic || Find(topic, i, i) == i)) {
            pairs.push_back({names_[0], names_[i]});
        }
    }
    if (pairs.empty()) {
        return nullptr;
    }
    pairs.push_back({nullptr, nullptr});
    return DdeCreateDataHandle(instance_, reinterpret_cast<BYTE*>(pairs.data()),
                               static_cast<DWORD>(pairs.size() * sizeof(HSZPAIR)), 0, nullptr, 0,
                               0);
}

} // namespace veskor
