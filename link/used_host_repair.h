// The repair of host values that Wine's DDEML drops once the host has served a client that
// vanished without ending its conversations (a crashed or killed program).
//
// What happens there, from Wine's DDEML and traces of a host serving 10,000 values:
// - DdePostAdvise takes one reference to the item's global atom ("Khz") per call, posts
//   WM_DDE_DATA carrying that atom to each hot link in turn, newest link first, and at the first
//   link it cannot post to (the vanished client's) releases the reference and stops
//   (DMLERR_POSTMSG_FAILED, "post message failed" in the host's trace).
// - The messages already posted to the live clients then carry an atom that nobody holds: between
//   two posts the atom "Khz" did not exist. The client's DDEML cannot make a string handle of it
//   (WDML_MakeHszFromAtom), finds no link and drops the value without a word, leaving its data.
// - Seen: a plain client got 5,795 to 6,330 of 10,000 values and never the last one; Veskor lost
//   the last value every time. With the host holding 20,000 extra references to the atom, the same
//   client took every value. Windows' DDEML does not drop such values: there this never acts.
//
// The repair stands in front of DDEML's window of the conversation (which receives the values
// however they are dispatched: by the program's loop or inside a transaction's wait). When DDEML
// hands a value message to no callback and its atom no longer names the link's item, the message
// is given to DDEML once more with the item's name under an atom of this program's, which DDEML
// then releases in place of the host's. On a sound host it costs nothing but the check of a flag.
#pragma once

#include <windows.h>

#include <ddeml.h>

#include <string>
#include <string_view>

namespace veskor {

class UsedHostRepair {
public:
    UsedHostRepair() = default;
    ~UsedHostRepair() { Stop(); }
    UsedHostRepair(const UsedHostRepair&) = delete;
    UsedHostRepair& operator=(const UsedHostRepair&) = delete;

    // Stands in front of DDEML's window of the conversation for the hot link on `item`.
    void Start(HCONV conversation, std::wstring_view item);
    // From now on the window hands every message to DDEML unchanged. DDEML's window keeps the
    // stand-in procedure for its life: it may still be on the call stack.
    void Stop();

    // The conversation's callback tells of every value DDEML hands it.
    void NoteDelivered() { delivered_ = true; }

private:
    static LRESULT CALLBACK OnWindowMessage(HWND window, UINT message, WPARAM wParam,
                                            LPARAM lParam);
    LRESULT HandleValueMessage(WPARAM wParam, LPARAM lParam);

    HWND window_ = nullptr; // DDEML's window of the conversation, while repairing
    std::wstring item_;
    bool delivered_ = false;
};

} // namespace veskor
