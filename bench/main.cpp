// veskor_bench: measures veskor.exe beside its floors and prints one table. The bench is the DDE
// host itself, so every figure runs from the moment the host publishes, in this process.
#include "dde_host.h"
#include "measurements.h"
#include "program.h"
#include "pump.h"
#include "report.h"
#include "scheduler_clock.h"
#include "session.h"
#include "statistics.h"

#include <cstdio>
#include <initializer_list>

namespace veskor::bench {
namespace {

constexpr int kStartUpRuns = 15;
constexpr int kLatencyUpdates = 1000;
constexpr int kBurstValues = 10000;
constexpr double kIdleMs = 10000;
constexpr double kStartTimeoutMs = 30000;
constexpr double kCloseTimeoutMs = 10000;

// Targets.
constexpr double kStartUpRatio = 1.5;
constexpr double kLatencyP99Ms = 5;
constexpr double kBurstRatio = 1.25;
constexpr double kIdleProcessorMs = 10;

// The host's values while nothing is being measured: a frequency with two decimals, an azimuth,
// and a command text that is no command word.
constexpr const char* kStartFrequency = "14074.00";
constexpr const char* kStartAzimuth = "275";
constexpr const char* kStartCommand = "CQ";

// Size in bytes of a file, or 0 when it cannot be read.
std::size_t FileSize(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA attributes;
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &attributes)) {
        return 0;
    }
    return (static_cast<std::size_t>(attributes.nFileSizeHigh) << 32) | attributes.nFileSizeLow;
}

void PrintMachine() {
    using WineVersion = const char*(__cdecl*)();
    const auto wineVersion = reinterpret_cast<WineVersion>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version")));
    SYSTEM_INFO system;
    GetSystemInfo(&system);
    std::printf("Veskor bench: %s, %lu processors\n",
                wineVersion ? (std::string("Wine ") + wineVersion()).c_str() : "Windows",
                system.dwNumberOfProcessors);
    std::fflush(stdout);
}

long long Growth(const MemoryFigures& before, const MemoryFigures& after) {
    return static_cast<long long>(after.workingSet) - static_cast<long long>(before.workingSet);
}

std::string WorkingSets(std::initializer_list<MemoryFigures> figures) {
    std::string text;
    for (const MemoryFigures& figure : figures) {
        text += (text.empty() ? "" : ", ") + Mebibytes(figure.workingSet);
    }
    return text;
}

void PrintSeries(const char* title, const std::vector<double>& values) {
    std::printf("%s", title);
    for (double value : values) {
        std::printf(" %.0f", value);
    }
    std::printf("\n");
}

void Fail(const char* what) {
    std::printf("bench failed: %s\n", what);
    std::fflush(stdout);
}

void Progress(const char* what) {
    std::fprintf(stderr, "bench: %s\n", what);
    std::fflush(stderr);
}

int Run() {
    PrintMachine();
    DdeHost host;
    if (!host.Started()) {
        Fail("the bench could not register its DDE service");
        return 1;
    }
    host.Publish(HostItem::Frequency, kStartFrequency);
    host.Publish(HostItem::Azimuth, kStartAzimuth);
    host.Publish(HostItem::Command, kStartCommand);
    std::vector<ReportRow> rows;

    Progress("start-up");
    const StartUpFigures startUp = MeasureStartUp(host, kStartUpRuns);
    if (!startUp.complete) {
        Fail("veskor.exe or the minimal window did not start");
        return 1;
    }
    const double startUpVeskor = Median(startUp.veskorMs);
    const double startUpFloor = Median(startUp.minimalMs);
    rows.push_back({"Start-up, median of " + std::to_string(kStartUpRuns),
                    Milliseconds(startUpVeskor), Milliseconds(startUpFloor) + " (minimal window)",
                    Ratio(startUpVeskor, startUpFloor), "<= 1.5x floor",
                    Verdict(startUpVeskor <= kStartUpRatio * startUpFloor)});

    // The floors first, with no Veskor linked to share the host's updates.
    Progress("bare client: latency and bursts");
    const std::vector<double> bareLatency = MeasureBareLatency(host, kLatencyUpdates);
    const std::vector<std::string> rising = BurstValues(kBurstValues, true);
    const std::vector<std::string> falling = BurstValues(kBurstValues, false);
    const BareBurstFigures bare = MeasureBareBursts(host, rising, falling);
    if (bareLatency.empty() || bare.elapsedMs.size() != 2) {
        Fail("the bare DDEML client did not receive the host's updates");
        return 1;
    }

    // A minimal window alongside Veskor, for the footprint floors of the same moment.
    Program minimal;
    HWND minimalWindow = nullptr;
    if (!minimal.Start(L"minimal_window.exe") ||
        !PumpUntil([&] { return (minimalWindow = minimal.VisibleWindow(L"Minimal window")); },
                   DeadlineAfter(kStartTimeoutMs), 1)) {
        Fail("the minimal window did not start");
        return 1;
    }
    host.Publish(HostItem::Frequency, kStartFrequency);
    VeskorSession session(host);
    if (!session.Start(kStartTimeoutMs) || !session.TickAutoBoxes(kCloseTimeoutMs)) {
        Fail("veskor.exe did not start, or its auto boxes could not be ticked");
        return 1;
    }
    const MemoryFigures veskorAtStart = session.Process().Memory();

    Progress("update latency");
    const std::vector<double> latency = MeasureLatency(session, kLatencyUpdates);
    if (latency.empty()) {
        Fail("an update was not shown by Veskor");
        return 1;
    }
    const double p50 = Percentile(latency, 0.50);
    const double p99 = Percentile(latency, 0.99);
    const double bareP50 = Percentile(bareLatency, 0.50);
    const double bareP99 = Percentile(bareLatency, 0.99);
    rows.push_back({"Update latency p50 (1,000 updates)", Milliseconds(p50),
                    Milliseconds(bareP50) + " (bare client)", Ratio(p50, bareP50), "", ""});
    rows.push_back({"Update latency p99 (1,000 updates)", Milliseconds(p99),
                    Milliseconds(bareP99) + " (bare client)", Ratio(p99, bareP99), "< 5 ms",
                    Verdict(p99 < kLatencyP99Ms)});

    Progress("bursts");
    const BurstFigures first = MeasureBurst(session, rising);
    const BurstFigures second = MeasureBurst(session, falling);
    rows.push_back(
        {"Burst of 10,000 (rising), until last value and ticks shown",
         Milliseconds(first.elapsedMs), Milliseconds(bare.elapsedMs[0]) + " (bare client)",
         Ratio(first.elapsedMs, bare.elapsedMs[0]), "<= 1.25x floor",
         Verdict(first.finalStateRight && first.elapsedMs <= kBurstRatio * bare.elapsedMs[0])});
    rows.push_back({"Second burst of 10,000 (falling)", Milliseconds(second.elapsedMs),
                    Milliseconds(bare.elapsedMs[1]) + " (bare client)",
                    Ratio(second.elapsedMs, bare.elapsedMs[1]), "", ""});
    const bool nothingLost = first.finalStateRight && second.finalStateRight;
    rows.push_back(
        {"Nothing lost: final state after each burst",
         nothingLost ? "last value, ticks, bearing right" : "WRONG",
         std::to_string(bare.received) + " of " + std::to_string(2 * kBurstValues) + " received",
         "", "state of last value", Verdict(nothingLost)});
    const long long growth = Growth(first.memoryAfter, second.memoryAfter);
    rows.push_back({"Working set: start, after burst 1, after burst 2",
                    WorkingSets({veskorAtStart, first.memoryAfter, second.memoryAfter}),
                    WorkingSets({bare.memoryAtStart, bare.memoryAfter[0], bare.memoryAfter[1]}) +
                        " (bare client)",
                    "", "", ""});
    rows.push_back(
        {"Working-set growth, burst 1 to burst 2", SignedKibibytes(growth),
         SignedKibibytes(Growth(bare.memoryAfter[0], bare.memoryAfter[1])) + " (bare client)", "",
         "no growth", Verdict(growth <= 0)});

    Progress("idle processor time");
    SchedulerClock veskorClock;
    SchedulerClock minimalClock;
    const bool schedulerSeen =
        veskorClock.Find("veskor.exe") && minimalClock.Find("minimal_window.exe");
    const double veskorTicksBefore = session.Process().ProcessorMs();
    const double minimalTicksBefore = minimal.ProcessorMs();
    const double veskorBefore = veskorClock.ProcessorMs();
    const double minimalBefore = minimalClock.ProcessorMs();
    PumpUntil([] { return false; }, DeadlineAfter(kIdleMs), 1000);
    const double veskorAfter = veskorClock.ProcessorMs();
    const double minimalAfter = minimalClock.ProcessorMs();
    const double veskorIdle = veskorAfter - veskorBefore;
    const double minimalIdle = minimalAfter - minimalBefore;
    const double veskorTicks = session.Process().ProcessorMs() - veskorTicksBefore;
    const double minimalTicks = minimal.ProcessorMs() - minimalTicksBefore;
    rows.push_back({"Processor time in 10 idle seconds (GetProcessTimes)",
                    Milliseconds(veskorTicks), Milliseconds(minimalTicks) + " (minimal window)", "",
                    "< 10 ms", schedulerSeen ? "" : Verdict(veskorTicks < kIdleProcessorMs)});
    if (schedulerSeen) {
        rows.push_back({"Processor time in 10 idle seconds (Linux scheduler)",
                        Milliseconds(veskorIdle), Milliseconds(minimalIdle) + " (minimal window)",
                        "", "< 10 ms", Verdict(veskorIdle < kIdleProcessorMs)});
    }

    const MemoryFigures veskorMemory = session.Process().Memory();
    const MemoryFigures minimalMemory = minimal.Memory();
    rows.push_back({"Peak working set after the bursts", Mebibytes(veskorMemory.peakWorkingSet),
                    Mebibytes(minimalMemory.peakWorkingSet) + " (minimal window)",
                    Ratio(static_cast<double>(veskorMemory.peakWorkingSet),
                          static_cast<double>(minimalMemory.peakWorkingSet)),
                    "", ""});
    const size_t veskorSize = FileSize(ProgramBeside(L"veskor.exe"));
    const size_t minimalSize = FileSize(ProgramBeside(L"minimal_window.exe"));
    rows.push_back({"Size of the executable", Kibibytes(veskorSize),
                    Kibibytes(minimalSize) + " (minimal window)",
                    Ratio(static_cast<double>(veskorSize), static_cast<double>(minimalSize)), "",
                    ""});

    const bool closed = session.Close(kCloseTimeoutMs);
    minimal.CloseAndWait(minimalWindow, DeadlineAfter(kCloseTimeoutMs));

    std::printf("\n");
    PrintTable(rows);
    PrintSeries("Start-up runs (ms), Veskor:", startUp.veskorMs);
    PrintSeries("Start-up runs (ms), minimal window:", startUp.minimalMs);
    std::printf("Latency max (ms): Veskor %.3f, bare client %.3f\n", Percentile(latency, 1.0),
                Percentile(bareLatency, 1.0));
    if (schedulerSeen) {
        std::printf("Scheduler, processor time since start (ms): veskor.exe (%s) %.3f, "
                    "minimal_window.exe (%s) %.3f\n",
                    veskorClock.Folder().c_str(), veskorAfter, minimalClock.Folder().c_str(),
                    minimalAfter);
    }
    if (!closed) {
        Fail("veskor.exe did not end with status 0 when its window was closed");
        return 1;
    }
    return nothingLost ? 0 : 1;
}

} // namespace
} // namespace veskor::bench

int main() {
    return veskor::bench::Run();
}
