// The host "MixW" speaking the DDE messages itself (WM_DDE_INITIATE, ADVISE, REQUEST, DATA, ACK,
// UNADVISE, TERMINATE), as many programs of the real host's age do, not through DDEML. Its
// manners are those such servers show, chosen by the test; it runs on the thread that creates it,
// which must pump messages (pump.h) while clients wait for it.
#pragma once

#include "dde_host.h"
#include "dde_owners.h"
#include "pump.h"

#include <windows.h>

#include <array>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace veskor::test {

// What the served memory holds after a value's text.
enum class Ending {
    Nul,        // a terminating NUL, as CF_TEXT usually is
    None,       // the memory ends with the text's last character
    NulAndMore, // a NUL, then bytes that are not part of the value
};

struct HostManners {
    // Every value asks for an acknowledgement, and while one is outstanding on a link the newer
    // values wait behind it, only the newest kept.
    bool ackEveryValue = false;
    // Requests are refused; the current value is pushed right after an advise is accepted.
    bool refuseRequests = false;
    // This item's advise is refused (nullptr: none).
    const wchar_t* refusedItem = nullptr;
    // A value also goes down every other conversation on its topic, linked for another item.
    bool postToOtherItemsLinks = false;
    // Appended to every value, as "\r\n".
    std::string_view suffix{};
    Ending ending = Ending::Nul;
    // Every value is also offered in CF_UNICODETEXT, before the CF_TEXT one, on every link.
    bool alsoUnicode = false;
    // The host gives up its reference to a value's item atom as soon as the value is posted, and
    // takes an atom for a string of its own right after, which may get the freed number: what
    // Wine's DDEML host does to the messages it has posted when a later post fails.
    bool releasesItemAtoms = false;
    // Its conversation windows are of the class Wine's DDEML gives a server's conversation, as
    // when it plays that host.
    bool ddemlWindows = false;
    // Values say fRelease=0: the host frees each one itself, at its acknowledgement when it asks
    // for one, otherwise right after posting it (under Wine the receiver has a copy by then).
    bool keepsValues = false;
    // After each value on the QSO topic, one of the items it has beyond the three ("Mode" and
    // "Call" in turn) goes down every conversation linked for the value's item.
    bool postsItemsBeyondTheThree = false;
    // After each value, one with no item atom goes down every conversation holding a link.
    bool postsValuesWithoutItem = false;
    // After each value, another window of the host posts one of the same item to every client
    // linked for it, as though it were the conversation's partner.
    bool postsFromAStranger = false;
    // After each value, a value of "Mode" marked as the answer to a request nobody made goes down
    // every conversation holding a link.
    bool postsStrayAnswers = false;
    // Before it accepts an advise, a value of the item and an answer nobody asked for; before it
    // answers a request, a value of "Call": all while the client waits for its own transaction.
    bool postsBeforeAnswering = false;
    // A client's end of a conversation is never answered.
    bool ignoresTheEnd = false;
    // The careless posts above come after every this many values, not after each.
    int carelessEvery = 1;
};

class MessageHost {
public:
    explicit MessageHost(HostManners manners = {});
    // Ends every conversation as Close does, waiting briefly for the clients' replies.
    ~MessageHost();
    MessageHost(const MessageHost&) = delete;
    MessageHost& operator=(const MessageHost&) = delete;

    bool Started() const { return listener_ != nullptr; }

    // Stores the text and posts it down every link on the item (suffix and ending as the
    // manners say).
    void Publish(HostItem item, std::string_view text);
    std::string Value(HostItem item) const { return values_[static_cast<std::size_t>(item)]; }

    // The conversations the host holds: opened and not yet ended by a WM_DDE_TERMINATE.
    std::size_t Conversations() const;
    // Whether a link of the process's conversations waits for the acknowledgement of a value.
    bool AwaitsAck(DWORD clientProcess) const;
    // Where the clients broke the protocol, one line each: a value that asked for an
    // acknowledgement got none or two, a message after the client's end of a conversation, an
    // advise or a request not well formed, anything a client that only listens never sends.
    const std::vector<std::string>& MannersFaults() const { return faults_; }

    // Ends every conversation: posts WM_DDE_TERMINATE and waits for each client's reply until
    // the deadline. Whether every client replied in time.
    bool Close(Deadline deadline);

    struct Conversation;

private:
    static LRESULT CALLBACK OnMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void Initiate(HWND client, LPARAM names);
    void Open(HWND client, int topic);
    void Advise(Conversation& conversation, LPARAM lParam);
    void Request(Conversation& conversation, LPARAM lParam);
    void Acknowledged(Conversation& conversation, LPARAM lParam);
    void Terminated(Conversation& conversation);
    void Discard(UINT message, LPARAM lParam);
    void Fault(const Conversation& conversation, const char* what);
    void Send(Conversation& conversation, HostItem item, UINT format);
    bool PostValue(Conversation& conversation, HostItem item, UINT format, bool ackReq,
                   bool response);
    bool Post(HWND from, HWND to, const wchar_t* item, HGLOBAL data);
    void PostCareless(HWND from, HWND to, const wchar_t* item, bool response = false);
    void PostCarelessValues(HostItem item);
    std::string Served(HostItem item, UINT format) const;
    void ReleaseEarly(ATOM posted);
    Conversation* Find(HWND window);

    HostManners manners_;
    HWND listener_ = nullptr;
    std::vector<std::unique_ptr<Conversation>> conversations_;
    std::array<std::string, 3> values_;
    std::vector<std::string> faults_;
    unsigned published_ = 0;            // values published: whose turn it is to be careless
    std::deque<GlobalAtom> ownStrings_; // the newest strings taken after releasing an atom
};

} // namespace veskor::test
