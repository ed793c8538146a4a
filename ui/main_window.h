// The main window "Veskor": shows every field of the station panel in a control of its own,
// forwards the operator's edits, ticks and presses to the panel, and follows every panel change.
#pragma once

#include "control_id.h"
#include "control_set.h"
#include "event_loop.h"
#include "station_panel.h"
#include "window_names.h"

#include <windows.h>

#include <bitset>

namespace veskor {

class MainWindow final : private EventLoop::Window {
public:
    // Creates the window with all its controls bound to the panel, not yet shown. The panel must
    // outlive the window. Throws std::system_error when Windows refuses the window.
    MainWindow(HINSTANCE instance, StationPanel& panel);
    ~MainWindow();
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    HWND Handle() const { return window_; }
    HWND Control(ControlId id) const { return controls_.Control(id); }

    // Shows the window with the keyboard focus on CheckDipoleNS, unless it is shown inactive.
    void Show(int showCommand);

    // Runs the event loop until the window is closed; gives the exit status.
    int RunEventLoop() { return loop_.Run(); }

    // Lays the window out for a density: at creation, on a DPI change, and in tests that check
    // scaling without a second monitor.
    void ApplyDpi(UINT dpi);
    UINT Dpi() const { return dpi_; }

private:
    static LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam,
                                            LPARAM lParam);
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    bool TakeKeyboardMessage(MSG& message) override;

    // The controls laid out for the density and the window put at the outer rectangle given (on
    // a DPI change, the one the system suggests) with the client area in twips.
    void LayOut(UINT dpi, const RECT& outer);
    void HandleCommand(int id, int notification, HWND control);
    void NoteFocus(int notification, HWND control);
    void Press(HWND button);
    void ForwardToPanel(PanelField field, HWND control);
    // The panel's changes are noted as they come and shown together: when a run of host messages
    // ends, before any message that is not host traffic, and when a reminder queued behind them
    // is handled.
    void NoteChange(PanelField field);
    void ShowPendingChanges() override;
    bool TryShowField(PanelField field);
    void ShowField(PanelField field);

    StationPanel& panel_;
    EventLoop loop_{*this};
    HWND window_ = nullptr;
    ControlSet controls_;
    UINT dpi_ = 0;
    HWND lastFocus_ = nullptr;
    // The text box that has the keyboard focus, as its own notifications tell: under Wine asking
    // the system (GetFocus) is a call to the Wine server, for every text shown.
    HWND focusedBox_ = nullptr;
    // Messages are ignored until every control exists and shows the panel.
    bool bound_ = false;
    // Set while a panel change is being shown, so that it is not taken for an operator edit.
    bool showingPanelChange_ = false;
    // Panel fields written since the controls last showed them.
    std::bitset<kPanelFieldCount> staleFields_;
    // A reminder to show them is waiting in the queue.
    bool showQueued_ = false;
    static constexpr UINT kShowChangesMessage = WM_APP + 1;
};

} // namespace veskor
