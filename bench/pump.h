// Waiting in the bench: the bench is also the host, so every wait keeps its message queue moving,
// or the programs being measured would stall on their DDE transactions.
#pragma once

#include <functional>

namespace veskor::bench {

// Handles every message waiting for this thread.
void PumpPending();

// Pumps and tests the condition until it holds (true) or the deadline passes (false). Between two
// tests it waits up to pollMs for a message; 0 polls without pause.
bool PumpUntil(const std::function<bool()>& condition, double timeoutMs, double pollMs);

// Pumps for the whole period, for measurements that span a fixed stretch of time.
void PumpFor(double periodMs);

// Pumps until the event is set (true) or the timeout passes (false).
bool PumpUntilSignalled(void* event, double timeoutMs);

} // namespace veskor::bench
