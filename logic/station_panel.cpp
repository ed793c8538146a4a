// The station panel: state by field, the actions, and the triggers that link them.
#include "station_panel.h"

#include <algorithm>
#include <cstddef>
#include <iterator>
#include <string_view>
#include <utility>

namespace veskor {

namespace {

// Each text field's row, in PanelField order: its initial text, and what a write of it sets off.
// The flags start at 0 and set nothing off.
struct TextFieldRow {
    PanelField field;
    std::string_view initial;
    void (StationPanel::*trigger)();
};
constexpr TextFieldRow kTextFields[] = {
    {PanelField::FrequencyText, "14100", &StationPanel::RunAutoActions},
    {PanelField::AzimuthText, "10", &StationPanel::RunAutoActions},
    {PanelField::CommandText, "", &StationPanel::HandleCommandText},
    {PanelField::BearingText, "0", nullptr},
};
static_assert(std::size(kTextFields) == kTextFieldCount);
static_assert(std::ranges::all_of(kTextFields, [](const TextFieldRow& row) {
    return &row - kTextFields == static_cast<std::ptrdiff_t>(FieldIndex(row.field));
}));

constexpr bool IsFlagField(PanelField field) {
    return !IsTextField(field) && FieldIndex(field) < kPanelFieldCount;
}

constexpr std::size_t FlagIndex(PanelField field) {
    return FieldIndex(field) - kTextFieldCount;
}

} // namespace

StationPanel::StationPanel() {
    for (const TextFieldRow& row : kTextFields) {
        texts_[FieldIndex(row.field)] = row.initial;
    }
}

void StationPanel::SetObserver(Observer observer) {
    observer_ = std::move(observer);
}

void StationPanel::Notify(PanelField field) const {
    if (observer_) {
        observer_(field);
    }
}

const std::string& StationPanel::Text(PanelField field) const {
    static const std::string kNoText;
    return IsTextField(field) ? texts_[FieldIndex(field)] : kNoText;
}

int StationPanel::Flag(PanelField field) const {
    return IsFlagField(field) && flags_[FlagIndex(field)] ? 1 : 0;
}

// Every write of a linked text runs its trigger, also one that stores the text already held: a
// host that sends "SWITCH" twice switches twice, and a re-sent frequency or azimuth runs the auto
// actions again. The operator can then rely on the host's word acting each time it is sent.
void StationPanel::SetText(PanelField field, std::string text) {
    if (!IsTextField(field)) {
        return;
    }
    texts_[FieldIndex(field)] = std::move(text);
    Notify(field);
    if (const auto trigger = kTextFields[FieldIndex(field)].trigger) {
        (this->*trigger)();
    }
}

void StationPanel::SetFlag(PanelField field, int value) {
    if (!IsFlagField(field)) {
        return;
    }
    flags_[FlagIndex(field)] = value != 0;
    Notify(field);
}

void StationPanel::SelectAntenna(AntennaKind kind) {
    for (std::size_t each = 0; each < kAntennaCount; ++each) {
        const auto antenna = static_cast<AntennaKind>(each);
        SetIndicator(antenna, antenna == kind);
    }
}

void StationPanel::SwitchAntenna() {
    SelectAntenna(ChooseAntenna(FrequencyText(), AzimuthText()));
}

void StationPanel::RotateBeam() {
    if (auto bearing = ChooseBearing(Indicator(AntennaKind::Beam) != 0, AzimuthText())) {
        SetBearingText(std::move(*bearing));
    }
}

void StationPanel::RunAutoActions() {
    // Switch first, so that rotating reads the Beam indicator the switch has just written.
    if (AutoSwitch() != 0) {
        SwitchAntenna();
    }
    if (AutoRotate() != 0) {
        RotateBeam();
    }
}

void StationPanel::HandleCommandText() {
    // Exact comparisons: case-sensitive, nothing trimmed.
    if (CommandText() == "SWITCH") {
        SwitchAntenna();
    }
    if (CommandText() == "ROTATE") {
        RotateBeam();
    }
}

} // namespace veskor
