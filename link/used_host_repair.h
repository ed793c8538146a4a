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
// however they are dispatched: by the program's loop or inside a transaction's wait) and decides
// what each value message is before DDEML sees it, reading nothing of it afterwards:
// - the link's own value (from the conversation's partner, its atom naming the item, in the
//   link's format, or an answer to a request): handed to DDEML as it came;
// - spoiled by the atom-releasing fault: from a partner that is Wine's DDEML server (a window of
//   the class it gives a server's conversation), in the link's format, its atom naming anything
//   else or nothing. Such a server posts an item only on that item's links, so the value is the
//   link's: it goes to DDEML once, with the item's name under an atom of this program's, which
//   DDEML then releases in place of the host's;
// - anything else is nobody's and never reaches DDEML: a value from a window that is not the
//   conversation's partner, one in another format, and from a host that speaks the messages
//   itself another item's value, one with no item, or one whose atom lost its name (such a host
//   may post other items on a link: the value cannot be placed). It is freed here, and answered
//   with a negative acknowledgement when the partner asked for one.
// It holds a reference of its own to its item's atom, so that a host taking the item's atom gets
// that one, alive. For a DDEML server's link it keeps a reserve of references, counted every few
// values and topped up, so that the item's name cannot go while DDEML reads a value however many
// a used host's messages take away; then the atom's number alone tells the link's value, and a
// value of a fresh host costs no call to the Wine server.
//
// Under Wine the memory of every value received is this program's own copy, made for it under a
// new handle (the sender keeps its own), and Wine's DDEML frees it only when the value says
// fRelease or is refused: every value handed to DDEML is marked fRelease first, whatever the
// host said, or each would keep one of the process's 65,536 handles for good.
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

    // Whether a window is a server's conversation window of Wine's DDEML.
    static bool IsDdemlServerWindow(HWND window);

    struct Subclass;
    struct Header; // what a value's memory says of it

private:
    static LRESULT CALLBACK OnWindowMessage(HWND window, UINT message, WPARAM wParam,
                                            LPARAM lParam);
    enum class Verdict { Own, Spoiled, Nobodys };

    LRESULT HandleValueMessage(WNDPROC ddeml, WPARAM wParam, LPARAM lParam);
    Verdict Judge(HWND sender, ATOM atom, const Header& header) const;
    LRESULT Redeliver(WNDPROC ddeml, WPARAM wParam, LPARAM lParam, UINT_PTR data);
    void Drop(HWND sender, LPARAM lParam, UINT_PTR data, ATOM atom, const Header& header) const;
    void KeepHold();
    void KeepReserve();

    // References to the item's atom a DDEML server's link keeps, and how many of its values may
    // pass between two counts: a used host takes at most one a value from each of its clients.
    static constexpr int kReserve = 32;
    static constexpr int kValuesBetweenChecks = 8;

    HWND window_ = nullptr;  // DDEML's window of the conversation, while repairing
    HWND partner_ = nullptr; // the host's window of the conversation
    bool partnerIsDdeml_ = false;
    std::wstring item_;
    UINT format_ = 0;
    ATOM held_ = 0;      // this program's reference to the item's atom
    int reserve_ = 0;    // and the references it added to it for a DDEML server's link
    int untilCheck_ = 0; // values of that server's until the reserve is counted again
};

} // namespace veskor
