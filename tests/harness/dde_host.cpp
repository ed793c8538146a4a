// The in-process DDE host.
#include "dde_host.h"

namespace veskor::test {
namespace {

// The topics, then the items; each item's topic.
constexpr const wchar_t* kNames[] = {L"QSO", L"CAT", L"Khz", L"Az", L"Command"};
constexpr int kItemTopic[] = {0, 0, 1};

// DDEML hands the callback no context, so the one host of the process is found here.
DdeHost* activeHost = nullptr;

} // namespace

DdeHost::DdeHost() {
    const DWORD flags = APPCLASS_STANDARD | CBF_FAIL_EXECUTES | CBF_FAIL_POKES |
                        CBF_SKIP_REGISTRATIONS | CBF_SKIP_UNREGISTRATIONS;
    if (activeHost || DdeInitializeW(&instance_, &DdeHost::Callback, flags, 0) != DMLERR_NO_ERROR) {
        instance_ = 0;
        return;
    }
    activeHost = this;
    service_ = DdeCreateStringHandleW(instance_, L"MixW", CP_WINUNICODE);
    for (size_t i = 0; i < names_.size(); ++i) {
        names_[i] = DdeCreateStringHandleW(instance_, kNames[i], CP_WINUNICODE);
    }
    if (!DdeNameService(instance_, service_, nullptr, DNS_REGISTER)) {
        DdeUninitialize(instance_);
        instance_ = 0;
        activeHost = nullptr;
    }
}

DdeHost::~DdeHost() {
    if (instance_) {
        DdeNameService(instance_, service_, nullptr, DNS_UNREGISTER);
        DdeUninitialize(instance_); // frees the string handles too
        activeHost = nullptr;
    }
}

void DdeHost::PublishBytes(HostItem item, std::string bytes) {
    const auto index = static_cast<size_t>(item);
    values_[index] = std::move(bytes);
    DdePostAdvise(instance_, names_[kItemTopic[index]], names_[index + 2]);
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

HDDEDATA DdeHost::Answer(UINT type, UINT format, HSZ topic, HSZ item) {
    if (type == XTYP_CONNECT) { // here the item handle carries the service name
        const bool served = DdeCmpStringHandles(item, service_) == 0 && Find(topic, 0, 1) >= 0;
        return served ? reinterpret_cast<HDDEDATA>(TRUE) : nullptr;
    }
    if (hanging_ && (type == XTYP_ADVSTART || type == XTYP_REQUEST || type == XTYP_ADVREQ)) {
        return CBR_BLOCK;
    }
    const int found = Find(item, 2, 4) - 2;
    if (found < 0 || format != CF_TEXT || Find(topic, 0, 1) != kItemTopic[found]) {
        return nullptr;
    }
    const auto index = static_cast<size_t>(found);
    switch (type) {
    case XTYP_ADVSTART:
        ++adviseCounts_[index];
        return reinterpret_cast<HDDEDATA>(TRUE);
    case XTYP_ADVSTOP:
        --adviseCounts_[index];
        return nullptr;
    case XTYP_REQUEST:
    case XTYP_ADVREQ:
        return DdeCreateDataHandle(instance_, reinterpret_cast<BYTE*>(values_[index].data()),
                                   static_cast<DWORD>(values_[index].size()), 0, item, CF_TEXT, 0);
    default:
        return nullptr;
    }
}

HDDEDATA CALLBACK DdeHost::Callback(UINT type, UINT format, HCONV, HSZ topic, HSZ item, HDDEDATA,
                                    ULONG_PTR, ULONG_PTR) {
    return activeHost ? activeHost->Answer(type, format, topic, item) : nullptr;
}

} // namespace veskor::test
