// Veskor's main window seen from the bench: its boxes read and its controls pressed through window
// messages, the way any other program on the desktop could.
#pragma once

#include "control_id.h"

#include <windows.h>

#include <array>
#include <string>

namespace veskor::bench {

class VeskorWindow {
public:
    VeskorWindow() = default;
    explicit VeskorWindow(HWND main) : main_(main) {}

    // The visible main window of the process, or an empty object.
    static VeskorWindow Find(DWORD processId);

    explicit operator bool() const { return main_ != nullptr; }
    HWND Main() const { return main_; }

    // A box's text as UTF-8; empty when the window does not answer.
    std::string Text(ControlId control) const;
    // Whether a box shows exactly this short text (ASCII, under 64 characters), asked in one
    // message: cheap enough to poll without slowing the window being watched.
    bool ShowsShortText(ControlId control, const std::string& text) const;
    bool Checked(ControlId control) const;
    // A click on a button or check box, as the mouse gives it.
    void Click(ControlId control) const;

private:
    static constexpr int kFirstId = static_cast<int>(ControlId::Frame1);
    static constexpr int kLastId = static_cast<int>(ControlId::CheckAutoRotate);

    // Found once, on first use.
    HWND Control(ControlId control) const;
    HWND main_ = nullptr;
    mutable std::array<HWND, kLastId - kFirstId + 1> controls_{};
};

} // namespace veskor::bench
