// The station panel: the program's one object of state. It holds the texts, indicators and auto
// flags the window shows, runs the switch and rotate actions, and tells one observer of every
// write. Texts are UTF-8 and stored exactly as written.
#pragma once

#include "rules.h"

#include <array>
#include <cstddef>
#include <functional>
#include <string>
#include <utility>

namespace veskor {

// Every field of the panel, declared here once: the texts first, then the flags, the four
// indicators in AntennaKind's order. The panel stores each by this index; the host link and the
// window name the field a row of theirs writes or shows.
enum class PanelField {
    FrequencyText,
    AzimuthText,
    CommandText,
    BearingText,
    IndicatorDipoleNS,
    IndicatorDipoleEW,
    IndicatorBeam,
    IndicatorLongWire,
    AutoSwitch,
    AutoRotate,
};

constexpr std::size_t FieldIndex(PanelField field) {
    return static_cast<std::size_t>(field);
}
inline constexpr std::size_t kTextFieldCount = FieldIndex(PanelField::IndicatorDipoleNS);
inline constexpr std::size_t kPanelFieldCount = FieldIndex(PanelField::AutoRotate) + 1;

// True for the four text fields (frequency, azimuth, command, bearing); the others hold 0 or 1.
constexpr bool IsTextField(PanelField field) {
    return FieldIndex(field) < kTextFieldCount;
}

// The indicator field that shows an antenna.
constexpr PanelField IndicatorField(AntennaKind kind) {
    return static_cast<PanelField>(FieldIndex(PanelField::IndicatorDipoleNS) +
                                   static_cast<std::size_t>(kind));
}

class StationPanel {
public:
    // Called after every write, with the field written, before any trigger of that write runs.
    using Observer = std::function<void(PanelField)>;

    StationPanel();

    // One observer at a time; an empty function detaches it.
    void SetObserver(Observer observer);

    // The three linked texts: written by the host link and by the operator's edits.
    void SetFrequencyText(std::string text) { SetText(PanelField::FrequencyText, std::move(text)); }
    void SetAzimuthText(std::string text) { SetText(PanelField::AzimuthText, std::move(text)); }
    void SetCommandText(std::string text) { SetText(PanelField::CommandText, std::move(text)); }

    // Operator edits and ticks that only store. Any value other than 0 is stored as 1.
    void SetBearingText(std::string text) { SetText(PanelField::BearingText, std::move(text)); }
    void SetIndicator(AntennaKind kind, int value) { SetFlag(IndicatorField(kind), value); }
    void SetAutoSwitch(int value) { SetFlag(PanelField::AutoSwitch, value); }
    void SetAutoRotate(int value) { SetFlag(PanelField::AutoRotate, value); }

    // Actions.
    void SwitchAntenna();
    void RotateBeam();
    void RunAutoActions();
    void HandleCommandText();

    const std::string& FrequencyText() const { return Text(PanelField::FrequencyText); }
    const std::string& AzimuthText() const { return Text(PanelField::AzimuthText); }
    const std::string& CommandText() const { return Text(PanelField::CommandText); }
    const std::string& BearingText() const { return Text(PanelField::BearingText); }
    int Indicator(AntennaKind kind) const { return Flag(IndicatorField(kind)); }
    int AutoSwitch() const { return Flag(PanelField::AutoSwitch); }
    int AutoRotate() const { return Flag(PanelField::AutoRotate); }

    // Access by field, for code that treats every field alike; the named entry points above are
    // these. A write stores, tells the observer, then runs what that field sets off: the auto
    // actions for the frequency and azimuth, the command-word dispatch for the command.
    const std::string& Text(PanelField field) const;  // an empty text for a flag field
    void SetText(PanelField field, std::string text); // ignored for a flag field
    int Flag(PanelField field) const;                 // 0 for a text field
    void SetFlag(PanelField field, int value);        // ignored for a text field

private:
    void SelectAntenna(AntennaKind kind);
    void Notify(PanelField field) const;

    std::array<std::string, kTextFieldCount> texts_;
    std::array<bool, kPanelFieldCount - kTextFieldCount> flags_{};
    Observer observer_;
};

} // namespace veskor
