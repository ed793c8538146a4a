// A plain DDEML client conversation with "MixW": connect on one topic, request items, hold hot
// links and collect what they deliver, byte for byte. Each conversation has a DDEML instance of
// its own (Wine refuses a second conversation on one service and topic within one instance).
// Hot-link data arrives only while the calling thread pumps (pump.h).
#pragma once

#include <windows.h>

#include <ddeml.h>

#include <optional>
#include <string>
#include <vector>

namespace veskor::test {

class DdeClient {
public:
    DdeClient() = default;
    ~DdeClient();
    DdeClient(const DdeClient&) = delete;
    DdeClient& operator=(const DdeClient&) = delete;

    // Once per client; false when no server accepts the conversation.
    bool Connect(const wchar_t* topic);
    // Every byte the server sent for the item in CF_TEXT, a terminating NUL included when there
    // is one; nothing when it refused or did not answer within 5 s.
    std::optional<std::string> Request(const wchar_t* item);
    // Asks for a hot link on the item; every value it delivers is added to Received().
    bool StartHotLink(const wchar_t* item);
    const std::vector<std::string>& Received() const { return received_; }

private:
    static HDDEDATA CALLBACK Callback(UINT, UINT, HCONV, HSZ, HSZ, HDDEDATA, ULONG_PTR, ULONG_PTR);
    HDDEDATA Transact(const wchar_t* item, UINT type);

    DWORD instance_ = 0;
    HCONV conversation_ = nullptr;
    std::vector<std::string> received_;
};

} // namespace veskor::test
