// What Veskor does in front of Wine's DDEML for one conversation: it judges each value before
// DDEML sees it, so that a value a used host has spoiled still reaches the link, a careless host's
// value reaches nothing, and no value costs one of the process's memory handles.
//
// Why, from Wine's DDEML and traces of hosts serving hundreds of thousands of values:
// - Once a host on Wine's DDEML has served a client that vanished without ending its
//   conversations, DdePostAdvise takes one reference to the item's global atom per call, posts
//   the value to each hot link in turn, newest link first, and at the vanished client's link,
//   where it cannot post, releases the reference and stops. The messages already posted then name
//   an item nobody holds: the client's DDEML cannot make a string handle of the atom and drops
//   the value unseen (a plain client got 5,795 to 6,330 of 10,000 values, never the last).
// - Under Wine the receiver of a value gets its own copy of the value's memory under a new handle,
//   of which a process holds 65,536. Wine's DDEML client frees the copy only when the value says
//   fRelease or is refused, and never a value it drops (another item's, another format's, a
//   stray answer's, a stranger's): each one of those keeps a handle for good.
//
// So every value message on the conversation's window is judged here first:
// - the link's own (from the partner, its atom naming the item, in the link's format, or the
//   item's answer while the link waits for one): marked fRelease and handed to DDEML as it came;
// - spoiled by the atom-releasing fault: from Wine's DDEML server (a window of the class it gives
//   a server's conversation), in the link's format, its atom naming anything else or nothing.
//   Such a server posts an item only on that item's links, so the value is the link's: it goes to
//   DDEML once, marked, with the item's name under an atom of this program's;
// - anything else is nobody's and never reaches DDEML: freed here, and answered with a negative
//   acknowledgement when the partner asked for one.
// While the link waits for its own transaction (the hot link's start, the request for the
// current value), Wine's DDEML takes the conversation's messages from the queue itself, past the
// window's procedure, ends the wait at the first one whatever it is, and keeps every value it
// cannot place. So during those waits the same judging runs as each message is taken from the
// queue (a WH_GETMESSAGE hook of the thread's), and a message nobody's is freed there and taken
// out of DDEML's sight. Until the host has accepted the hot link no value can be placed.
//
// The link holds a reference to its item's atom, so that a host taking the item's atom gets that
// one, alive; for a DDEML server's link it keeps the atom at a reserve of references, counted every
// few values and topped up, so that the name cannot go while DDEML reads a value however many a
// used host takes away. The reserve stays with the name when the link ends: another client's
// values may need it, and whoever follows the item next finds it.
//
// Only where the conversation's own window is Wine's DDEML's: Windows' DDEML holds its string
// handles as global atoms of the client's, so there the item's atom cannot vanish.
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

    // Stands in front of the conversation's window for the hot link on `item` in `format`, where
    // that window is Wine's DDEML's. Starting again moves the repair to the new conversation.
    void Start(HCONV conversation, std::wstring_view item, UINT format);
    // From now on the window's messages go to DDEML unchanged, and the link's own hold on its
    // item's atom goes back, unless it is the atom's last reference.
    void Stop();
    // What the link waits for while DDEML runs its transaction: only then is an answer the
    // link's, and until the host accepts the hot link no value is.
    enum class Wait { None, HotLink, Answer };
    // Judges the conversation's messages as DDEML takes them from the queue, while in scope.
    class Waiting {
    public:
        Waiting(UsedHostRepair& repair, Wait wait);
        ~Waiting();
        Waiting(const Waiting&) = delete;
        Waiting& operator=(const Waiting&) = delete;

    private:
        UsedHostRepair& repair_;
        HHOOK hook_ = nullptr;
    };

    // Whether a window is a server's conversation window of Wine's DDEML, or a client's.
    static bool IsDdemlServerWindow(HWND window);
    static bool IsWineDdemlClientWindow(HWND window);
    // The references the global atom of the name has: 0 without one, -1 where none can be counted.
    static int ReferencesTo(const wchar_t* name);

    struct Header;   // what a value's memory says of it
    struct Subclass; // a conversation's window and the repair in front of it

private:
    static LRESULT CALLBACK OnWindowMessage(HWND window, UINT message, WPARAM wParam,
                                            LPARAM lParam);
    static LRESULT CALLBACK OnMessageTaken(int code, WPARAM removed, LPARAM message);
    enum class Verdict { Own, Spoiled, Nobodys };

    bool Take(WPARAM wParam, LPARAM& lParam);
    Verdict Judge(HWND sender, ATOM atom, const Header& header) const;
    void KeepHold();
    int References() const;

    // The references to the item's atom a DDEML server's link keeps, and how many of its values
    // may pass between two counts: a used host takes at most one a value from each of its clients.
    static constexpr int kReserve = 32;
    static constexpr int kValuesBetweenChecks = 8;

    HWND window_ = nullptr;  // DDEML's window of the conversation, while repairing
    HWND partner_ = nullptr; // the host's window of the conversation
    bool partnerIsDdeml_ = false;
    Wait wait_ = Wait::None;
    std::wstring item_;
    UINT format_ = 0;
    ATOM atom_ = 0;      // the item's atom, while the link keeps it
    bool holds_ = false; // a reference of the link's own is among the atom's
    int untilCheck_ = 0; // values of a DDEML server until the references are counted again
};

} // namespace veskor
