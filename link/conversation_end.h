// Ending a conversation of Wine's DDEML without DDEML, whose own end waits 10 s for each
// conversation whose host never answers it.
#pragma once

#include <windows.h>

namespace veskor {

// Posts WM_DDE_TERMINATE from the client's window to the partner when the conversation is still
// `open`, and waits up to `patienceMs` for the partner's answer. From then on the window takes
// every DDE message itself and frees what it carries: DDEML, which still counts the conversation
// open, never posts on it again, and its instance is left to the end of the process.
void EndWithoutDdeml(HWND window, HWND partner, bool open, DWORD patienceMs);

} // namespace veskor
