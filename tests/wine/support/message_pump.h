// The harness's waits (pump.h) under the names the Windows tests use: PollUntil checks a
// condition in another process every few milliseconds.
#pragma once

#include "pump.h"

namespace veskor::test {

inline bool PollUntil(const std::function<bool()>& done, Deadline deadline) {
    return PumpUntil(done, deadline, 10);
}

} // namespace veskor::test
