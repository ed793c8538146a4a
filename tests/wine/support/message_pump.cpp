// Message pumping with deadlines for the Windows tests.
#include "message_pump.h"

#include <algorithm>

namespace veskor::test {

namespace {

DWORD MillisecondsUntil(Deadline deadline) {
    auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left <= 0 ? 0 : static_cast<DWORD>(std::min<long long>(left, 0x7fffffff));
}

// Waits for a message or one of the objects, at most until the deadline. Returns the index of
// a signalled object, or count when a message came or time ran out.
DWORD WaitForInput(DWORD count, const HANDLE* objects, Deadline deadline) {
    DWORD result = MsgWaitForMultipleObjectsEx(count, objects, MillisecondsUntil(deadline),
                                               QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    return result < WAIT_OBJECT_0 + count ? result - WAIT_OBJECT_0 : count;
}

} // namespace

void PumpPending() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

bool PollUntil(const std::function<bool()>& done, Deadline deadline) {
    constexpr DWORD kInterval = 10;
    for (;;) {
        PumpPending();
        if (done()) {
            return true;
        }
        if (Clock::now() >= deadline) {
            return false;
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE,
                                  std::min(kInterval, MillisecondsUntil(deadline)), QS_ALLINPUT);
    }
}

bool PumpUntil(const std::function<bool()>& done, Deadline deadline) {
    for (;;) {
        PumpPending();
        if (done()) {
            return true;
        }
        if (Clock::now() >= deadline) {
            return false;
        }
        WaitForInput(0, nullptr, deadline);
    }
}

bool PumpUntilSignalled(HANDLE object, Deadline deadline) {
    for (;;) {
        PumpPending();
        if (WaitForSingleObject(object, 0) == WAIT_OBJECT_0) {
            return true;
        }
        if (Clock::now() >= deadline) {
            return false;
        }
        // The wait itself consumes the signal of an auto-reset event: count it here.
        if (WaitForInput(1, &object, deadline) == 0) {
            return true;
        }
    }
}

} // namespace veskor::test
