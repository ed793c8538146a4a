// The program's entry: the panel, the hidden window bound to it, the host links, then the window
// and its event loop until the operator closes it.
#include "host_link.h"
#include "main_window.h"
#include "start_up.h"
#include "station_panel.h"

#include <windows.h>

#include <commctrl.h>

#include <exception>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
    // Registers the visual-style controls the manifest asks for.
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);

    try {
        veskor::StationPanel panel;
        veskor::MainWindow window(instance, panel);
        // Does not return when the host cannot be reached: it shows its message and ends the
        // process.
        auto hostLink = veskor::StartUp(panel);
        window.Show(showCommand);
        return window.RunEventLoop();
    } catch (const std::exception&) {
        // Windows refused the window: there is nothing to show, so the exit status says it.
        return 1;
    }
}
