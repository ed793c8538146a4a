// The end of a conversation, posted and awaited by the program itself.
#include "conversation_end.h"

#include "dde_message.h"

#include <commctrl.h>
#include <dde.h>

namespace veskor {

namespace {

constexpr UINT_PTR kEndedId = 0x454e; // "EN"

// In front of DDEML for good. While the program waits, `answered` points to what it waits for.
LRESULT CALLBACK AfterEnd(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR /*id*/,
                          DWORD_PTR answered) {
    if (message < WM_DDE_FIRST || message > WM_DDE_LAST) {
        return DefSubclassProc(window, message, wParam, lParam);
    }
    if (message == WM_DDE_TERMINATE && answered != 0) {
        *reinterpret_cast<bool*>(answered) = true;
    }
    DiscardDdeMessage(message, lParam);
    return 0;
}

} // namespace

void EndWithoutDdeml(HWND window, HWND partner, bool open, DWORD patienceMs) {
    bool answered = !open;
    if (!SetWindowSubclass(window, &AfterEnd, kEndedId, reinterpret_cast<DWORD_PTR>(&answered))) {
        return;
    }
    if (open && !PostMessageW(partner, WM_DDE_TERMINATE, reinterpret_cast<WPARAM>(window), 0)) {
        answered = true; // the host has gone
    }
    // Every DDE message of the thread is handled meanwhile: its other conversations go on, and a
    // host on this thread can answer.
    const DWORD started = GetTickCount();
    for (DWORD waited = 0; !answered && waited < patienceMs; waited = GetTickCount() - started) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, patienceMs - waited,
                                  QS_POSTMESSAGE | QS_SENDMESSAGE);
        MSG message;
        while (!answered && PeekMessageW(&message, nullptr, WM_DDE_FIRST, WM_DDE_LAST, PM_REMOVE)) {
            DispatchMessageW(&message);
        }
    }
    SetWindowSubclass(window, &AfterEnd, kEndedId, 0);
}

} // namespace veskor
