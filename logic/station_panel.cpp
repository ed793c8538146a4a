// The station panel: state, actions and the triggers that link them.
#include "station_panel.h"

#include <optional>
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

// Field-indexed access goes through the named reader and setter, so a write by field runs the
// same trigger as the named call. The indicators are found through IndicatorField instead.
struct TextAccess {
    PanelField field;
    const std::string& (StationPanel::*get)() const;
    void (StationPanel::*set)(std::string);
};
constexpr std::array kTextFields{
    TextAccess{PanelField::FrequencyText, &StationPanel::FrequencyText,
               &StationPanel::SetFrequencyText},
    TextAccess{PanelField::AzimuthText, &StationPanel::AzimuthText, &StationPanel::SetAzimuthText},
    TextAccess{PanelField::CommandText, &StationPanel::CommandText, &StationPanel::SetCommandText},
    TextAccess{PanelField::BearingText, &StationPanel::BearingText, &StationPanel::SetBearingText},
};

struct AutoFlagAccess {
    PanelField field;
    int (StationPanel::*get)() const;
    void (StationPanel::*set)(int);
};
constexpr std::array kAutoFlags{
    AutoFlagAccess{PanelField::AutoSwitch, &StationPanel::AutoSwitch, &StationPanel::SetAutoSwitch},
    AutoFlagAccess{PanelField::AutoRotate, &StationPanel::AutoRotate, &StationPanel::SetAutoRotate},
};

template <typename Row, std::size_t N>
const Row* FindRow(const std::array<Row, N>& table, PanelField field) {
    for (const Row& row : table) {
        if (row.field == field) {
            return &row;
        }
    }
    return nullptr;
}

std::optional<AntennaKind> IndicatorKind(PanelField field) {
    for (AntennaKind kind : kAntennasInWriteOrder) {
        if (IndicatorField(kind) == field) {
            return kind;
        }
    }
    return std::nullopt;
}

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

bool IsTextField(PanelField field) {
    return FindRow(kTextFields, field) != nullptr;
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

const std::string& StationPanel::Text(PanelField field) const {
    static const std::string kNoText;
    const TextAccess* row = FindRow(kTextFields, field);
    return row != nullptr ? (this->*row->get)() : kNoText;
}

void StationPanel::SetText(PanelField field, std::string text) {
    if (const TextAccess* row = FindRow(kTextFields, field)) {
        (this->*row->set)(std::move(text));
    }
}

int StationPanel::Flag(PanelField field) const {
    if (const AutoFlagAccess* row = FindRow(kAutoFlags, field)) {
        return (this->*row->get)();
    }
    const std::optional<AntennaKind> kind = IndicatorKind(field);
    return kind ? Indicator(*kind) : 0;
}

void StationPanel::SetFlag(PanelField field, int value) {
    if (const AutoFlagAccess* row = FindRow(kAutoFlags, field)) {
        (this->*row->set)(value);
    } else if (const std::optional<AntennaKind> kind = IndicatorKind(field)) {
        SetIndicator(*kind, value);
    }
}

void StationPanel::SelectAntenna(AntennaKind kind) {
    for (AntennaKind each : kAntennasInWriteOrder) {
        SetIndicator(each, each == kind);
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
