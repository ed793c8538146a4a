// Message pumping with deadlines for the bench.
#include "pump.h"

#include "clock.h"

#include <algorithm>

namespace veskor::bench {
namespace {

DWORD WaitSlice(double remainingMs, double pollMs) {
    return static_cast<DWORD>(std::clamp(std::min(remainingMs, pollMs), 0.0, 1000.0));
}

} // namespace

void PumpPending() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

bool PumpUntil(const std::function<bool()>& condition, double timeoutMs, double pollMs) {
    const double deadline = NowMs() + timeoutMs;
    for (;;) {
        PumpPending();
        if (condition()) {
            return true;
        }
        const double remaining = deadline - NowMs();
        if (remaining <= 0) {
            return false;
        }
        if (pollMs > 0) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, WaitSlice(remaining, pollMs), QS_ALLINPUT);
        }
    }
}

void PumpFor(double periodMs) {
    PumpUntil([] { return false; }, periodMs, 1000.0);
}

bool PumpUntilSignalled(void* event, double timeoutMs) {
    const double deadline = NowMs() + timeoutMs;
    for (;;) {
        PumpPending();
        const double remaining = deadline - NowMs();
        const DWORD slice = remaining > 0 ? WaitSlice(remaining, 1000.0) : 0;
        const DWORD result = MsgWaitForMultipleObjects(1, &event, FALSE, slice, QS_ALLINPUT);
        if (result == WAIT_OBJECT_0) {
            return true;
        }
        if (result == WAIT_TIMEOUT && remaining <= 0) {
            return false;
        }
    }
}

} // namespace veskor::bench
