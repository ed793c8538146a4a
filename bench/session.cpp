// A veskor.exe under measurement and the state its window must reach.
#include "session.h"

#include "pump.h"

namespace veskor::bench {
namespace {

struct IndicatorControl {
    AntennaKind kind;
    ControlId control;
};

constexpr IndicatorControl kIndicators[] = {
    {AntennaKind::DipoleNS, ControlId::CheckDipoleNS},
    {AntennaKind::DipoleEW, ControlId::CheckDipoleEW},
    {AntennaKind::Beam, ControlId::CheckBeam},
    {AntennaKind::LongWire, ControlId::CheckLW},
};

} // namespace

VeskorSession::VeskorSession(DdeHost& host) : host_(host) {}

bool VeskorSession::ShowsHostValues() const {
    return window_.Utf8(ControlId::TextKhz) == host_.Value(HostItem::Frequency) &&
           window_.Utf8(ControlId::TextAz) == host_.Value(HostItem::Azimuth) &&
           window_.Utf8(ControlId::TextCommand) == host_.Value(HostItem::Command);
}

bool VeskorSession::Start(double timeoutMs) {
    if (!process_.Start(L"veskor.exe")) {
        return false;
    }
    const bool shown = PumpUntil(
        [this] {
            if (!window_) {
                window_ = AppWindow(process_.VisibleWindow(kMainWindowCaption, kMainWindowClass));
            }
            return window_ && ShowsHostValues();
        },
        DeadlineAfter(timeoutMs), 1);
    if (!shown) {
        return false;
    }
    // Start-up delivered the host's values to Veskor's panel; the expected panel takes the same.
    // The command word goes last, as it does at start-up.
    expected_.SetFrequencyText(host_.Value(HostItem::Frequency));
    expected_.SetAzimuthText(host_.Value(HostItem::Azimuth));
    expected_.SetCommandText(host_.Value(HostItem::Command));
    return true;
}

bool VeskorSession::TickAutoBoxes(double timeoutMs) {
    window_.Click(ControlId::CheckAutoSwitch);
    window_.Click(ControlId::CheckAutoRotate);
    expected_.SetAutoSwitch(1);
    expected_.SetAutoRotate(1);
    return PumpUntil(
        [this] {
            return window_.Ticked(ControlId::CheckAutoSwitch) &&
                   window_.Ticked(ControlId::CheckAutoRotate);
        },
        DeadlineAfter(timeoutMs), 1);
}

void VeskorSession::Publish(HostItem item, const std::string& value) {
    host_.Publish(item, value);
    if (item == HostItem::Frequency) {
        expected_.SetFrequencyText(value);
    } else if (item == HostItem::Azimuth) {
        expected_.SetAzimuthText(value);
    } else {
        expected_.SetCommandText(value);
    }
}

bool VeskorSession::ShowsExpected() const {
    if (window_.Utf8(ControlId::TextKhz) != expected_.FrequencyText()) {
        return false;
    }
    for (const auto& indicator : kIndicators) {
        if (window_.Ticked(indicator.control) != (expected_.Indicator(indicator.kind) != 0)) {
            return false;
        }
    }
    return window_.Utf8(ControlId::TextBearing) == expected_.BearingText();
}

bool VeskorSession::WaitShowsExpected(double timeoutMs, double pollMs) const {
    return PumpUntil([this] { return ShowsExpected(); }, DeadlineAfter(timeoutMs), pollMs);
}

double VeskorSession::WhenShowsExpected(double timeoutMs, double pollMs) const {
    const std::string& expected = expected_.FrequencyText();
    double seen = -1;
    const bool frequencyShown = PumpUntil(
        [&] {
            if (!window_.ShowsShortText(ControlId::TextKhz, expected)) {
                return false;
            }
            seen = NowMs();
            return true;
        },
        DeadlineAfter(timeoutMs), pollMs);
    if (!frequencyShown) {
        return -1;
    }
    if (ShowsExpected()) {
        return seen;
    }
    return WaitShowsExpected(timeoutMs, pollMs) ? NowMs() : -1;
}

bool VeskorSession::Close(double timeoutMs) {
    if (!window_) {
        process_.Terminate();
        return false;
    }
    return process_.CloseAndWait(window_.Main(), DeadlineAfter(timeoutMs)) == 0;
}

} // namespace veskor::bench
