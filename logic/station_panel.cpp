// The station panel: state, actions and the triggers that link them.
#include "station_panel.h"

#include <utility>

namespace veskor {

namespace {

constexpr std::size_t IndexOf(AntennaKind kind) {
    return static_cast<std::size_t>(kind);
}
constexpr int AsFlag(int value) {
    return value != 0 ? 1 : 0;
}

constexpr std::array kAntennasInWriteOrder{AntennaKind::DipoleNS, AntennaKind::DipoleEW,
                                           AntennaKind::Beam, AntennaKind::LongWire};

} // namespace

PanelField IndicatorField(AntennaKind kind) {
    switch (kind) {
    case AntennaKind::DipoleNS:
        return PanelField::IndicatorDipoleNS;
    case AntennaKind::DipoleEW:
        return PanelField::IndicatorDipoleEW;
    case AntennaKind::Beam:
        return PanelField::IndicatorBeam;
    case AntennaKind::LongWire:
        break;
    }
    return PanelField::IndicatorLongWire;
}

StationPanel::StationPanel() : frequencyText_("14100"), azimuthText_("10"), bearingText_("0") {}

void StationPanel::SetObserver(Observer observer) {
    observer_ = std::move(observer);
}

void StationPanel::Notify(PanelField field) const {
    if (observer_) {
        observer_(field);
    }
}

// Every write of a linked text runs its trigger, also one that stores the text already held: a
// host that sends "SWITCH" twice switches twice, and a re-sent frequency or azimuth runs the auto
// actions again. The operator can then rely on the host's word acting each time it is sent.
void StationPanel::SetFrequencyText(std::string text) {
    frequencyText_ = std::move(text);
    Notify(PanelField::FrequencyText);
    RunAutoActions();
}

void StationPanel::SetAzimuthText(std::string text) {
    azimuthText_ = std::move(text);
    Notify(PanelField::AzimuthText);
    RunAutoActions();
}

void StationPanel::SetCommandText(std::string text) {
    commandText_ = std::move(text);
    Notify(PanelField::CommandText);
    HandleCommandText();
}

void StationPanel::SetBearingText(std::string text) {
    bearingText_ = std::move(text);
    Notify(PanelField::BearingText);
}

void StationPanel::SetIndicator(AntennaKind kind, int value) {
    indicators_[IndexOf(kind)] = AsFlag(value);
    Notify(IndicatorField(kind));
}

void StationPanel::SetAutoSwitch(int value) {
    autoSwitch_ = AsFlag(value);
    Notify(PanelField::AutoSwitch);
}

void StationPanel::SetAutoRotate(int value) {
    autoRotate_ = AsFlag(value);
    Notify(PanelField::AutoRotate);
}

int StationPanel::Indicator(AntennaKind kind) const {
    return indicators_[IndexOf(kind)];
}

void StationPanel::SelectAntenna(AntennaKind kind) {
    for (AntennaKind each : kAntennasInWriteOrder) {
        SetIndicator(each, each == kind ? 1 : 0);
    }
}

void StationPanel::SwitchAntenna() {
    SelectAntenna(ChooseAntenna(frequencyText_, azimuthText_));
}

void StationPanel::RotateBeam() {
    if (auto bearing = ChooseBearing(Indicator(AntennaKind::Beam) != 0, azimuthText_)) {
        SetBearingText(std::move(*bearing));
    }
}

void StationPanel::RunAutoActions() {
    // Switch first, so that rotating reads the Beam indicator the switch has just written.
    if (autoSwitch_ != 0) {
        SwitchAntenna();
    }
    if (autoRotate_ != 0) {
        RotateBeam();
    }
}

void StationPanel::HandleCommandText() {
    // Exact comparisons: case-sensitive, nothing trimmed.
    if (commandText_ == "SWITCH") {
        SwitchAntenna();
    }
    if (commandText_ == "ROTATE") {
        RotateBeam();
    }
}

} // namespace veskor
