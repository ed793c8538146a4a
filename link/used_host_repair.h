// The repair of host values that Wine's DDEML drops once the host has served a client that
// vanished without ending its conversations (a crashed or killed program).
//
// What happens there, from Wine's DDEML and traces of a host serving 10,000 values:
// - DdePostAdvise takes one reference to the item's global atom ("Khz") per call, posts
//   WM_DDE_DATA carrying that atom to each hot link in turn, newest link first, and at the first
//   link it cannot post to (the vanished client's) releases the reference and stops
//   (DMLERR_POSTMSG_FAILED, "post message failed" in the host's trace).
// - The messages already posted to the live clients then carry an atom that nobody holds: between
//   two posts the atom "Khz" did not exist, and its number may meanwhile have been given to another
//   string. The client's DDEML cannot make a string handle of it (WDML_MakeHszFromAtom), finds no
//   link and drops the value without a word, leaving the message whole.
// - Seen: a plain client got 5,795 to 6,330 of 10,000 values and never the last one; Veskor lost
//   the last value every time. With the host holding 20,000 extra references to the atom, the same
//   client took every value.
//
// The repair stands in front of DDEML's window of the conversation (which receives the values
// however they are dispatched: by the program's loop or inside a transaction's wait). It holds a
// reference of its own to its item's atom, so that a host taking the item's atom gets that one,
// alive; and when DDEML still hands a value message to no callback, and the message's atom names
// nothing, a string that is none of the linked items, or the link's own item again (taken anew by
// the host after DDEML looked) with a value in the link's format, the message is given to DDEML
// once more with the item's name under an atom of this program's, which DDEML then releases in
// place of the host's. An atom naming another linked item is that item's value posted on the wrong
// conversation by a careless host: it stays dropped, as DDEML dropped it.
//
// Only under Wine: Windows' DDEML holds its string handles as global atoms of the client's, so
// there the item's atom cannot vanish, and its window is left as it is.
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

    // Stands in front of DDEML's window of the conversation for the hot link on `item` in
    // `format`, unless another repair already does. Starting again moves the repair to the new
    // conversation.
    void Start(HCONV conversation, std::wstring_view item, UINT format);
    // From now on the window hands every message to DDEML unchanged. DDEML's window keeps the
    // stand-in procedure for its life: it may still be on the call stack.
    void Stop();

    // The conversation's callback tells of every value DDEML hands it.
    void NoteDelivered() { delivered_ = true; }
    // The conversation tells while it waits for the host's answer to a transaction: a value that
    // reaches no callback then may have been that answer, which DDEML has taken and freed.
    void NoteWaiting(bool waiting) { waiting_ = waiting; }

    struct Subclass;

private:
    static LRESULT CALLBACK OnWindowMessage(HWND window, UINT message, WPARAM wParam,
                                            LPARAM lParam);
    LRESULT HandleValueMessage(WNDPROC ddeml, WPARAM wParam, LPARAM lParam);
    bool Repairable(ATOM atom, UINT_PTR data) const;
    void Redeliver(WNDPROC ddeml, WPARAM wParam, LPARAM lParam, UINT_PTR data);
    void KeepHold();

    HWND window_ = nullptr; // DDEML's window of the conversation, while repairing
    std::wstring item_;
    UINT format_ = 0;
    ATOM held_ = 0; // this program's reference to the item's atom
    bool delivered_ = false;
    bool waiting_ = false;
};

} // namespace veskor
