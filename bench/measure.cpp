// Driving and watching the measured programs from the bench's own host.
#include "measure.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace veskor::bench {
namespace {

using test::DeadlineAfter;
using test::NowMs;
using test::PumpUntil;

constexpr double kStartMs = 30000;
constexpr double kCloseMs = 10000;
// How often a window is read while waiting for it: a figure can be this much late. Polling without
// pause made Veskor answer one message per poll.
constexpr double kPollMs = 1;

std::string Kilohertz(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", value);
    return text;
}

// Files under Wine's view of the Linux root (Z:), read whole: those under /proc report no size.
std::string ReadWhole(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    std::string content;
    char buffer[4096];
    DWORD read = 0;
    while (file != INVALID_HANDLE_VALUE && ReadFile(file, buffer, sizeof buffer, &read, nullptr) &&
           read > 0) {
        content.append(buffer, read);
    }
    if (file != INVALID_HANDLE_VALUE) {
        CloseHandle(file);
    }
    return content;
}

// The numbered entries of a folder: processes in /proc, threads in /proc/<pid>/task.
std::vector<std::string> Numbered(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA((folder + "*").c_str(), &entry);
    for (bool more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileA(search, &entry)) {
        if (std::isdigit(static_cast<unsigned char>(entry.cFileName[0]))) {
            names.push_back(entry.cFileName);
        }
    }
    if (search != INVALID_HANDLE_VALUE) {
        FindClose(search);
    }
    return names;
}

} // namespace

double TimeBurst(DdeHost& host, const std::vector<std::string>& values, bool paced,
                 const Await& await, double timeoutMs, double* posted) {
    const double start = NowMs();
    for (const std::string& value : values) {
        host.Publish(HostItem::Frequency, value);
        if (paced) {
            test::PumpPending();
        }
    }
    if (posted != nullptr) {
        *posted = NowMs() - start;
    }
    const double shown = await(timeoutMs);
    return shown < 0 ? -1 : shown - start;
}

std::vector<std::string> SweepValues(int count) {
    std::vector<std::string> values;
    for (int index = 0; index < count; ++index) {
        values.push_back(Kilohertz(1000 + 2.83 * index));
    }
    return values;
}

std::vector<std::string> BandValues(int count) {
    // 160 m to 10 m: the dipoles, the long wire and the beam in turn.
    constexpr double kBands[] = {1850, 3650, 7050, 10120, 14100, 18100, 21200, 24940, 28500};
    constexpr int kBandCount = std::size(kBands);
    std::vector<std::string> values;
    for (int index = 0; index < count; ++index) {
        // Counted back from the last, which is 28500.00: each band's values are 0.01 kHz apart,
        // so no value comes twice.
        const int back = count - 1 - index;
        values.push_back(
            Kilohertz(kBands[kBandCount - 1 - back % kBandCount] + 0.01 * (back / kBandCount)));
    }
    return values;
}

bool Veskor::Start() {
    if (!process_.Start(L"veskor.exe")) {
        return false;
    }
    const bool shown = PumpUntil(
        [this] {
            window_ =
                window_
                    ? window_
                    : test::AppWindow(process_.VisibleWindow(kMainWindowCaption, kMainWindowClass));
            return window_ && window_.Utf8(ControlId::TextKhz) == hostValue_(HostItem::Frequency) &&
                   window_.Utf8(ControlId::TextAz) == hostValue_(HostItem::Azimuth) &&
                   window_.Utf8(ControlId::TextCommand) == hostValue_(HostItem::Command);
        },
        DeadlineAfter(kStartMs), 1);
    // Start-up gave Veskor's panel the host's values; the expected panel takes the same.
    expected_ = StationPanel();
    expected_.SetFrequencyText(hostValue_(HostItem::Frequency));
    expected_.SetAzimuthText(hostValue_(HostItem::Azimuth));
    expected_.SetCommandText(hostValue_(HostItem::Command));
    return shown;
}

bool Veskor::TickAutoBoxes() {
    for (ControlId box : {ControlId::CheckAutoSwitch, ControlId::CheckAutoRotate}) {
        window_.Click(box);
    }
    expected_.SetAutoSwitch(1);
    expected_.SetAutoRotate(1);
    return PumpUntil([this] { return ShowsExpected(); }, DeadlineAfter(kCloseMs), 1);
}

bool Veskor::ShowsExpected() const {
    constexpr std::pair<AntennaKind, ControlId> kIndicators[] = {
        {AntennaKind::DipoleNS, ControlId::CheckDipoleNS},
        {AntennaKind::DipoleEW, ControlId::CheckDipoleEW},
        {AntennaKind::Beam, ControlId::CheckBeam},
        {AntennaKind::LongWire, ControlId::CheckLW}};
    return window_.Utf8(ControlId::TextKhz) == expected_.FrequencyText() &&
           std::all_of(std::begin(kIndicators), std::end(kIndicators),
                       [this](const auto& indicator) {
                           return window_.Ticked(indicator.second) ==
                                  (expected_.Indicator(indicator.first) != 0);
                       }) &&
           window_.Utf8(ControlId::TextBearing) == expected_.BearingText();
}

double ShowsFrequency(const test::AppWindow& window, const std::string& text,
                      test::Deadline deadline) {
    double seen = -1;
    const bool shown = PumpUntil(
        [&] {
            const bool showing = window.ShowsShortText(ControlId::TextKhz, text);
            seen = NowMs();
            return showing;
        },
        deadline, kPollMs);
    return shown ? seen : -1;
}

// Only the frequency box is polled, in one short message; the rest is checked once it shows the
// value. A window shows all of an update or none of it, since it handles each update whole
// before it takes the next message.
Await Veskor::Shows(const std::vector<std::string>& values) {
    for (const std::string& value : values) {
        expected_.SetFrequencyText(value);
    }
    return [this](double timeoutMs) {
        const auto deadline = DeadlineAfter(timeoutMs);
        const double seen = ShowsFrequency(window_, expected_.FrequencyText(), deadline);
        if (seen < 0 || ShowsExpected()) {
            return seen;
        }
        return PumpUntil([this] { return ShowsExpected(); }, deadline, kPollMs) ? NowMs() : -1;
    };
}

bool Veskor::Close() {
    return window_ && process_.CloseAndWait(window_.Main(), DeadlineAfter(kCloseMs)) == 0;
}

bool StartUpFloor::Start() {
    return process_.Start(program_) &&
           PumpUntil([this] { return (window_ = process_.VisibleWindow(caption_)); },
                     DeadlineAfter(kStartMs), 1);
}

bool StartUpFloor::Close() {
    return process_.CloseAndWait(window_, DeadlineAfter(kCloseMs)) == 0;
}

double SchedulerMs(const std::string& programFileName) {
    char prefix[MAX_PATH] = {};
    if (!GetEnvironmentVariableA("WINEPREFIX", prefix, MAX_PATH)) {
        return -1;
    }
    // A process of this session runs the program and has this prefix among its environment's
    // NUL-separated entries.
    const std::string prefixEntry = std::string(1, '\0') + "WINEPREFIX=" + prefix + '\0';
    std::vector<std::string> found;
    for (const std::string& pid : Numbered("Z:\\proc\\")) {
        const std::string folder = "Z:\\proc\\" + pid + "\\";
        std::string program = ReadWhole(folder + "cmdline");
        program = program.substr(0, program.find('\0'));
        std::erase(program, '"');
        std::transform(program.begin(), program.end(), program.begin(), ::tolower);
        if (program.size() > programFileName.size() && program.ends_with(programFileName) &&
            std::string("\\/").find(program[program.size() - programFileName.size() - 1]) !=
                std::string::npos &&
            ('\0' + ReadWhole(folder + "environ")).find(prefixEntry) != std::string::npos) {
            found.push_back(folder + "task\\");
        }
    }
    if (found.size() != 1) {
        return -1;
    }
    double nanoseconds = 0;
    for (const std::string& thread : Numbered(found.front())) {
        // The first figure of schedstat is the time spent on a processor, in nanoseconds.
        nanoseconds +=
            std::strtod(ReadWhole(found.front() + thread + "\\schedstat").c_str(), nullptr);
    }
    return nanoseconds / 1e6;
}

} // namespace veskor::bench
