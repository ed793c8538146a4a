// The bench's measurements, each beside its floor. Every function leaves no process behind.
#pragma once

#include "dde_host.h"
#include "program.h"

#include <cstddef>
#include <string>
#include <vector>

namespace veskor::bench {

// The harness shared with the Windows tests: programs, windows, pumping and the DDE host.
using namespace veskor::test;

class VeskorSession;

// Process start until the window is visible: veskor.exe (with the host's three values shown)
// against the minimal window program, alternating, after one unmeasured run of each.
struct StartUpFigures {
    std::vector<double> veskorMs;
    std::vector<double> minimalMs;
    bool complete = false;
};
StartUpFigures MeasureStartUp(DdeHost& host, int runs);

// One new frequency at a time, from the host publishing it until it is shown in Veskor's
// frequency box and indicators; one figure in milliseconds per update, none when one failed.
std::vector<double> MeasureLatency(VeskorSession& session, int updates);
// The same, until the bare DDEML client has received it. No Veskor may be linked meanwhile.
std::vector<double> MeasureBareLatency(DdeHost& host, int updates);

// The frequencies of one burst: distinct values sweeping across every band, rising or falling.
std::vector<std::string> BurstValues(int count, bool rising);

// A burst published as fast as the host can, until the last value and its ticks are shown.
struct BurstFigures {
    double elapsedMs = 0;
    bool finalStateRight = false; // the window shows what the last value gives
    MemoryFigures memoryAfter;
};
BurstFigures MeasureBurst(VeskorSession& session, const std::vector<std::string>& values);

// The same two bursts to the bare client, each until it has received its last value. No Veskor
// may be linked meanwhile.
struct BareBurstFigures {
    std::vector<double> elapsedMs; // one figure per burst, none when a burst did not arrive
    MemoryFigures memoryAtStart;
    std::vector<MemoryFigures> memoryAfter;
    int received = 0; // values the client copied out; all of them when nothing was lost
};
BareBurstFigures MeasureBareBursts(DdeHost& host, const std::vector<std::string>& first,
                                   const std::vector<std::string>& second);

} // namespace veskor::bench
