// The event loop and its runs of host messages.
#include "event_loop.h"

#include <dde.h>

#include <utility>

namespace veskor {

namespace {

// Host traffic: the messages in which DDE delivers a linked value.
bool IsHostTraffic(const MSG& message) {
    return message.message >= WM_DDE_FIRST && message.message <= WM_DDE_LAST;
}

} // namespace

int EventLoop::Run() {
    MSG message;
    // The last message handled was host traffic: its changes may not be shown yet.
    bool inHostRun = false;
    for (;;) {
        // Within a run of host messages the next message is taken without waiting, which costs
        // nothing more than waiting for it would. Finding none ends the run: its last values are
        // shown then, before the loop waits.
        if (!inHostRun || !PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (std::exchange(inHostRun, false)) {
                window_.ShowPendingChanges();
            }
            const BOOL got = GetMessageW(&message, nullptr, 0, 0);
            if (got == -1) {
                return kEventLoopFailed;
            }
            if (got == 0) {
                break;
            }
        } else if (message.message == WM_QUIT) {
            break;
        }
        inHostRun = IsHostTraffic(message);
        Dispatch(message);
    }
    return static_cast<int>(message.wParam);
}

void EventLoop::Dispatch(MSG& message) {
    // Host traffic may pile up behind the window's back, and is no key: the keyboard handling
    // has nothing to do with it. Anything else, the operator's keys and clicks and the painting
    // above all, must meet the controls as the panel has them.
    if (IsHostTraffic(message)) {
        inHostTraffic_ = true;
        DispatchMessageW(&message);
        inHostTraffic_ = false;
        return;
    }
    window_.ShowPendingChanges();
    if (!window_.TakeKeyboardMessage(message)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

} // namespace veskor
