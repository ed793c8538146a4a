// The bench's in-process DDE server.
#include "bench_host.h"

namespace veskor::bench {
namespace {

struct ItemName {
    int topic; // index into the topic names
    const wchar_t* name;
};

constexpr std::array<const wchar_t*, 2> kTopicNames{L"QSO", L"CAT"};
constexpr std::array<ItemName, 3> kItemNames{{{0, L"Khz"}, {0, L"Az"}, {1, L"Command"}}};

// DDEML hands the callback no context, so the one host of the process is found here.
BenchHost* activeHost = nullptr;

} // namespace

BenchHost::BenchHost() {
    const DWORD flags = APPCLASS_STANDARD | CBF_FAIL_EXECUTES | CBF_FAIL_POKES |
                        CBF_SKIP_REGISTRATIONS | CBF_SKIP_UNREGISTRATIONS;
    if (activeHost ||
        DdeInitializeW(&instance_, &BenchHost::Callback, flags, 0) != DMLERR_NO_ERROR) {
        instance_ = 0;
        return;
    }
    activeHost = this;
    service_ = DdeCreateStringHandleW(instance_, L"MixW", CP_WINUNICODE);
    for (size_t i = 0; i < topics_.size(); ++i) {
        topics_[i] = DdeCreateStringHandleW(instance_, kTopicNames[i], CP_WINUNICODE);
    }
    for (size_t i = 0; i < items_.size(); ++i) {
        items_[i] = DdeCreateStringHandleW(instance_, kItemNames[i].name, CP_WINUNICODE);
    }
    if (!DdeNameService(instance_, service_, nullptr, DNS_REGISTER)) {
        DdeUninitialize(instance_);
        instance_ = 0;
        activeHost = nullptr;
    }
}

BenchHost::~BenchHost() {
    if (!instance_) {
        return;
    }
    DdeNameService(instance_, service_, nullptr, DNS_UNREGISTER);
    DdeUninitialize(instance_); // frees the string handles too
    activeHost = nullptr;
}

void BenchHost::Publish(HostItem item, const std::string& value) {
    const auto index = static_cast<size_t>(item);
    values_[index] = value;
    DdePostAdvise(instance_, topics_[kItemNames[index].topic], items_[index]);
}

const std::string& BenchHost::Value(HostItem item) const {
    return values_[static_cast<size_t>(item)];
}

int BenchHost::AdviseCount(HostItem item) const {
    return adviseCounts_[static_cast<size_t>(item)];
}

int BenchHost::FindItem(HSZ topic, HSZ item) const {
    for (size_t i = 0; i < items_.size(); ++i) {
        if (DdeCmpStringHandles(items_[i], item) == 0 &&
            DdeCmpStringHandles(topics_[kItemNames[i].topic], topic) == 0) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

HDDEDATA BenchHost::Answer(UINT type, UINT format, HSZ topic, HSZ item) {
    switch (type) {
    case XTYP_CONNECT:
        // Here the item handle carries the service name.
        if (DdeCmpStringHandles(item, service_) != 0) {
            return nullptr;
        }
        for (HSZ known : topics_) {
            if (DdeCmpStringHandles(known, topic) == 0) {
                return reinterpret_cast<HDDEDATA>(TRUE);
            }
        }
        return nullptr;
    case XTYP_ADVSTART: {
        const int index = FindItem(topic, item);
        if (index < 0 || format != CF_TEXT) {
            return nullptr;
        }
        ++adviseCounts_[static_cast<size_t>(index)];
        return reinterpret_cast<HDDEDATA>(TRUE);
    }
    case XTYP_ADVSTOP: {
        const int index = FindItem(topic, item);
        if (index >= 0) {
            --adviseCounts_[static_cast<size_t>(index)];
        }
        return nullptr;
    }
    case XTYP_REQUEST:
    case XTYP_ADVREQ: {
        const int index = FindItem(topic, item);
        if (index < 0 || format != CF_TEXT) {
            return nullptr;
        }
        const std::string& value = values_[static_cast<size_t>(index)];
        // The text goes with its terminating NUL, as CF_TEXT is usually served.
        return DdeCreateDataHandle(instance_,
                                   reinterpret_cast<BYTE*>(const_cast<char*>(value.c_str())),
                                   static_cast<DWORD>(value.size() + 1), 0, item, CF_TEXT, 0);
    }
    default:
        return nullptr;
    }
}

HDDEDATA CALLBACK BenchHost::Callback(UINT type, UINT format, HCONV, HSZ topic, HSZ item, HDDEDATA,
                                      ULONG_PTR, ULONG_PTR) {
    return activeHost ? activeHost->Answer(type, format, topic, item) : nullptr;
}

} // namespace veskor::bench
