// Waiting without fixed sleeps: every wait has a deadline and keeps this thread's messages
// flowing, so the DDE conversations and windows it owns go on working while it waits. A test or
// bench that plays the host must wait only through these, or the programs it serves stall.
#pragma once

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <functional>

namespace veskor::test {

using Clock = std::chrono::steady_clock;
using Deadline = Clock::time_point;

// How long a test waits for what normally takes a fraction of a second: under Wine on a busy
// machine starting a process can take seconds.
inline constexpr std::chrono::milliseconds kPatience{15000};

inline Deadline DeadlineAfter(std::chrono::milliseconds span) {
    return Clock::now() + span;
}
inline Deadline DeadlineAfter(double ms) {
    return Clock::now() + std::chrono::duration_cast<Clock::duration>(
                              std::chrono::duration<double, std::milli>(ms));
}
// The monotonic clock in milliseconds, for measuring.
inline double NowMs() {
    return std::chrono::duration<double, std::milli>(Clock::now().time_since_epoch()).count();
}
inline DWORD MsUntil(Deadline deadline) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return static_cast<DWORD>(std::clamp<long long>(left, 0, 0x7fffffff));
}

// Dispatches every message waiting for this thread.
inline void PumpPending() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

// Pumps until `done` holds (true) or the deadline passes (false). With pollMs 0 `done` is tested
// after each batch of messages, for conditions this thread's messages bring about; otherwise also
// every pollMs, for conditions in another process, whose changes post nothing here.
inline bool PumpUntil(const std::function<bool()>& done, Deadline deadline, double pollMs = 0) {
    for (;;) {
        PumpPending();
        if (done()) {
            return true;
        }
        if (Clock::now() >= deadline) {
            return false;
        }
        const DWORD wait = std::min(MsUntil(deadline), pollMs > 0 ? DWORD(pollMs) : INFINITE);
        MsgWaitForMultipleObjectsEx(0, nullptr, wait, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    }
}

// Pumps until the kernel object (a process, an event) is signalled (true) or the deadline passes.
inline bool PumpUntilSignalled(HANDLE object, Deadline deadline) {
    for (;;) {
        PumpPending();
        // The wait itself takes the signal of an auto-reset event: it is counted here.
        if (MsgWaitForMultipleObjectsEx(1, &object, MsUntil(deadline), QS_ALLINPUT,
                                        MWMO_INPUTAVAILABLE) == WAIT_OBJECT_0) {
            return true;
        }
        if (Clock::now() >= deadline) {
            return false;
        }
    }
}

} // namespace veskor::test
