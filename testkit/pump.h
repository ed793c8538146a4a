// Waiting without fixed sleeps: every wait has a deadline and keeps this thread's messages
// flowing, so the DDE conversations and windows it owns go on working while it waits. A test or
// bench that plays the host must wait only through these, or the programs it serves stall.
#pragma once

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <functional>

namespace veskor::test {

using Clock = std::chrono::steady_clock;
using Deadline = Clock::time_point;

// How long a test waits for what normally takes a fraction of a second: under Wine on a busy
// machine starting a process can take seconds.
inline constexpr std::chrono::milliseconds kPatience{15000};

// How many times longer than its span every deadline is: VESKOR_TIME_SCALE, a whole number, for a
// session whose programs run slower than a machine's own (32-bit ones under an emulator); 1
// otherwise. The one setting that stretches every wait, so no test needs a time of its own.
inline int TimeScale() {
    static const int scale = [] {
        char text[16] = {};
        const DWORD length = GetEnvironmentVariableA("VESKOR_TIME_SCALE", text, sizeof text);
        const int value = length > 0 && length < sizeof text ? std::atoi(text) : 1;
        return std::clamp(value, 1, 99);
    }();
    return scale;
}

inline Deadline DeadlineAfter(std::chrono::milliseconds span) {
    return Clock::now() + span * TimeScale();
}
inline Deadline DeadlineAfter(double ms) {
    return Clock::now() + std::chrono::duration_cast<Clock::duration>(
                              std::chrono::duration<double, std::milli>(ms * TimeScale()));
}
// The monotonic clock in milliseconds, for measuring.
inline double NowMs() {
    return std::chrono::duration<double, std::milli>(Clock::now().time_since_epoch()).count();
}

// Dispatches every message waiting for this thread.
inline void PumpPending() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

// Pumps until `done` holds or the kernel object (a process, an event), when given, is signalled
// (true), or the deadline passes (false). With pollMs 0 `done` is tested after each batch of
// messages, for conditions this thread's messages bring about; otherwise also every pollMs, for
// conditions in another process, whose changes post nothing here.
inline bool PumpUntil(const std::function<bool()>& done, Deadline deadline, double pollMs = 0,
                      HANDLE object = nullptr) {
    for (;;) {
        PumpPending();
        if (done()) {
            return true;
        }
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) {
            return false;
        }
        const DWORD wait =
            pollMs > 0 ? std::min<DWORD>(left.count(), static_cast<DWORD>(pollMs)) : left.count();
        // The wait itself takes the signal of an auto-reset event: it is counted here.
        if (MsgWaitForMultipleObjectsEx(object ? 1 : 0, &object, wait, QS_ALLINPUT,
                                        MWMO_INPUTAVAILABLE) == WAIT_OBJECT_0 &&
            object) {
            return true;
        }
    }
}

// Pumps until `done` holds, testing it at least every 10 ms, or the deadline passes.
inline bool Wait(const std::function<bool()>& done, Deadline deadline = DeadlineAfter(kPatience)) {
    return PumpUntil(done, deadline, 10);
}

// The same until the object alone is signalled.
inline bool PumpUntilSignalled(HANDLE object, Deadline deadline) {
    return PumpUntil([] { return false; }, deadline, 0, object);
}

} // namespace veskor::test
