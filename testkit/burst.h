// The full-speed burst that the burst tests publish, whichever host plays MixW: 10,000
// frequencies across every band, posted as fast as the host takes them, the host handling its
// messages every 50 posts. The last one, 28397.34, lies in 10 m.
#pragma once

#include "dde_host.h"
#include "pump.h"

#include <cstdio>

namespace veskor::test {

// Host: the DDEML host (DdeHost) or the message host (MessageHost).
template <typename Host> void PublishFrequencyBurst(Host& host) {
    char text[32];
    for (int i = 0; i < 10000; ++i) {
        std::snprintf(text, sizeof text, "%.2f", 1800.00 + i * 2.66);
        host.Publish(HostItem::Frequency, text);
        if (i % 50 == 49) {
            PumpPending();
        }
    }
}

} // namespace veskor::test
