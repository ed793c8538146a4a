// The plain DDEML client conversation.
#include "dde_client.h"

#include <map>

namespace veskor::test {
namespace {

// The DDEML callback carries no context: conversations are found by their handle.
std::map<HCONV, DdeClient*> conversations;

std::string Bytes(HDDEDATA data) {
    std::string bytes(DdeGetData(data, nullptr, 0, 0), '\0');
    DdeGetData(data, reinterpret_cast<BYTE*>(bytes.data()), static_cast<DWORD>(bytes.size()), 0);
    return bytes;
}

} // namespace

DdeClient::~DdeClient() {
    conversations.erase(conversation_);
    if (instance_) {
        DdeUninitialize(instance_); // ends the conversation and frees the string handles too
    }
}

bool DdeClient::Connect(const wchar_t* topic) {
    const DWORD flags = APPCMD_CLIENTONLY | CBF_SKIP_REGISTRATIONS | CBF_SKIP_UNREGISTRATIONS;
    if (conversation_ || DdeInitializeW(&instance_, &DdeClient::Callback, flags, 0)) {
        return false;
    }
    conversation_ = DdeConnect(instance_, DdeCreateStringHandleW(instance_, L"MixW", CP_WINUNICODE),
                               DdeCreateStringHandleW(instance_, topic, CP_WINUNICODE), nullptr);
    return conversation_ && conversations.emplace(conversation_, this).second;
}

HDDEDATA DdeClient::Transact(const wchar_t* item, UINT type) {
    HSZ name = DdeCreateStringHandleW(instance_, item, CP_WINUNICODE);
    return DdeClientTransaction(nullptr, 0, conversation_, name, CF_TEXT, type, 5000, nullptr);
}

std::optional<std::string> DdeClient::Request(const wchar_t* item) {
    HDDEDATA data = Transact(item, XTYP_REQUEST);
    const auto bytes = data ? std::optional(Bytes(data)) : std::nullopt;
    DdeFreeDataHandle(data);
    return bytes;
}

bool DdeClient::StartHotLink(const wchar_t* item) {
    return Transact(item, XTYP_ADVSTART) != nullptr;
}

HDDEDATA CALLBACK DdeClient::Callback(UINT type, UINT, HCONV conversation, HSZ, HSZ, HDDEDATA data,
                                      ULONG_PTR, ULONG_PTR) {
    const auto found = conversations.find(conversation);
    if (type != XTYP_ADVDATA || found == conversations.end()) {
        return type == XTYP_ADVDATA ? reinterpret_cast<HDDEDATA>(DDE_FNOTPROCESSED) : nullptr;
    }
    found->second->received_.push_back(Bytes(data));
    return reinterpret_cast<HDDEDATA>(DDE_FACK);
}

} // namespace veskor::test
