// Waiting in Windows tests without fixed sleeps: every wait has a deadline and keeps the calling
// thread's messages flowing, so that DDE conversations and windows owned by that thread go on
// working while the test waits.
#pragma once

#include <windows.h>

#include <chrono>
#include <functional>

namespace veskor::test {

using Clock = std::chrono::steady_clock;
using Deadline = Clock::time_point;

// How long a test waits for something that normally takes a fraction of a second. Generous:
// under Wine on a busy machine starting a process can take seconds.
inline constexpr std::chrono::milliseconds kPatience{15000};

inline Deadline DeadlineAfter(std::chrono::milliseconds duration) {
    return Clock::now() + duration;
}

// Dispatches every message waiting for this thread, and returns.
void PumpPending();

// Pumps this thread's messages until `done` returns true (checked after each batch of
// messages) or the deadline passes. Returns the last result of `done`.
bool PumpUntil(const std::function<bool()>& done, Deadline deadline);

// Checks `done` every few milliseconds, pumping this thread's messages in between, until it holds
// or the deadline passes: for waiting on another process, whose changes post nothing to this
// thread.
bool PollUntil(const std::function<bool()>& done, Deadline deadline);

// Pumps until the kernel object is signalled (a process that ended, an event) or the deadline
// passes. Returns whether it was signalled.
bool PumpUntilSignalled(HANDLE object, Deadline deadline);

} // namespace veskor::test
