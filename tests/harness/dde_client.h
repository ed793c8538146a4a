// A plain DDEML client conversation: connect to a service on one topic, request items, hold hot
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

    // False when no server accepts the conversation.
    bool Connect(const wchar_t* topic, const wchar_t* service = L"MixW");
    void Disconnect();

    // Every byte the server sent for the item, a terminating NUL included when there is one;
    // nothing when it refused or did not answer in time.
    std::optional<std::string> Request(const wchar_t* item, UINT format = CF_TEXT,
                                       DWORD timeoutMs = 5000);
    // Asks for a hot link on the item; every value it delivers is added to Received().
    bool StartHotLink(const wchar_t* item, UINT format = CF_TEXT, DWORD timeoutMs = 5000);
    const std::vector<std::string>& Received() const { return received_; }

    // DdeGetLastError after the last call that failed (DMLERR_...), and that code as text.
    UINT LastError() const { return lastError_; }
    std::string ErrorText() const;

private:
    static HDDEDATA CALLBACK Callback(UINT type, UINT, HCONV conversation, HSZ, HSZ, HDDEDATA data,
                                      ULONG_PTR, ULONG_PTR);
    HDDEDATA Transact(const wchar_t* item, UINT format, UINT type, DWORD timeoutMs);

    DWORD instance_ = 0;
    HCONV conversation_ = nullptr;
    UINT lastError_ = 0;
    std::vector<std::string> received_;
};

} // namespace veskor::test
