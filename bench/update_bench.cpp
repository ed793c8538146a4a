// Updates from the host: one at a time (latency) and as a burst, for Veskor and for the bare
// DDEML client that is their floor.
#include "measurements.h"
#include "pump.h"
#include "session.h"

#include <cstdio>

namespace veskor::bench {
namespace {

constexpr double kUpdateTimeoutMs = 10000;
constexpr double kLatencyPollMs = 1;
constexpr double kBurstTimeoutMs = 300000;
constexpr double kReadyTimeoutMs = 30000;
constexpr double kQuitTimeoutMs = 10000;

std::string Kilohertz(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", value);
    return text;
}

// Every update moves the frequency between the 20 m beam band and 40 m, so that both the
// frequency box and the ticks change each time.
std::string LatencyValue(int index) {
    const double fraction = 0.01 * (index % 100);
    return index % 2 ? Kilohertz(7000 + index % 300 + fraction)
                     : Kilohertz(14000 + index % 500 + fraction);
}

// The bare client in another process, reporting through named events.
class BareClient {
public:
    bool Start(const std::string& mode, const std::vector<std::string>& lasts) {
        static int serial = 0;
        const std::string name =
            "VeskorBench." + std::to_string(GetCurrentProcessId()) + "." + std::to_string(++serial);
        ready_ = CreateEventA(nullptr, FALSE, FALSE, (name + ".ready").c_str());
        received_ = CreateEventA(nullptr, FALSE, FALSE, (name + ".received").c_str());
        done_ = CreateEventA(nullptr, FALSE, FALSE, (name + ".done").c_str());
        std::wstring line;
        std::vector<std::string> arguments{mode, name};
        arguments.insert(arguments.end(), lasts.begin(), lasts.end());
        for (const std::string& argument : arguments) {
            line += std::wstring(argument.begin(), argument.end()) + L" ";
        }
        return process_.Start(L"bare_client.exe", line) &&
               PumpUntilSignalled(ready_, DeadlineAfter(kReadyTimeoutMs));
    }
    ~BareClient() {
        for (HANDLE event : {ready_, received_, done_}) {
            if (event) {
                CloseHandle(event);
            }
        }
    }
    HANDLE Received() const { return received_; }
    HANDLE Done() const { return done_; }
    MemoryFigures Memory() const { return process_.Memory(); }
    // The number of values it received.
    int Quit() { return process_.QuitAndWait(DeadlineAfter(kQuitTimeoutMs)); }

private:
    Program process_;
    HANDLE ready_ = nullptr;
    HANDLE received_ = nullptr;
    HANDLE done_ = nullptr;
};

// As fast as the host can: its own message queue is emptied between two values, as a host's
// event loop would, and nothing else waits. Under Wine a DDE host delivers no data after its
// 65,535th hot-link value, so one bench run publishes well below that (about 42,000).
template <typename PublishOne>
void PublishBurst(const std::vector<std::string>& values, PublishOne publish) {
    for (const std::string& value : values) {
        publish(value);
        PumpPending();
    }
}

} // namespace

std::vector<std::string> BurstValues(int count, bool rising) {
    std::vector<std::string> values;
    values.reserve(static_cast<size_t>(count));
    for (int index = 0; index < count; ++index) {
        const int step = rising ? index : count - 1 - index;
        values.push_back(Kilohertz(1000 + 2.83 * step));
    }
    return values;
}

std::vector<double> MeasureBareLatency(DdeHost& host, int updates) {
    std::vector<double> figures;
    BareClient client;
    if (!client.Start("each", {})) {
        return figures;
    }
    for (int index = 0; index < updates; ++index) {
        const double start = NowMs();
        host.Publish(HostItem::Frequency, LatencyValue(index));
        if (!PumpUntilSignalled(client.Received(), DeadlineAfter(kUpdateTimeoutMs))) {
            return {};
        }
        figures.push_back(NowMs() - start);
    }
    return client.Quit() == updates ? figures : std::vector<double>{};
}

std::vector<double> MeasureLatency(VeskorSession& session, int updates) {
    std::vector<double> figures;
    for (int index = 0; index < updates; ++index) {
        const double start = NowMs();
        session.Publish(HostItem::Frequency, LatencyValue(index));
        // Polled once a millisecond, so a figure may be up to a millisecond late. Polling without
        // pause costs Veskor more than that: every poll is a message it has to answer.
        const double shown = session.WhenShowsExpected(kUpdateTimeoutMs, kLatencyPollMs);
        if (shown < 0) {
            return {};
        }
        figures.push_back(shown - start);
    }
    return figures;
}

BurstFigures MeasureBurst(VeskorSession& session, const std::vector<std::string>& values) {
    BurstFigures figures;
    const double start = NowMs();
    PublishBurst(values,
                 [&](const std::string& value) { session.Publish(HostItem::Frequency, value); });
    // Polled once a millisecond: reading the window costs Veskor time, and a millisecond is
    // well below the resolution that matters for a burst.
    const double shown = session.WhenShowsExpected(kBurstTimeoutMs, 1);
    figures.finalStateRight = shown >= 0;
    figures.elapsedMs = (figures.finalStateRight ? shown : NowMs()) - start;
    figures.memoryAfter = session.Process().Memory();
    return figures;
}

BareBurstFigures MeasureBareBursts(DdeHost& host, const std::vector<std::string>& first,
                                   const std::vector<std::string>& second) {
    BareBurstFigures figures;
    BareClient client;
    if (first.empty() || second.empty() || !client.Start("burst", {first.back(), second.back()})) {
        return figures;
    }
    figures.memoryAtStart = client.Memory();
    for (const auto* values : {&first, &second}) {
        const double start = NowMs();
        PublishBurst(*values,
                     [&](const std::string& value) { host.Publish(HostItem::Frequency, value); });
        if (!PumpUntilSignalled(client.Done(), DeadlineAfter(kBurstTimeoutMs))) {
            figures.elapsedMs.clear();
            return figures;
        }
        figures.elapsedMs.push_back(NowMs() - start);
        figures.memoryAfter.push_back(client.Memory());
    }
    figures.received = client.Quit();
    return figures;
}

} // namespace veskor::bench
