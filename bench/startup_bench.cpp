// Start-up: from process start until a visible window, for Veskor and for the floor program.
#include "measurements.h"
#include "pump.h"
#include "session.h"

namespace veskor::bench {
namespace {

constexpr double kStartTimeoutMs = 30000;
constexpr double kCloseTimeoutMs = 10000;
constexpr double kPollMs = 1;

// Both programs are timed the same way: the clock starts before CreateProcess and stops at the
// first poll that sees the finished window.
double TimeVeskor(DdeHost& host) {
    VeskorSession session(host);
    const double start = NowMs();
    if (!session.Start(kStartTimeoutMs)) {
        return -1;
    }
    const double elapsed = NowMs() - start;
    return session.Close(kCloseTimeoutMs) ? elapsed : -1;
}

double TimeMinimalWindow() {
    Program process;
    const double start = NowMs();
    if (!process.Start(L"minimal_window.exe")) {
        return -1;
    }
    HWND window = nullptr;
    if (!PumpUntil([&] { return (window = process.VisibleWindow(L"Minimal window")) != nullptr; },
                   DeadlineAfter(kStartTimeoutMs), kPollMs)) {
        return -1;
    }
    const double elapsed = NowMs() - start;
    return process.CloseAndWait(window, DeadlineAfter(kCloseTimeoutMs)) == 0 ? elapsed : -1;
}

} // namespace

StartUpFigures MeasureStartUp(DdeHost& host, int runs) {
    StartUpFigures figures;
    // The first start of each program fills the file cache; it is not counted.
    if (TimeMinimalWindow() < 0 || TimeVeskor(host) < 0) {
        return figures;
    }
    for (int run = 0; run < runs; ++run) {
        const double minimal = TimeMinimalWindow();
        const double veskor = TimeVeskor(host);
        if (minimal < 0 || veskor < 0) {
            return figures;
        }
        figures.minimalMs.push_back(minimal);
        figures.veskorMs.push_back(veskor);
    }
    figures.complete = true;
    return figures;
}

} // namespace veskor::bench
