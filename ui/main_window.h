// The main window "Veskor": shows every field of the station panel in a control of its own,
// forwards the operator's edits, ticks and presses to the panel, and follows every panel change.
#pragma once

#include "control_id.h"
#include "station_panel.h"

#include <windows.h>

#include <array>
#include <bitset>

namespace veskor {

class MainWindow {
public:
    // Creates the window with all its controls bound to the panel, not yet shown. The panel must
    // outlive the window. Throws std::system_error when Windows refuses the window.
    MainWindow(HINSTANCE instance, StationPanel& panel);
    ~MainWindow();
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    HWND Handle() const { return window_; }
    HWND Control(ControlId id) const;

    // Shows the window with the keyboard focus on CheckDipoleNS.
    void Show(int showCommand);

    // Runs the event loop until the window is closed; gives the exit status.
    int RunEventLoop();

    // Lays the window out for a density: at creation, on a DPI change, and in tests that check
    // scaling without a second monitor.
    void ApplyDpi(UINT dpi);
    UINT Dpi() const { return dpi_; }

private:
    static LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam,
                                            LPARAM lParam);
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    // Gives the keyboard handling (Tab, Shift+Tab, Enter, Escape) its turn at a queued message,
    // before it is translated and dispatched; true when the message was used up.
    bool HandleKeyboardMessage(MSG& message);

    void CreateControls();
    void PlaceControls();
    void SizeClientArea();
    void HandleCommand(int id, int notification, HWND control);
    void ForwardToPanel(ControlId id);
    // The panel's changes are noted as they come and shown together: when a run of host messages
    // ends with the queue empty, before any message that is not host traffic, and when a reminder
    // queued behind them is handled.
    void NoteChange(PanelField field);
    void ShowPendingChanges();
    void ShowField(ControlId id, PanelField field);
    void ShowAllFields();
    void PressFocusedButton();

    StationPanel& panel_;
    HWND window_ = nullptr;
    std::array<HWND, 19> controls_{}; // in table order
    HFONT font_ = nullptr;
    UINT dpi_ = 0;
    HWND lastFocus_ = nullptr;
    // Messages are ignored until every control exists and shows the panel.
    bool formed_ = false;
    // Set while a panel change is being shown, so that it is not taken for an operator edit.
    bool showingPanelChange_ = false;
    // Panel fields written since the controls last showed them, by PanelField.
    std::bitset<16> staleFields_;
    // A reminder to show them is waiting in the queue.
    bool showQueued_ = false;
    // The event loop is handling a host message: it shows the changes itself afterwards.
    bool handlingHostTraffic_ = false;
    static constexpr UINT kShowChangesMessage = WM_APP + 1;
};

} // namespace veskor
