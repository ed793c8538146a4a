// veskor_bench: measures veskor.exe beside its floors, all linked to the bench's own DDE host, and
// prints two tables, on a fresh host and on one whose earlier client vanished: each figure beside
// its floor and its target. The floors of start-up are the controls floor and the floor client,
// which show a window; the floors of update latency the bare receiver, which only takes each
// value, and the showing floor, which shows it; the floor of everything else is the bare receiver.
#include "measure.h"
#include "soak.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace veskor::bench {
namespace {

constexpr int kStartUpRuns = 9;
constexpr int kLatencyUpdates = 1000;
constexpr int kBurstValues = 10000;
constexpr double kIdleMs = 10000;
constexpr double kUpdateMs = 10000;
constexpr double kBurstMs = 60000;
// A bare receiver on a used host loses values: how long it is given after a burst.
constexpr double kUsedHostFloorMs = 10000;
constexpr double kCloseMs = 10000;
const std::string kAfter = "3700.00"; // 80 m, in neither burst
const char* const kUsedHostArgument = "--used-host";
// Under Wine a process posts no data after about its 65,535th hot-link value, so each host runs
// in a process of its own and stays below. On the fresh host Veskor and the bare receiver each
// get the latency updates, a paced burst, a full-speed burst and one value after it, and the
// showing floor the latency updates twice; on the used
// host the vanishing receiver a full-speed burst, Veskor and the bare receiver one each and one
// value after it.
constexpr int kPublishedOnFreshHost = 4 * kLatencyUpdates + 2 * (2 * kBurstValues + 1);
constexpr int kPublishedOnUsedHost = 3 * kBurstValues + 2;
static_assert(kPublishedOnFreshHost < 65535 && kPublishedOnUsedHost < 65535);

const std::string kFloorClient = "floor client (a plain window)";
const std::string kControlsFloor = "controls floor";
const std::string kBareReceiver = "bare receiver";
const std::string kShowingFloor = "showing floor (sets the box and the ticks)";
const std::string kFreshReceiver = "bare receiver, fresh host";

// Targets.
constexpr double kStartUpRatio = 1.25;
constexpr double kLatencyRatio = 1.25; // p50 against the showing floor
constexpr double kBurstRatio = 1.25;
constexpr double kLatencyP99Ms = 5;
constexpr double kIdleProcessorMs = 10;

struct Row {
    std::string measure, veskor, floor, floorProgram, ratio, target, result;
};
std::vector<Row> rows;

std::string Format(const char* format, double value) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}
std::string Ms(double value) {
    return value < 0    ? "not shown"
           : value < 10 ? Format("%.3f ms", value)
                        : Format(value < 1000 ? "%.1f ms" : "%.0f ms", value);
}
std::string MiB(std::size_t bytes) {
    return Format("%.1f MiB", static_cast<double>(bytes) / (1 << 20));
}
std::string Verdict(bool met) {
    return met ? "met" : "missed";
}

// A figure beside its floor's, with its ratio, and the target ratio when there is one.
void Compare(const std::string& measure, double veskor, double floor,
             const std::string& floorProgram, double target = 0) {
    const bool timed = veskor >= 0 && floor > 0;
    rows.push_back({measure, Ms(veskor), Ms(floor), floorProgram,
                    timed ? Format("%.2fx", veskor / floor) : "-",
                    target > 0 ? Format("<= %.2fx floor", target) : "",
                    target > 0 ? Verdict(timed && veskor <= target * floor) : ""});
}

void PrintTable(const char* title) {
    constexpr std::size_t kColumns = 7;
    std::printf("\n%s\n\n", title);
    rows.insert(rows.begin(),
                {"Measure", "Veskor", "Floor", "Floor program", "Ratio", "Target", "Result"});
    std::size_t widths[kColumns] = {};
    auto fields = [](const Row& row) {
        return std::array{&row.measure, &row.veskor, &row.floor, &row.floorProgram,
                          &row.ratio,   &row.target, &row.result};
    };
    for (const Row& row : rows) {
        for (std::size_t column = 0; column < kColumns; ++column) {
            widths[column] = std::max(widths[column], fields(row)[column]->size());
        }
    }
    for (std::size_t line = 0; line < rows.size(); ++line) {
        for (std::size_t column = 0; column < kColumns; ++column) {
            std::printf("| %-*s ", static_cast<int>(widths[column]),
                        fields(rows[line])[column]->c_str());
        }
        std::printf("|\n");
        for (std::size_t column = 0; line == 0 && column < kColumns; ++column) {
            std::printf("|%s%s", std::string(widths[column] + 2, '-').c_str(),
                        column + 1 == kColumns ? "|\n" : "");
        }
    }
    rows.clear();
}

// The nearest-rank percentile: the smallest value with at least this fraction at or below it.
double Percentile(std::vector<double> values, double fraction) {
    if (values.empty()) {
        return -1;
    }
    std::sort(values.begin(), values.end());
    const double rank = std::ceil(fraction * static_cast<double>(values.size()));
    return values[static_cast<std::size_t>(std::clamp(rank, 1.0, 1.0 * values.size())) - 1];
}

void PrintSeries(const char* title, const std::vector<double>& values) {
    std::printf("%s", title);
    for (double value : values) {
        std::printf(" %.0f", value);
    }
    std::printf("\n");
}

int Fail(const char* what) {
    std::printf("bench failed: %s\n", what);
    return 1;
}

void Progress(const char* what) {
    std::fprintf(stderr, "bench: %s\n", what);
}

// One update at a time, each a burst of one value, until it is held.
std::vector<double> Latency(DdeHost& host, const std::function<Await(const std::string&)>& held) {
    std::vector<double> figures;
    for (int index = 0; index < kLatencyUpdates; ++index) {
        // Between the 20 m beam band and 40 m, so that both the box and the ticks change.
        const std::string value = Format(
            "%.2f", (index % 2 ? 7000 + index % 300 : 14000 + index % 500) + 0.01 * (index % 100));
        const double figure = TimeBurst(host, {value}, true, held(value), kUpdateMs);
        if (figure < 0) {
            return {};
        }
        figures.push_back(figure);
    }
    return figures;
}

Await Reported(BareReceiver& receiver) {
    return [&receiver](double timeoutMs) {
        return receiver.AwaitReport(test::DeadlineAfter(timeoutMs)) ? test::NowMs() : -1;
    };
}

std::string MemoryRow(const MemoryFigures (&figures)[3]) {
    return MiB(figures[0].workingSet) + ", " + MiB(figures[1].workingSet) + ", " +
           MiB(figures[2].workingSet);
}

// Start-up times of Veskor and its two floors, alternating, after one unmeasured start of each.
struct StartUps {
    std::vector<double> veskor, controlsFloor, floorClient;
};

// The time from before CreateProcess until the program's window shows, or -1 when it did not
// start and close.
template <typename Program> double TimeStart(Program& program) {
    const double start = test::NowMs();
    const bool started = program.Start();
    const double ms = test::NowMs() - start;
    return started && program.Close() ? ms : -1;
}

bool MeasureStartUps(DdeHost& host, StartUps& starts) {
    Progress("start-up");
    for (int run = -1; run < kStartUpRuns; ++run) {
        StartUpFloor controls(L"controls_floor.exe", L"Controls floor");
        StartUpFloor plain(L"floor_client.exe", L"Floor client");
        Veskor veskor(host);
        const double figures[3] = {TimeStart(controls), TimeStart(plain), TimeStart(veskor)};
        if (std::ranges::any_of(figures, [](double figure) { return figure < 0; })) {
            return false;
        }
        if (run >= 0) { // the first start of each fills the file cache
            starts.controlsFloor.push_back(figures[0]);
            starts.floorClient.push_back(figures[1]);
            starts.veskor.push_back(figures[2]);
        }
    }
    const std::string median = "Start-up, median of " + std::to_string(kStartUpRuns);
    Compare(median, Percentile(starts.veskor, 0.5), Percentile(starts.controlsFloor, 0.5),
            kControlsFloor, kStartUpRatio);
    Compare(median + ", against a plain window", Percentile(starts.veskor, 0.5),
            Percentile(starts.floorClient, 0.5), kFloorClient);
    return true;
}

// What the bare receiver and the showing floor give on the fresh host, measured while no Veskor
// is linked.
struct FloorFigures {
    std::vector<double> latency, bursts; // paced, full speed, the value after
    std::vector<double> showingLatency, showingReadLatency;
    MemoryFigures memory[3];
    int received = 0;
};

bool MeasureBareReceiver(DdeHost& host, const std::vector<std::string>& paced,
                         const std::vector<std::string>& bands, FloorFigures& floor) {
    Progress("bare receiver: latency and bursts");
    BareReceiver each;
    if (!each.Start()) {
        return false;
    }
    floor.latency = Latency(host, [&](const std::string&) { return Reported(each); });
    BareReceiver bursts;
    if (each.Quit(test::DeadlineAfter(kCloseMs)) != kLatencyUpdates ||
        !bursts.Start({paced.back(), bands.back(), kAfter})) {
        return false;
    }
    floor.memory[0] = bursts.Process().Memory();
    floor.bursts.push_back(TimeBurst(host, paced, true, Reported(bursts), kBurstMs));
    floor.memory[1] = bursts.Process().Memory();
    floor.bursts.push_back(TimeBurst(host, bands, false, Reported(bursts), kBurstMs));
    floor.memory[2] = bursts.Process().Memory();
    floor.bursts.push_back(TimeBurst(host, {kAfter}, true, Reported(bursts), kUpdateMs));
    floor.received = bursts.Quit(test::DeadlineAfter(kCloseMs));
    return true;
}

// The showing floor's latency: the same updates, each until the floor reports that it has set
// the box and the ticks; then again, each until its box is seen holding the value, read from
// outside as Veskor's is.
bool MeasureShowingFloor(DdeHost& host, FloorFigures& floor) {
    Progress("showing floor: latency");
    BareReceiver showing;
    if (!showing.Start({}, false, L"showing_floor.exe")) {
        return false;
    }
    floor.showingLatency = Latency(host, [&](const std::string&) { return Reported(showing); });
    const test::AppWindow window(showing.Process().VisibleWindow(L"Showing floor"));
    floor.showingReadLatency = Latency(host, [&](const std::string& value) -> Await {
        return [&window, value](double timeoutMs) {
            return ShowsFrequency(window, value, test::DeadlineAfter(timeoutMs));
        };
    });
    return showing.Quit(test::DeadlineAfter(kCloseMs)) == 0 && !floor.showingLatency.empty() &&
           !floor.showingReadLatency.empty();
}

// Veskor's p50 and p99 beside both floors: what any program pays to take a value, and what any
// program pays to show it.
void CompareLatency(const std::vector<double>& latency, const FloorFigures& floor) {
    const double p99 = Percentile(latency, 0.99);
    Compare("Update latency p50 (1,000 updates)", Percentile(latency, 0.5),
            Percentile(floor.latency, 0.5), kBareReceiver);
    Compare("Update latency p50, against a program that shows the value", Percentile(latency, 0.5),
            Percentile(floor.showingLatency, 0.5), kShowingFloor, kLatencyRatio);
    Compare("Update latency p99", p99, Percentile(floor.latency, 0.99), kBareReceiver);
    rows.back().target = "< 5 ms";
    rows.back().result = Verdict(p99 >= 0 && p99 < kLatencyP99Ms);
    Compare("Update latency p99, against a program that shows the value", p99,
            Percentile(floor.showingLatency, 0.99), kShowingFloor);
    // The same floor read as Veskor is read: what is left is Veskor's own.
    Compare("Update latency p50, against a program that shows the value, its box read as "
            "Veskor's",
            Percentile(latency, 0.5), Percentile(floor.showingReadLatency, 0.5), kShowingFloor);
    Compare("Update latency p99, against a program that shows the value, its box read as "
            "Veskor's",
            p99, Percentile(floor.showingReadLatency, 0.99), kShowingFloor);
}

// Veskor's latency and both bursts, each beside the bare receiver's.
void MeasureVeskorBursts(DdeHost& host, Veskor& veskor, const std::vector<std::string>& paced,
                         const std::vector<std::string>& bands, const FloorFigures& floor) {
    MemoryFigures memory[3] = {veskor.Process().Memory()};
    const std::vector<double> latency =
        Latency(host, [&](const std::string& value) { return veskor.Shows({value}); });
    CompareLatency(latency, floor);
    const double pacedMs = TimeBurst(host, paced, true, veskor.Shows(paced), kBurstMs);
    memory[1] = veskor.Process().Memory();
    const double fullMs = TimeBurst(host, bands, false, veskor.Shows(bands), kBurstMs);
    memory[2] = veskor.Process().Memory();
    const double aliveMs = TimeBurst(host, {kAfter}, true, veskor.Shows({kAfter}), kUpdateMs);
    Compare("Paced burst of 10,000 (the host pumps between posts), until the last value and its "
            "ticks show",
            pacedMs, floor.bursts[0], kBareReceiver, kBurstRatio);
    Compare("Full-speed burst of 10,000 (no pumping), until the last value and its ticks show",
            fullMs, floor.bursts[1], kBareReceiver, kBurstRatio);
    Compare("Then one more value, until it shows: the link is alive", aliveMs, floor.bursts[2],
            kBareReceiver);
    rows.back().floor += " (" + std::to_string(floor.received) + " of " +
                         std::to_string(2 * kBurstValues + 1) + " values received)";
    rows.back().target = "shown";
    rows.back().result = Verdict(aliveMs >= 0);
    const bool held = pacedMs >= 0 && fullMs >= 0;
    rows.push_back({"Nothing lost: state after each burst",
                    held ? "last value, ticks, bearing" : "WRONG", "", "", "",
                    "state of last value", Verdict(held)});
    rows.push_back({"Working set: start, after the paced burst, after the full-speed burst",
                    MemoryRow(memory), MemoryRow(floor.memory), kBareReceiver, "", "no growth",
                    Verdict(memory[2].workingSet <= memory[1].workingSet)});
}

// Idle processor time beside a fresh bare receiver's, then peak memory and sizes.
bool MeasureIdle(Veskor& veskor) {
    Progress("idle processor time");
    BareReceiver idle;
    if (!idle.Start()) {
        return false;
    }
    const double ticks[2] = {veskor.Process().ProcessorMs(), idle.Process().ProcessorMs()};
    const double scheduler[2] = {SchedulerMs("veskor.exe"), SchedulerMs("bare_receiver.exe")};
    // A measured span, not a deadline: it never stretches with the tests' time scale.
    const auto idleEnd = test::Clock::now() + std::chrono::milliseconds(long(kIdleMs));
    test::PumpUntil([] { return false; }, idleEnd, 1000);
    const double idleScheduler = SchedulerMs("veskor.exe") - scheduler[0];
    Compare("Processor time in 10 idle seconds (GetProcessTimes)",
            veskor.Process().ProcessorMs() - ticks[0], idle.Process().ProcessorMs() - ticks[1],
            kBareReceiver);
    Compare("Processor time in 10 idle seconds (Linux scheduler)", idleScheduler,
            SchedulerMs("bare_receiver.exe") - scheduler[1], kBareReceiver);
    rows.back().target = "< 10 ms";
    rows.back().result = Verdict(scheduler[0] >= 0 && idleScheduler < kIdleProcessorMs);
    rows.push_back({"Peak working set after the bursts",
                    MiB(veskor.Process().Memory().peakWorkingSet),
                    MiB(idle.Process().Memory().peakWorkingSet), kBareReceiver, "", "", ""});
    const auto size = [](const wchar_t* program) {
        WIN32_FILE_ATTRIBUTE_DATA file{};
        GetFileAttributesExW(test::ProgramBeside(program).c_str(), GetFileExInfoStandard, &file);
        return Format("%.0f KiB", file.nFileSizeLow / 1024.0);
    };
    rows.push_back({"Size of the executable (unstripped)", size(L"veskor.exe"),
                    size(L"bare_receiver.exe"), kBareReceiver, "", "", ""});
    return idle.Quit(test::DeadlineAfter(kCloseMs)) >= 0;
}

// The host with no history: start-up, latency, both bursts, memory, idle time and size.
int RunOnFreshHost() {
    DdeHost host;
    if (!host.Started()) {
        return Fail("the bench could not register its DDE service");
    }
    // A frequency with two decimals, an azimuth, and a command text that is no command word.
    host.Publish(HostItem::Frequency, "14074.00");
    host.Publish(HostItem::Azimuth, "275");
    host.Publish(HostItem::Command, "CQ");
    StartUps starts;
    if (!MeasureStartUps(host, starts)) {
        return Fail("veskor.exe or a floor did not start and close");
    }
    const auto paced = SweepValues(kBurstValues);
    const auto bands = BandValues(kBurstValues);
    FloorFigures floor;
    if (!MeasureBareReceiver(host, paced, bands, floor)) {
        return Fail("the bare receiver did not receive the host's values");
    }
    if (!MeasureShowingFloor(host, floor)) {
        return Fail("the showing floor did not show the host's values");
    }
    Progress("veskor.exe: latency and bursts");
    Veskor veskor(host);
    host.Publish(HostItem::Frequency, "14074.00");
    if (!veskor.Start() || !veskor.TickAutoBoxes()) {
        return Fail("veskor.exe did not start, or its auto boxes could not be ticked");
    }
    MeasureVeskorBursts(host, veskor, paced, bands, floor);
    const bool idled = MeasureIdle(veskor);
    const bool closed = veskor.Close();
    PrintTable("On a fresh host");
    PrintSeries("Start-up runs (ms), Veskor:", starts.veskor);
    PrintSeries("Start-up runs (ms), controls floor:", starts.controlsFloor);
    PrintSeries("Start-up runs (ms), floor client:", starts.floorClient);
    std::printf("Frequency values published: %d\n", kPublishedOnFreshHost);
    return !idled   ? Fail("the idle bare receiver did not start and end")
           : closed ? 0
                    : Fail("veskor.exe did not end with status 0 when its window was closed");
}

// A bare receiver takes a full-speed burst on the host (its first values published here), then
// vanishes without ending its conversations; the burst's time, or -1 when it did not take it whole.
// `posted`: the host's own time to post it.
double VanishAfterABurst(DdeHost& host, const std::vector<std::string>& bands, double& posted) {
    Progress("a bare receiver that vanishes");
    host.Publish(HostItem::Frequency, "14074.00");
    host.Publish(HostItem::Azimuth, "275");
    BareReceiver vanishing;
    if (!vanishing.Start({bands.back()}, true)) {
        return -1;
    }
    const double ms = TimeBurst(host, bands, false, Reported(vanishing), kBurstMs, &posted);
    return vanishing.Quit(test::DeadlineAfter(kCloseMs)) == kBurstValues ? ms : -1;
}

// The bare receiver on the used host: its full-speed burst and the value after, or -1 for each
// it never got; the values its links delivered.
int BareReceiverOnUsedHost(DdeHost& host, const std::vector<std::string>& bands,
                           double (&figures)[2]) {
    Progress("bare receiver on the used host");
    BareReceiver bare;
    if (!bare.Start({bands.back(), kAfter})) {
        return -1;
    }
    figures[0] = TimeBurst(host, bands, false, Reported(bare), kUsedHostFloorMs);
    figures[1] = TimeBurst(host, {kAfter}, true, Reported(bare), kUpdateMs);
    return bare.Quit(test::DeadlineAfter(kCloseMs));
}

// A host that has served a client which vanished without ending its conversations, as a program
// that crashes or is killed does: the full-speed burst and the value after it.
int RunOnUsedHost() {
    DdeHost host;
    if (!host.Started()) {
        return Fail("the bench could not register its DDE service");
    }
    const auto bands = BandValues(kBurstValues);
    double posted[2] = {-1, -1}; // the host's own time to post the burst: fresh, then used
    const double vanishedMs = VanishAfterABurst(host, bands, posted[0]);
    if (vanishedMs < 0) {
        return Fail("the vanishing receiver lost values on a fresh host");
    }
    Progress("veskor.exe on the used host");
    Veskor veskor(host);
    if (!veskor.Start() || !veskor.TickAutoBoxes()) {
        return Fail("veskor.exe did not start, or its auto boxes could not be ticked");
    }
    const double fullMs = TimeBurst(host, bands, false, veskor.Shows(bands), kBurstMs, &posted[1]);
    const double aliveMs = TimeBurst(host, {kAfter}, true, veskor.Shows({kAfter}), kUpdateMs);
    const bool closed = veskor.Close();
    double floor[2] = {-1, -1};
    const std::string received = " (" + std::to_string(BareReceiverOnUsedHost(host, bands, floor)) +
                                 " of " + std::to_string(kBurstValues + 1) + " values received)";
    Compare("Full-speed burst of 10,000, until the last value and its ticks show", fullMs,
            floor[0] >= 0 ? floor[0] : vanishedMs, floor[0] >= 0 ? kBareReceiver : kFreshReceiver,
            kBurstRatio);
    if (floor[0] < 0) {
        rows.back().floor += "; on this host: last value never received" + received;
    }
    // What the used host adds to its own work, which no receiver can make up.
    Compare("The same burst, against the time this host took to post it", fullMs, posted[1],
            "the host's posting (" + Ms(posted[0]) + " when it was fresh)");
    Compare("Then one more value, until it shows: the link is alive", aliveMs, floor[1],
            kBareReceiver);
    rows.back().target = "shown";
    rows.back().result = Verdict(aliveMs >= 0);
    rows.back().floor += floor[0] >= 0 ? received : "";
    PrintTable("On a host whose earlier client vanished");
    std::printf("Frequency values published: %d\n", kPublishedOnUsedHost);
    return closed ? 0 : Fail("veskor.exe did not end with status 0 when its window was closed");
}

} // namespace
} // namespace veskor::bench

int main(int argc, char** argv) {
    using namespace veskor;
    if (argc > 1 && std::string(argv[1]) == bench::kUsedHostArgument) {
        return bench::RunOnUsedHost();
    }
    // The soak, on its own: veskor_bench --soak [VALUES], a million values unless told.
    if (argc > 1 && std::string(argv[1]) == "--soak") {
        return bench::RunSoak(argc > 2 ? std::atoi(argv[2]) : 1000000);
    }
    const int fresh = bench::RunOnFreshHost();
    // The used host in a process of its own: under Wine a process posts about 65,535 values in
    // its life. This one's host has ended, so the service name is free.
    std::fflush(stdout);
    test::Program used;
    const std::string argument = bench::kUsedHostArgument;
    const int status =
        used.Start(L"veskor_bench.exe", std::wstring(argument.begin(), argument.end()))
            ? used.WaitForExit(test::DeadlineAfter(std::chrono::minutes(10)))
            : bench::Fail("the bench could not start itself for the used host");
    return fresh != 0 ? fresh : status;
}
