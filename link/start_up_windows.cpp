// The start-up sequence over DDE, with the start-up message and the end of the process.
#include "start_up.h"

#include "dde_conversation.h"
#include "host_link.h"

#include <windows.h>

namespace veskor {

std::unique_ptr<HostLink> StartUp(StationPanel& panel) {
    auto hostLink = StartUp(panel, MakeDdeConversation, [] {
        // No owner window: the main window has not been shown and never will be.
        MessageBoxW(nullptr, L"MixW 2 is not loaded! The program will now exit.", L"Veskor", MB_OK);
    });
    if (!hostLink) {
        // The links opened before the failure have been ended by now. A process ended while they
        // were open would leave them open in the host, which under Wine then loses values for its
        // other clients.
        ExitProcess(1);
    }
    return hostLink;
}

} // namespace veskor
