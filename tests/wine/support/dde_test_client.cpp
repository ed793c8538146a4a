// The DDEML client used by the Windows tests to talk to the stand-in host directly.
#include "dde_test_client.h"

#include <map>

namespace veskor::test {

namespace {

// The DDEML callback carries no context: conversations are found by their handle.
std::map<HCONV, DdeTestConversation*>& Conversations() {
    static std::map<HCONV, DdeTestConversation*> conversations;
    return conversations;
}

struct ErrorName {
    UINT code;
    const char* name;
};

constexpr ErrorName kErrorNames[] = {
    {DMLERR_NO_ERROR, "no error"},
    {DMLERR_ADVACKTIMEOUT, "DMLERR_ADVACKTIMEOUT"},
    {DMLERR_BUSY, "DMLERR_BUSY"},
    {DMLERR_DATAACKTIMEOUT, "DMLERR_DATAACKTIMEOUT"},
    {DMLERR_DLL_NOT_INITIALIZED, "DMLERR_DLL_NOT_INITIALIZED"},
    {DMLERR_INVALIDPARAMETER, "DMLERR_INVALIDPARAMETER"},
    {DMLERR_NO_CONV_ESTABLISHED, "DMLERR_NO_CONV_ESTABLISHED"},
    {DMLERR_NOTPROCESSED, "DMLERR_NOTPROCESSED"},
    {DMLERR_POSTMSG_FAILED, "DMLERR_POSTMSG_FAILED"},
    {DMLERR_SERVER_DIED, "DMLERR_SERVER_DIED"},
    {DMLERR_SYS_ERROR, "DMLERR_SYS_ERROR"},
    {DMLERR_UNADVACKTIMEOUT, "DMLERR_UNADVACKTIMEOUT"},
};

} // namespace

std::string DataBytes(HDDEDATA data) {
    DWORD size = DdeGetData(data, nullptr, 0, 0);
    std::string bytes(size, '\0');
    if (size > 0) {
        DdeGetData(data, reinterpret_cast<LPBYTE>(bytes.data()), size, 0);
    }
    return bytes;
}

DdeTestConversation::~DdeTestConversation() {
    Disconnect();
    if (instance_) {
        DdeUninitialize(instance_);
    }
}

bool DdeTestConversation::Initialize() {
    if (instance_) {
        return true;
    }
    UINT result =
        DdeInitializeW(&instance_, &DdeTestConversation::Callback,
                       APPCMD_CLIENTONLY | CBF_SKIP_REGISTRATIONS | CBF_SKIP_UNREGISTRATIONS, 0);
    if (result != DMLERR_NO_ERROR) {
        instance_ = 0;
        lastError_ = result;
        return false;
    }
    return true;
}

void DdeTestConversation::NoteError() {
    lastError_ = DdeGetLastError(instance_);
}

bool DdeTestConversation::Connect(const wchar_t* topic, const wchar_t* service) {
    Disconnect();
    if (!Initialize()) {
        return false;
    }
    HSZ serviceName = DdeCreateStringHandleW(instance_, service, CP_WINUNICODE);
    HSZ topicName = DdeCreateStringHandleW(instance_, topic, CP_WINUNICODE);
    conversation_ = DdeConnect(instance_, serviceName, topicName, nullptr);
    if (!conversation_) {
        NoteError();
    } else {
        Conversations()[conversation_] = this;
    }
    DdeFreeStringHandle(instance_, serviceName);
    DdeFreeStringHandle(instance_, topicName);
    return conversation_ != nullptr;
}

void DdeTestConversation::Disconnect() {
    if (conversation_) {
        Conversations().erase(conversation_);
        DdeDisconnect(conversation_);
        conversation_ = nullptr;
    }
}

std::optional<std::string> DdeTestConversation::Request(const wchar_t* item, UINT format,
                                                        DWORD timeoutMs) {
    if (!conversation_) {
        return std::nullopt;
    }
    HSZ itemName = DdeCreateStringHandleW(instance_, item, CP_WINUNICODE);
    HDDEDATA data = DdeClientTransaction(nullptr, 0, conversation_, itemName, format, XTYP_REQUEST,
                                         timeoutMs, nullptr);
    DdeFreeStringHandle(instance_, itemName);
    if (!data) {
        NoteError();
        return std::nullopt;
    }
    std::string bytes = DataBytes(data);
    DdeFreeDataHandle(data);
    return bytes;
}

bool DdeTestConversation::StartHotLink(const wchar_t* item, UINT format, DWORD timeoutMs) {
    if (!conversation_) {
        return false;
    }
    HSZ itemName = DdeCreateStringHandleW(instance_, item, CP_WINUNICODE);
    HDDEDATA result = DdeClientTransaction(nullptr, 0, conversation_, itemName, format,
                                           XTYP_ADVSTART, timeoutMs, nullptr);
    DdeFreeStringHandle(instance_, itemName);
    if (!result) {
        NoteError();
    }
    return result != nullptr;
}

std::string DdeTestConversation::ErrorText() const {
    for (const auto& error : kErrorNames) {
        if (error.code == lastError_) {
            return error.name;
        }
    }
    return "DDEML error " + std::to_string(lastError_);
}

HDDEDATA CALLBACK DdeTestConversation::Callback(UINT type, UINT, HCONV conversation, HSZ, HSZ,
                                                HDDEDATA data, ULONG_PTR, ULONG_PTR) {
    if (type != XTYP_ADVDATA) {
        return nullptr;
    }
    auto found = Conversations().find(conversation);
    if (found == Conversations().end()) {
        return reinterpret_cast<HDDEDATA>(DDE_FNOTPROCESSED);
    }
    found->second->received_.push_back(data ? DataBytes(data) : std::string());
    return reinterpret_cast<HDDEDATA>(DDE_FACK);
}

} // namespace veskor::test
