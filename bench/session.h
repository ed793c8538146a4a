// One running veskor.exe under measurement, linked to the bench's host. Beside it the bench keeps
// a StationPanel fed with the same values, so it knows what the window must show after each one.
#pragma once

#include "dde_host.h"
#include "program.h"
#include "station_panel.h"
#include "window.h"

#include <string>

namespace veskor::bench {

using namespace veskor::test;

class VeskorSession {
public:
    explicit VeskorSession(DdeHost& host);

    // Starts veskor.exe and waits until its window shows the host's three values.
    bool Start(double timeoutMs);
    // Ticks "Auto switch" and "Auto rotate" by clicking them, as the operator would.
    bool TickAutoBoxes(double timeoutMs);

    // The host publishes a new frequency or azimuth; the expected state follows at once.
    void Publish(HostItem item, const std::string& value);

    // Whether the window shows the expected frequency text and indicators, and the bearing.
    bool ShowsExpected() const;
    bool WaitShowsExpected(double timeoutMs, double pollMs) const;
    // The moment (NowMs) the window was first seen showing the expected state, or -1 at the
    // deadline. Only the frequency box is watched until it shows the expected text; the rest is
    // then checked once, untimed. A window shows all of one update or none of it, since each
    // update is handled whole before the next message is taken; the full check confirms it.
    double WhenShowsExpected(double timeoutMs, double pollMs) const;

    Program& Process() { return process_; }
    const AppWindow& Window() const { return window_; }
    const StationPanel& Expected() const { return expected_; }

    // Closes the window; true when the program ended by itself with status 0.
    bool Close(double timeoutMs);

private:
    bool ShowsHostValues() const;

    DdeHost& host_;
    Program process_;
    AppWindow window_;
    StationPanel expected_;
};

} // namespace veskor::bench
