// What the bench measures with: veskor.exe, the floor client and the bare receiver under the
// bench's own host, the values the host publishes, and the clocks read from outside. Times are in
// milliseconds.
#pragma once

#include "dde_host.h"
#include "program.h"
#include "receiver.h"
#include "station_panel.h"
#include "window.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace veskor::bench {

using test::BareReceiver;
using test::MemoryFigures;
using test::Program;

// The moment (NowMs) the program was seen holding the last value published, or -1 at the
// deadline.
using Await = std::function<double(double timeoutMs)>;

// Publishes frequencies one after the other, pumping between them as a host's event loop does
// (paced) or as fast as DdePostAdvise returns (not paced); the time from the first until the
// program holds the last, or -1. `posted`, when given, gets the time from the first until the
// host's last post returned: no program can hold the last value sooner.
double TimeBurst(DdeHost& host, const std::vector<std::string>& values, bool paced,
                 const Await& await, double timeoutMs, double* posted = nullptr);

// Distinct frequencies rising across every band.
std::vector<std::string> SweepValues(int count);
// Distinct frequencies one band after the other, so that each value moves the ticks; the last
// 28500.00.
std::vector<std::string> BandValues(int count);

// The moment (NowMs) a window of Veskor's controls (Veskor's, the showing floor's) was seen
// holding this short text in its frequency box, polled once a millisecond; -1 at the deadline.
double ShowsFrequency(const test::AppWindow& window, const std::string& text,
                      test::Deadline deadline);

// veskor.exe linked to the host, and a StationPanel fed the same values, which tells what the
// window must show. Host: the bench's DDEML host (DdeHost) or the test kit's message host.
class Veskor {
public:
    template <typename Host>
    explicit Veskor(Host& host) : hostValue_([&host](HostItem item) { return host.Value(item); }) {}
    // Starts it and waits until its window shows the host's three values.
    bool Start();
    // Ticks "Auto switch" and "Auto rotate" by clicking them, as the operator would.
    bool TickAutoBoxes();
    // Feeds the values to the expected panel; Await then waits for the window to show the last,
    // polling once a millisecond.
    Await Shows(const std::vector<std::string>& values);
    Program& Process() { return process_; }
    // Closes the window; true when it ended by itself with status 0.
    bool Close();

private:
    bool ShowsExpected() const;

    std::function<std::string(HostItem)> hostValue_;
    Program process_;
    test::AppWindow window_;
    StationPanel expected_;
};

// A floor of start-up: it opens the three links, then shows its window. The floor client shows
// one plain window; the controls floor Veskor's nineteen controls under Veskor's manifest.
class StartUpFloor {
public:
    StartUpFloor(const wchar_t* program, const wchar_t* caption)
        : program_(program), caption_(caption) {}
    // Starts it and waits until its window shows.
    bool Start();
    // Closes it; true when it ended by itself.
    bool Close();

private:
    const wchar_t* program_;
    const wchar_t* caption_;
    Program process_;
    HWND window_ = nullptr;
};

// The Linux scheduler's processor time of a program of this Wine session, summed over its
// threads, to the nanosecond; -1 where there is no such view (on Windows) or no single such
// process. GetProcessTimes under Wine counts whole 10 ms ticks: too coarse for an idle program.
double SchedulerMs(const std::string& programFileName);

} // namespace veskor::bench
