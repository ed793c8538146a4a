// The soak's host "MixW": it speaks the DDE messages itself, not through DDEML, since under Wine a
// DDEML server stops carrying values after about 65,530 posts. It serves the three items as
// requests and hot links, posts every value with fRelease=0 and frees its memory itself (right
// after posting it, or at its acknowledgement when the client asked for one), and posts on
// request what a careless host adds: a value of an item nobody linked, and an answer to no
// request. It runs on the thread that makes it, which must pump messages (pump.h).
#pragma once

#include "dde_host.h"

#include <windows.h>

#include <array>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace veskor::bench {

class SoakHost {
public:
    SoakHost();
    // Ends every conversation, waiting briefly for the clients' replies.
    ~SoakHost();
    SoakHost(const SoakHost&) = delete;
    SoakHost& operator=(const SoakHost&) = delete;

    bool Started() const { return listener_ != nullptr; }
    // Stores the text and posts it down every hot link on the item.
    void Publish(HostItem item, std::string_view text);
    std::string Value(HostItem item) const { return values_[static_cast<std::size_t>(item)]; }
    // On every conversation linked for the frequency: a "Mode" value, an item of the host's that
    // no client links, then a value marked as an answer (fResponse=1) that answers no request: in
    // turn the frequency as it stands and a "Mode". All fRelease=0, freed here once posted.
    void PostStrays();
    // The posts the clients' windows refused (a client gone, a full queue).
    int FailedPosts() const { return failedPosts_; }

    struct Conversation;

private:
    static LRESULT CALLBACK OnMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void Handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void Initiate(HWND client, LPARAM names);
    void Advise(Conversation& conversation, LPARAM lParam);
    void Unadvise(Conversation& conversation, LPARAM lParam);
    void Request(Conversation& conversation, LPARAM lParam);
    void Acknowledged(Conversation& conversation, LPARAM lParam);
    void Terminated(HWND window);
    // Posts one WM_DDE_DATA with a new atom for the item; the memory is handed on only when
    // posted. Whether it was posted.
    bool Post(const Conversation& conversation, const wchar_t* item, HGLOBAL data);
    Conversation* Find(HWND window);

    HWND listener_ = nullptr;
    std::vector<std::unique_ptr<Conversation>> conversations_;
    std::array<std::string, 3> values_{"", "", ""};
    int failedPosts_ = 0;
    int strayAnswers_ = 0;
};

} // namespace veskor::bench
