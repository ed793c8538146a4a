// veskor_bench: measures veskor.exe beside the floor client, both linked to the bench's own DDE
// host, and prints one table: each figure beside its floor and its target.
#include "measure.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace veskor::bench {
namespace {

constexpr int kStartUpRuns = 15;
constexpr int kLatencyUpdates = 1000;
constexpr int kBurstValues = 10000;
constexpr double kIdleMs = 10000;
constexpr double kUpdateMs = 10000;
constexpr double kBurstMs = 60000;
constexpr double kPollMs = 1;
// Under Wine a DDE host delivers no data after its 65,535th hot-link value: one run stays below.
// Each program gets the latency updates, a paced burst, a full-speed burst and one value after it.
constexpr int kPublished = 2 * (kLatencyUpdates + 2 * kBurstValues + 1);
static_assert(kPublished < 65535);

// Targets.
constexpr double kStartUpRatio = 1.25;
constexpr double kBurstRatio = 1.25;
constexpr double kLatencyP99Ms = 5;
constexpr double kIdleProcessorMs = 10;

struct Row {
    std::string measure, veskor, floor, ratio, target, result;
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

// A figure beside the floor client's, with its ratio, and the target ratio when there is one.
void Compare(const std::string& measure, double veskor, double floor, double target = 0) {
    const bool timed = veskor >= 0 && floor > 0;
    rows.push_back({measure, Ms(veskor), Ms(floor), timed ? Format("%.2fx", veskor / floor) : "-",
                    target > 0 ? Format("<= %.2fx floor", target) : "",
                    target > 0 ? Verdict(timed && veskor <= target * floor) : ""});
}

void PrintTable() {
    rows.insert(rows.begin(), {"Measure", "Veskor", "Floor client", "Ratio", "Target", "Result"});
    std::size_t widths[6] = {};
    auto fields = [](const Row& row) {
        return std::array{&row.measure, &row.veskor, &row.floor,
                          &row.ratio,   &row.target, &row.result};
    };
    for (const Row& row : rows) {
        for (std::size_t column = 0; column < 6; ++column) {
            widths[column] = std::max(widths[column], fields(row)[column]->size());
        }
    }
    for (std::size_t line = 0; line < rows.size(); ++line) {
        for (std::size_t column = 0; column < 6; ++column) {
            std::printf("| %-*s ", static_cast<int>(widths[column]),
                        fields(rows[line])[column]->c_str());
        }
        std::printf("|\n");
        for (std::size_t column = 0; line == 0 && column < 6; ++column) {
            std::printf("|%s%s", std::string(widths[column] + 2, '-').c_str(),
                        column == 5 ? "|\n" : "");
        }
    }
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

int Run() {
    DdeHost host;
    if (!host.Started()) {
        return Fail("the bench could not register its DDE service");
    }
    // A frequency with two decimals, an azimuth, and a command text that is no command word.
    host.Publish(HostItem::Frequency, "14074.00");
    host.Publish(HostItem::Azimuth, "275");
    host.Publish(HostItem::Command, "CQ");

    Progress("start-up");
    std::vector<double> veskorStarts, floorStarts;
    // The first start of each fills the file cache: it is not counted.
    for (int run = -1; run < kStartUpRuns; ++run) {
        double start = test::NowMs();
        FloorClient floor;
        const bool floorStarted = floor.Start();
        const double floorMs = test::NowMs() - start;
        if (!floorStarted || floor.Close() < 0) {
            return Fail("the floor client did not start and close");
        }
        start = test::NowMs();
        Veskor veskor(host);
        const bool veskorStarted = veskor.Start();
        const double veskorMs = test::NowMs() - start;
        if (!veskorStarted || !veskor.Close()) {
            return Fail("veskor.exe did not start and close");
        }
        if (run >= 0) {
            veskorStarts.push_back(veskorMs);
            floorStarts.push_back(floorMs);
        }
    }
    Compare("Start-up, median of " + std::to_string(kStartUpRuns), Percentile(veskorStarts, 0.5),
            Percentile(floorStarts, 0.5), kStartUpRatio);

    // The floor first, with no Veskor linked to share the host's values.
    Progress("floor client: latency and bursts");
    const auto paced = SweepValues(kBurstValues);
    const auto bands = BandValues(kBurstValues);
    const std::vector<std::string> after{"3700.00"}; // 80 m, in neither burst
    std::vector<double> floorLatency, floorBursts;
    MemoryFigures floorMemory[3];
    int floorReceived = 0;
    {
        FloorClient each;
        if (!each.Start()) {
            return Fail("the floor client did not start");
        }
        floorLatency = Latency(host, [&](const std::string&) { return each.Received(); });
        FloorClient bursts;
        if (each.Close() != kLatencyUpdates ||
            !bursts.Start({paced.back(), bands.back(), after.back()})) {
            return Fail("the floor client did not receive the host's values");
        }
        floorMemory[0] = bursts.Process().Memory();
        floorBursts.push_back(TimeBurst(host, paced, true, bursts.Received(), kBurstMs));
        floorMemory[1] = bursts.Process().Memory();
        floorBursts.push_back(TimeBurst(host, bands, false, bursts.Received(), kBurstMs));
        floorMemory[2] = bursts.Process().Memory();
        floorBursts.push_back(TimeBurst(host, after, true, bursts.Received(), kUpdateMs));
        floorReceived = bursts.Close();
    }

    Progress("veskor.exe: latency and bursts");
    Veskor veskor(host);
    host.Publish(HostItem::Frequency, "14074.00");
    if (!veskor.Start() || !veskor.TickAutoBoxes()) {
        return Fail("veskor.exe did not start, or its auto boxes could not be ticked");
    }
    MemoryFigures memory[3] = {veskor.Process().Memory()};
    const auto shown = [&](const std::vector<std::string>& values) {
        veskor.Expect(values);
        return veskor.Shown(kPollMs);
    };
    const std::vector<double> latency =
        Latency(host, [&](const std::string& value) { return shown({value}); });
    const double p99 = Percentile(latency, 0.99);
    Compare("Update latency p50 (1,000 updates)", Percentile(latency, 0.5),
            Percentile(floorLatency, 0.5));
    Compare("Update latency p99", p99, Percentile(floorLatency, 0.99));
    rows.back().target = "< 5 ms";
    rows.back().result = Verdict(p99 >= 0 && p99 < kLatencyP99Ms);

    const double pacedMs = TimeBurst(host, paced, true, shown(paced), kBurstMs);
    memory[1] = veskor.Process().Memory();
    const double fullMs = TimeBurst(host, bands, false, shown(bands), kBurstMs);
    memory[2] = veskor.Process().Memory();
    const double aliveMs = TimeBurst(host, after, true, shown(after), kUpdateMs);
    Compare("Paced burst of 10,000 (the host pumps between posts), until the last value and its "
            "ticks show",
            pacedMs, floorBursts[0], kBurstRatio);
    Compare("Full-speed burst of 10,000 (no pumping), until the last value and its ticks show",
            fullMs, floorBursts[1], kBurstRatio);
    Compare("Then one more value, until it shows: the link is alive", aliveMs, floorBursts[2]);
    rows.back().floor += " (" + std::to_string(floorReceived) + " of " +
                         std::to_string(2 * kBurstValues + 1) + " values received)";
    rows.back().target = "shown";
    rows.back().result = Verdict(aliveMs >= 0);
    const bool held = pacedMs >= 0 && fullMs >= 0;
    rows.push_back({"Nothing lost: state after each burst",
                    held ? "last value, ticks, bearing" : "WRONG", "", "", "state of last value",
                    Verdict(held)});
    const auto sets = [](const MemoryFigures(&figures)[3]) {
        return MiB(figures[0].workingSet) + ", " + MiB(figures[1].workingSet) + ", " +
               MiB(figures[2].workingSet);
    };
    rows.push_back({"Working set: start, after the paced burst, after the full-speed burst",
                    sets(memory), sets(floorMemory), "", "no growth",
                    Verdict(memory[2].workingSet <= memory[1].workingSet)});

    Progress("idle processor time");
    FloorClient idle;
    if (!idle.Start()) {
        return Fail("the floor client did not start");
    }
    const double ticks[2] = {veskor.Process().ProcessorMs(), idle.Process().ProcessorMs()};
    const double scheduler[2] = {SchedulerMs("veskor.exe"), SchedulerMs("floor_client.exe")};
    test::PumpUntil([] { return false; }, test::DeadlineAfter(kIdleMs), 1000);
    const double idleTicks = veskor.Process().ProcessorMs() - ticks[0];
    const double idleScheduler = SchedulerMs("veskor.exe") - scheduler[0];
    Compare("Processor time in 10 idle seconds (GetProcessTimes)", idleTicks,
            idle.Process().ProcessorMs() - ticks[1]);
    Compare("Processor time in 10 idle seconds (Linux scheduler)", idleScheduler,
            SchedulerMs("floor_client.exe") - scheduler[1]);
    rows.back().target = "< 10 ms";
    rows.back().result = Verdict(scheduler[0] >= 0 && idleScheduler < kIdleProcessorMs);
    rows.push_back({"Peak working set after the bursts",
                    MiB(veskor.Process().Memory().peakWorkingSet),
                    MiB(idle.Process().Memory().peakWorkingSet), "", "", ""});
    const auto size = [](const wchar_t* program) {
        WIN32_FILE_ATTRIBUTE_DATA file{};
        GetFileAttributesExW(test::ProgramBeside(program).c_str(), GetFileExInfoStandard, &file);
        return Format("%.0f KiB", file.nFileSizeLow / 1024.0);
    };
    rows.push_back({"Size of the executable (unstripped)", size(L"veskor.exe"),
                    size(L"floor_client.exe"), "", "", ""});

    const bool closed = veskor.Close() && idle.Close() >= 0;
    PrintTable();
    PrintSeries("Start-up runs (ms), Veskor:", veskorStarts);
    PrintSeries("Start-up runs (ms), floor client:", floorStarts);
    std::printf("Latency max (ms): Veskor %.3f, floor client %.3f\n", Percentile(latency, 1),
                Percentile(floorLatency, 1));
    std::printf("Frequency values published: %d\n", kPublished);
    return closed ? 0 : Fail("veskor.exe did not end with status 0 when its window was closed");
}

} // namespace
} // namespace veskor::bench

int main() {
    return veskor::bench::Run();
}
