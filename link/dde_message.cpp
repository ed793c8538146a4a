// Freeing what a DDE message carries, as the receiver of a message it does not take must.
#include "dde_message.h"

#include <dde.h>

namespace veskor {

void RefuseValue(HWND from, HWND ackTo, LPARAM lParam, UINT_PTR data, ATOM atom) {
    if (data != 0) {
        GlobalFree(reinterpret_cast<HGLOBAL>(data));
    }
    if (ackTo != nullptr) {
        const LPARAM reply = ReuseDDElParam(lParam, WM_DDE_DATA, WM_DDE_ACK, 0, atom);
        if (PostMessageW(ackTo, WM_DDE_ACK, reinterpret_cast<WPARAM>(from), reply)) {
            return;
        }
        FreeDDElParam(WM_DDE_ACK, reply);
    } else {
        FreeDDElParam(WM_DDE_DATA, lParam);
    }
    if (atom != 0) {
        GlobalDeleteAtom(atom);
    }
}

// A client is sent values, acknowledgements and the end; anything else it never asked for
// carries nothing it could safely free.
void DiscardDdeMessage(UINT message, LPARAM lParam) {
    UINT_PTR low = 0;
    UINT_PTR high = 0;
    if ((message != WM_DDE_DATA && message != WM_DDE_ACK) ||
        UnpackDDElParam(message, lParam, &low, &high) == FALSE) {
        return;
    }
    if (message == WM_DDE_DATA) {
        RefuseValue(nullptr, nullptr, lParam, low, static_cast<ATOM>(high));
        return;
    }
    FreeDDElParam(message, lParam);
    if (high >= MAXINTATOM) { // an item's atom, not an execute's memory
        GlobalDeleteAtom(static_cast<ATOM>(high));
    }
}

} // namespace veskor
