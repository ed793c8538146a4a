// The station panel: the program's one object of state. It holds the texts, indicators and auto
// flags the window shows, runs the switch and rotate actions, and tells one observer of every
// write. Texts are UTF-8 and stored exactly as written.
#pragma once

#include "rules.h"

#include <array>
#include <functional>
#include <string>

namespace veskor {

// Every field of the panel, so an observer can refresh only what was written.
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

// The indicator field that shows an antenna.
PanelField IndicatorField(AntennaKind kind);

// True for the four text fields (frequency, azimuth, command, bearing); the others hold 0 or 1.
bool IsTextField(PanelField field);

class StationPanel {
public:
    // Called after every write, with the field written, before any trigger of that write runs.
    using Observer = std::function<void(PanelField)>;

    StationPanel();

    // One observer at a time; an empty function detaches it.
    void SetObserver(Observer observer);

    // The three linked texts: written by the host link and by the operator's edits.
    void SetFrequencyText(std::string text); // then RunAutoActions
    void SetAzimuthText(std::string text);   // then RunAutoActions
    void SetCommandText(std::string text);   // then HandleCommandText

    // Operator edits and ticks that only store. Any value other than 0 is stored as 1.
    void SetBearingText(std::string text);
    void SetIndicator(AntennaKind kind, int value);
    void SetAutoSwitch(int value);
    void SetAutoRotate(int value);

    // Actions.
    void SwitchAntenna();
    void RotateBeam();
    void RunAutoActions();
    void HandleCommandText();

    const std::string& FrequencyText() const { return frequencyText_; }
    const std::string& AzimuthText() const { return azimuthText_; }
    const std::string& CommandText() const { return commandText_; }
    const std::string& BearingText() const { return bearingText_; }
    int Indicator(AntennaKind kind) const;
    int AutoSwitch() const { return autoSwitch_; }
    int AutoRotate() const { return autoRotate_; }

    // Field-indexed access, for code that treats every field alike. Each write goes through the
    // named setter of that field, so its trigger runs exactly as for the named call.
    const std::string& Text(PanelField field) const;  // an empty text for a flag field
    void SetText(PanelField field, std::string text); // ignored for a flag field
    int Flag(PanelField field) const;                 // 0 for a text field
    // Ignored for a text field (indicators via SetIndicator, auto flags via SetAutoSwitch and
    // SetAutoRotate).
    void SetFlag(PanelField field, int value);

private:
    void SelectAntenna(AntennaKind kind);
    void Notify(PanelField field) const;

    std::string frequencyText_;
    std::string azimuthText_;
    std::string commandText_;
    std::string bearingText_;
    std::array<int, 4> indicators_{};
    int autoSwitch_ = 0;
    int autoRotate_ = 0;
    Observer observer_;
};

} // namespace veskor
