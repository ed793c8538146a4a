// What a client does with a DDE message it does not hand to DDEML: frees what the message
// carries, or hands it back to the partner in a negative acknowledgement. Under Wine the memory of
// a value received is always this program's own copy.
#pragma once

#include <windows.h>

namespace veskor {

// A value not taken: its memory freed, its atom and packed parameter handed back in a negative
// acknowledgement to `ackTo` (from `from`) when given, otherwise freed too.
void RefuseValue(HWND from, HWND ackTo, LPARAM lParam, UINT_PTR data, ATOM atom);

// Frees what a message on an ended conversation carries, answering nothing.
void DiscardDdeMessage(UINT message, LPARAM lParam);

} // namespace veskor
