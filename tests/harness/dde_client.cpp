// The plain DDEML client conversation.
#include "dde_client.h"

#include <cstdio>
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
    Disconnect();
    if (instance_) {
        DdeUninitialize(instance_);
    }
}

bool DdeClient::Connect(const wchar_t* topic, const wchar_t* service) {
    Disconnect();
    const DWORD flags = APPCMD_CLIENTONLY | CBF_SKIP_REGISTRATIONS | CBF_SKIP_UNREGISTRATIONS;
    if (!instance_ && (lastError_ = DdeInitializeW(&instance_, &DdeClient::Callback, flags, 0))) {
        instance_ = 0;
        return false;
    }
    HSZ serviceName = DdeCreateStringHandleW(instance_, service, CP_WINUNICODE);
    HSZ topicName = DdeCreateStringHandleW(instance_, topic, CP_WINUNICODE);
    conversation_ = DdeConnect(instance_, serviceName, topicName, nullptr);
    DdeFreeStringHandle(instance_, serviceName);
    DdeFreeStringHandle(instance_, topicName);
    if (!conversation_) {
        lastError_ = DdeGetLastError(instance_);
        return false;
    }
    conversations[conversation_] = this;
    return true;
}

void DdeClient::Disconnect() {
    if (conversation_) {
        conversations.erase(conversation_);
        DdeDisconnect(conversation_);
        conversation_ = nullptr;
    }
}

HDDEDATA DdeClient::Transact(const wchar_t* item, UINT format, UINT type, DWORD timeoutMs) {
    if (!conversation_) {
        return nullptr;
    }
    HSZ itemName = DdeCreateStringHandleW(instance_, item, CP_WINUNICODE);
    HDDEDATA result =
        DdeClientTransaction(nullptr, 0, conversation_, itemName, format, type, timeoutMs, nullptr);
    DdeFreeStringHandle(instance_, itemName);
    if (!result) {
        lastError_ = DdeGetLastError(instance_);
    }
    return result;
}

std::optional<std::string> DdeClient::Request(const wchar_t* item, UINT format, DWORD timeoutMs) {
    HDDEDATA data = Transact(item, format, XTYP_REQUEST, timeoutMs);
    if (!data) {
        return std::nullopt;
    }
    std::string bytes = Bytes(data);
    DdeFreeDataHandle(data);
    return bytes;
}

bool DdeClient::StartHotLink(const wchar_t* item, UINT format, DWORD timeoutMs) {
    return Transact(item, format, XTYP_ADVSTART, timeoutMs) != nullptr;
}

std::string DdeClient::ErrorText() const {
    char text[32];
    std::snprintf(text, sizeof text, "DDEML error 0x%04x", lastError_);
    return text;
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
