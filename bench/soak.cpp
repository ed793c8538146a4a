// The soak: frequency values one after the other from the test kit's host that speaks the DDE
// messages itself and frees its own memory, and after every hundredth a value of an item Veskor
// does not link and an answer to no request. The bench waits until Veskor shows every thousandth
// value (so that no more than a thousand wait in Veskor's queue), and every 100,000 values and at
// the end a row tells: whether it showed, the time per value since the last row, Veskor's working
// set, its GDI and USER objects, and the references to the item's atom and to the unlinked item's.
#include "soak.h"

#include "kept_objects.h"
#include "measure.h"
#include "message_host.h"

#include <cstdio>
#include <string>
#include <vector>

namespace veskor::bench {
namespace {

constexpr int kWatchEvery = 1000;
constexpr int kRowEvery = 100000;
constexpr int kPumpEvery = 50; // the host handles its messages, as its event loop would
constexpr double kShowMs = 60000;

struct SoakRow {
    int values = 0;
    bool shown = false;
    double microsecondsPerValue = 0;
    std::size_t workingSet = 0;
    GuiObjects objects;
    int itemReferences = 0, unlinkedReferences = 0;
};

// Distinct frequencies rising by 0.01 kHz from 1800.01, through 160 m and on: every value differs
// from every earlier one, and the ticks move from band to band.
std::string FrequencyOf(int index) {
    const long hundredths = 180000L + index;
    char text[32];
    std::snprintf(text, sizeof text, "%ld.%02ld", hundredths / 100, hundredths % 100);
    return text;
}

// A count with its thousands marked: 1,000,000.
std::string Thousands(int value) {
    const std::string digits = std::to_string(value);
    std::string text;
    for (std::size_t at = 0; at < digits.size(); ++at) {
        if (at > 0 && (digits.size() - at) % 3 == 0) {
            text += ',';
        }
        text += digits[at];
    }
    return text;
}

SoakRow Census(Veskor& veskor, int values, bool shown, double microsecondsPerValue) {
    SoakRow row;
    row.values = values;
    row.shown = shown;
    row.microsecondsPerValue = microsecondsPerValue;
    row.workingSet = veskor.Process().Memory().workingSet;
    row.objects = GuiObjectsOf(veskor.Process().Handle());
    row.itemReferences = AtomReferences(ItemName(HostItem::Frequency));
    row.unlinkedReferences = AtomReferences(L"Mode");
    return row;
}

void PrintHeader() {
    std::printf("| Values sent | Shown | Time per value | Working set | GDI objects | USER objects "
                "| References to \"Khz\" | References to \"Mode\" |\n");
    std::printf("|---:|---|---:|---:|---:|---:|---:|---:|\n");
}

void PrintRow(const SoakRow& row) {
    char time[32] = "-";
    if (row.values > 0) {
        std::snprintf(time, sizeof time, "%.0f us", row.microsecondsPerValue);
    }
    std::printf("| %s | %s | %s | %.1f MiB | %ld | %ld | %d | %d |\n",
                Thousands(row.values).c_str(), row.shown ? "shown" : "NOT SHOWN", time,
                static_cast<double>(row.workingSet) / (1 << 20), row.objects.gdi, row.objects.user,
                row.itemReferences, row.unlinkedReferences);
    std::fflush(stdout);
}

// Sends the values, a row every 100,000 and at the end (or where Veskor stopped showing them).
std::vector<SoakRow> Send(test::MessageHost& host, Veskor& veskor, int values) {
    std::vector<SoakRow> rows;
    double rowStart = test::NowMs();
    int rowFrom = 0;
    for (int index = 1; index <= values; ++index) {
        const std::string value = FrequencyOf(index);
        host.Publish(HostItem::Frequency, value);
        if (index % kPumpEvery == 0) {
            test::PumpPending();
        }
        if (index % kWatchEvery != 0 && index != values) {
            continue;
        }
        const bool shown = veskor.Shows({value})(kShowMs) >= 0;
        if (index % kRowEvery == 0 || index == values || !shown) {
            const double now = test::NowMs();
            rows.push_back(
                Census(veskor, index, shown, 1000 * (now - rowStart) / (index - rowFrom)));
            PrintRow(rows.back());
            rowStart = test::NowMs();
            rowFrom = index;
        }
        if (!shown) {
            break;
        }
        if (index % 10000 == 0) {
            std::fprintf(stderr, "soak: %s values\n", Thousands(index).c_str());
        }
    }
    return rows;
}

// The targets: every watched value shown, the counts flat and the time per value flat from the
// first row of values to the last.
bool PrintVerdicts(const SoakRow& start, const std::vector<SoakRow>& rows, int values,
                   const test::MessageHost& host) {
    const SoakRow& first = rows.front();
    const SoakRow& last = rows.back();
    const bool allShown = last.shown && last.values == values;
    const bool flat = first.objects.gdi == last.objects.gdi &&
                      first.objects.user == last.objects.user &&
                      first.itemReferences == last.itemReferences &&
                      first.unlinkedReferences == last.unlinkedReferences;
    std::printf("\nGDI and USER objects: %s.\n", last.objects.how.c_str());
    std::printf("Every 1,000th value and the last shown: %s (%s of %s sent)\n",
                allShown ? "met" : "missed", Thousands(last.shown ? last.values : 0).c_str(),
                Thousands(values).c_str());
    std::printf("GDI and USER objects and both atoms' references the same at the last row as at "
                "the first: %s\n",
                flat ? "met" : "missed");
    std::printf("Working set: %.1f MiB at the start, %.1f MiB at the first row, %.1f MiB at the "
                "last\n",
                start.workingSet / 1048576.0, first.workingSet / 1048576.0,
                last.workingSet / 1048576.0);
    std::printf("Time per value, the last row against the first: %.2fx\n",
                last.microsecondsPerValue / first.microsecondsPerValue);
    std::printf("Faults in Veskor's manners the host saw: %zu\n", host.MannersFaults().size());
    return allShown;
}

} // namespace

int RunSoak(int values) {
    // Careless after every hundredth value: a "Mode" or "Call" down the frequency's link and a
    // "Mode" marked as an answer down every link.
    test::MessageHost host({.keepsValues = true,
                            .postsItemsBeyondTheThree = true,
                            .postsStrayAnswers = true,
                            .carelessEvery = 100});
    if (!host.Started()) {
        std::printf("soak failed: the host could not make its window\n");
        return 1;
    }
    host.Publish(HostItem::Frequency, "14074.00");
    host.Publish(HostItem::Azimuth, "275");
    host.Publish(HostItem::Command, "CQ");
    Veskor veskor(host);
    if (!veskor.Start() || !veskor.TickAutoBoxes()) {
        std::printf(
            "soak failed: veskor.exe did not start, or its auto boxes could not be ticked\n");
        return 1;
    }
    std::printf("Soak: %s frequency values; after every hundredth a \"Mode\" or \"Call\" "
                "value and an answer to no request; Veskor watched at every thousandth\n\n",
                Thousands(values).c_str());
    PrintHeader();
    const SoakRow start = Census(veskor, 0, true, 0);
    PrintRow(start);
    const std::vector<SoakRow> rows = Send(host, veskor, values);
    const bool met = !rows.empty() && PrintVerdicts(start, rows, values, host);
    const bool closed = veskor.Close();
    std::printf("veskor.exe %s\n", closed ? "ended with status 0 when its window was closed"
                                          : "did not end with status 0 when its window was closed");
    return met && closed ? 0 : 1;
}

} // namespace veskor::bench
