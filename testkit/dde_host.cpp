// The in-process DDE host.
#include "dde_host.h"

namespace veskor::test {
namespace {

// The service, the topics and the items; each item's topic.
constexpr const wchar_t* kNames[] = {L"MixW", L"QSO", L"CAT", L"Khz", L"Az", L"Command"};
constexpr int kItemTopic[] = {1, 1, 2};

// DDEML hands the callback no context, so the one host of the process is found here.
DdeHost* activeHost = nullptr;

} // namespace

DdeHost::DdeHost() {
    const DWORD flags = APPCLASS_STANDARD | CBF_FAIL_EXECUTES | CBF_FAIL_POKES |
                        CBF_SKIP_REGISTRATIONS | CBF_SKIP_UNREGISTRATIONS;
    if (activeHost || DdeInitializeW(&instance_, &DdeHost::Callback, flags, 0) != DMLERR_NO_ERROR) {
        return;
    }
    activeHost = this;
    for (size_t i = 0; i < names_.size(); ++i) {
        names_[i] = DdeCreateStringHandleW(instance_, kNames[i], CP_WINUNICODE);
    }
    started_ = DdeNameService(instance_, names_[0], nullptr, DNS_REGISTER) != nullptr;
}

DdeHost::~DdeHost() {
    if (activeHost == this) {
        DdeNameService(instance_, names_[0], nullptr, DNS_UNREGISTER);
        DdeUninitialize(instance_); // frees the string handles too
        activeHost = nullptr;
    }
}

void DdeHost::PublishBytes(HostItem item, std::string bytes) {
    const auto index = static_cast<size_t>(item);
    values_[index] = std::move(bytes);
    DdePostAdvise(instance_, names_[kItemTopic[index]], names_[index + 3]);
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
    if (host && type == XTYP_CONNECT) { // here the item handle carries the service name
        const bool served = host->Find(item, 0, 0) == 0 && host->Find(topic, 1, 2) > 0;
        return served ? reinterpret_cast<HDDEDATA>(TRUE) : nullptr;
    }
    if (!host || (type != XTYP_ADVSTART && type != XTYP_REQUEST && type != XTYP_ADVREQ)) {
        return nullptr;
    }
    if (host->hanging_) {
        return CBR_BLOCK;
    }
    const int found = host->Find(item, 3, 5) - 3;
    if (found < 0 || format != CF_TEXT || host->Find(topic, 1, 2) != kItemTopic[found]) {
        return nullptr;
    }
    std::string& value = host->values_[static_cast<size_t>(found)];
    return type == XTYP_ADVSTART
               ? reinterpret_cast<HDDEDATA>(TRUE)
               : DdeCreateDataHandle(host->instance_, reinterpret_cast<BYTE*>(value.data()),
                                     static_cast<DWORD>(value.size()), 0, item, CF_TEXT, 0);
}

} // namespace veskor::test
