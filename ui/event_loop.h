// The program's one event loop. The host's values come as DDE messages, which may pile up in
// bursts; the window need not redraw for each one, so a run of them is dispatched back to back
// and the window shows what they changed once the run ends.
#pragma once

#include <windows.h>

namespace veskor {

// The exit status when the window's messages can no longer be read.
inline constexpr int kEventLoopFailed = 1;

class EventLoop {
public:
    // What the loop asks of the window it serves.
    class Window {
    public:
        // Brings the controls up to the panel's state.
        virtual void ShowPendingChanges() = 0;
        // Gives the keyboard handling (Tab, Shift+Tab, Enter, Escape) its turn at a queued
        // message, before it is translated and dispatched; true when the message was used up.
        virtual bool TakeKeyboardMessage(MSG& message) = 0;

    protected:
        ~Window() = default;
    };

    explicit EventLoop(Window& window) : window_(window) {}

    // Runs until WM_QUIT and gives its wParam as the exit status; should the message queue fail
    // the loop, gives kEventLoopFailed.
    int Run();
    // Whether a host message is being dispatched: the loop shows its changes afterwards.
    bool InHostTraffic() const { return inHostTraffic_; }

private:
    void Dispatch(MSG& message);

    Window& window_;
    bool inHostTraffic_ = false;
};

} // namespace veskor
