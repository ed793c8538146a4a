// The full-speed burst that the burst tests publish, whichever host plays MixW: 10,000
// frequencies across every band, posted as fast as the host takes them, the host handling its
// messages every 50 posts. The last one, 28397.34, lies in 10 m.
#pragma once

#include "dde_host.h"
#include "pump.h"

#include <cstdio>

namespace veskor::test {

// Host: the DDEML host (DdeHost) or the message host (MessageHost). `after` is told how many
// values have been posted after each one.
template <typename Host, typename After = void (*)(int)>
void PublishFrequencyBurst(
    Host& host, After after = [](int) {}) {
    char text[32];
    for (int i = 0; i < 10000; ++i) {
        std::snprintf(text, sizeof text, "%.2f", 1800.00 + i * 2.66);
        host.Publish(HostItem::Frequency, text);
        after(i + 1);
        if (i % 50 == 49) {
            PumpPending();
        }
    }
}

} // namespace veskor::test
