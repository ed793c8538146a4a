// A plain DDEML client conversation for tests: connect to the host on one topic, request
// items, hold hot links and collect what they deliver, byte for byte.
//
//   veskor::test::DdeTestConversation qso;
//   ASSERT_TRUE(qso.Connect(L"QSO")) << qso.ErrorText();
//   std::optional<std::string> khz = qso.Request(L"Khz");    // the exact bytes, NUL included
//   ASSERT_TRUE(qso.StartHotLink(L"Khz"));
//   PumpUntil([&] { return qso.Received().size() == 1; }, DeadlineAfter(kPatience));
//
// Each conversation has a DDEML instance of its own: Wine refuses a second conversation on
// the same service and topic within one instance. Use it on one thread, which must pump
// messages (PumpUntil) for hot-link data to arrive.
#pragma once

#include <windows.h>

#include <ddeml.h>

#include <optional>
#include <string>
#include <vector>

namespace veskor::test {

class DdeTestConversation {
public:
    DdeTestConversation() = default;
    ~DdeTestConversation();
    DdeTestConversation(const DdeTestConversation&) = delete;
    DdeTestConversation& operator=(const DdeTestConversation&) = delete;

    // Starts a conversation with `service` on `topic`. False when no server accepts it.
    bool Connect(const wchar_t* topic, const wchar_t* service = L"MixW");
    void Disconnect();

    // The item's current value as the server sent it: every byte of the data, a terminating
    // NUL included when there is one. Empty when the server refused or did not answer in time.
    std::optional<std::string> Request(const wchar_t* item, UINT format = CF_TEXT,
                                       DWORD timeoutMs = 5000);

    // Asks for a hot link on the item; every value it delivers is added to Received().
    bool StartHotLink(const wchar_t* item, UINT format = CF_TEXT, DWORD timeoutMs = 5000);

    // The data of every hot-link delivery so far, in order of arrival.
    const std::vector<std::string>& Received() const { return received_; }

    // DdeGetLastError after the last call that failed (for example DMLERR_NOTPROCESSED,
    // DMLERR_DATAACKTIMEOUT, DMLERR_NO_CONV_ESTABLISHED), and that code as text.
    UINT LastError() const { return lastError_; }
    std::string ErrorText() const;

private:
    static HDDEDATA CALLBACK Callback(UINT type, UINT format, HCONV conversation, HSZ hsz1,
                                      HSZ hsz2, HDDEDATA data, ULONG_PTR data1, ULONG_PTR data2);
    bool Initialize();
    void NoteError();

    DWORD instance_ = 0;
    HCONV conversation_ = nullptr;
    UINT lastError_ = 0;
    std::vector<std::string> received_;
};

// Every byte of a DDE data handle.
std::string DataBytes(HDDEDATA data);

} // namespace veskor::test
