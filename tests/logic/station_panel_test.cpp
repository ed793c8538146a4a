// The station panel: initial state, what each write sets off, the command words, and what its
// observer is told and when.
#include "station_panel.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace veskor {
namespace {

using namespace std::literals;
using enum AntennaKind;

// Each field's name and its value as text, for the observer's log.
std::string Flag(int value) {
    return std::to_string(value);
}
struct FieldText {
    PanelField field;
    const char* name;
    std::string (*value)(const StationPanel&);
};
constexpr FieldText kFieldTexts[]{
    {PanelField::FrequencyText, "FrequencyText", [](auto& p) { return p.FrequencyText(); }},
    {PanelField::AzimuthText, "AzimuthText", [](auto& p) { return p.AzimuthText(); }},
    {PanelField::CommandText, "CommandText", [](auto& p) { return p.CommandText(); }},
    {PanelField::BearingText, "BearingText", [](auto& p) { return p.BearingText(); }},
    {PanelField::IndicatorDipoleNS, "DipoleNS",
     [](auto& p) { return Flag(p.Indicator(DipoleNS)); }},
    {PanelField::IndicatorDipoleEW, "DipoleEW",
     [](auto& p) { return Flag(p.Indicator(DipoleEW)); }},
    {PanelField::IndicatorBeam, "Beam", [](auto& p) { return Flag(p.Indicator(Beam)); }},
    {PanelField::IndicatorLongWire, "LongWire",
     [](auto& p) { return Flag(p.Indicator(LongWire)); }},
    {PanelField::AutoSwitch, "AutoSwitch", [](auto& p) { return Flag(p.AutoSwitch()); }},
    {PanelField::AutoRotate, "AutoRotate", [](auto& p) { return Flag(p.AutoRotate()); }},
};

std::string Describe(const StationPanel& panel, PanelField field) {
    for (const FieldText& row : kFieldTexts) {
        if (row.field == field) {
            return row.name + "="s + row.value(panel);
        }
    }
    return "unknown field";
}

// The four indicators in write order, as "0010" for the beam alone.
std::string Indicators(const StationPanel& panel) {
    std::string ticks;
    for (AntennaKind kind : {DipoleNS, DipoleEW, Beam, LongWire}) {
        ticks += std::to_string(panel.Indicator(kind));
    }
    return ticks;
}

using Step = std::function<void(StationPanel&)>;

Step Frequency(std::string text) {
    return [text](StationPanel& panel) { panel.SetFrequencyText(text); };
}
Step Azimuth(std::string text) {
    return [text](StationPanel& panel) { panel.SetAzimuthText(text); };
}
Step Command(std::string text) {
    return [text](StationPanel& panel) { panel.SetCommandText(text); };
}
Step Bearing(std::string text) {
    return [text](StationPanel& panel) { panel.SetBearingText(text); };
}
Step Tick(AntennaKind kind, int value) {
    return [kind, value](StationPanel& panel) { panel.SetIndicator(kind, value); };
}
Step TickAll() {
    return [](StationPanel& panel) {
        for (AntennaKind kind : {DipoleNS, DipoleEW, Beam, LongWire}) {
            panel.SetIndicator(kind, 1);
        }
    };
}
Step AutoSwitch(int value) {
    return [value](StationPanel& panel) { panel.SetAutoSwitch(value); };
}
Step AutoRotate(int value) {
    return [value](StationPanel& panel) { panel.SetAutoRotate(value); };
}
Step PressSwitch() {
    return [](StationPanel& panel) { panel.SwitchAntenna(); };
}
Step PressRotate() {
    return [](StationPanel& panel) { panel.RotateBeam(); };
}
// Checks the indicators and the bearing at this point of a scenario.
Step Expect(std::string indicators, std::string bearing) {
    return [indicators, bearing](StationPanel& panel) {
        EXPECT_EQ(Indicators(panel), indicators);
        EXPECT_EQ(panel.BearingText(), bearing);
    };
}

void RunSteps(StationPanel& panel, const std::vector<Step>& steps) {
    for (std::size_t i = 0; i < steps.size(); ++i) {
        SCOPED_TRACE("step " + std::to_string(i + 1));
        steps[i](panel);
    }
}

TEST(StationPanel, StartsWithItsInitialValues) {
    const StationPanel panel;
    EXPECT_EQ(panel.FrequencyText(), "14100");
    EXPECT_EQ(panel.AzimuthText(), "10");
    EXPECT_EQ(panel.CommandText(), "");
    EXPECT_EQ(panel.BearingText(), "0");
    EXPECT_EQ(Indicators(panel), "0000");
    EXPECT_EQ(panel.AutoSwitch(), 0);
    EXPECT_EQ(panel.AutoRotate(), 0);
}

struct Scenario {
    std::string_view name;
    std::vector<Step> steps;
};

TEST(StationPanel, Scenarios) {
    const std::vector<Scenario> scenarios{
        {"both auto flags off: frequency and azimuth changes only store",
         {Frequency("3600"), Azimuth("90"), Frequency("21000"), Expect("0000", "0")}},
        {"auto switch alone ticks the beam and leaves the bearing",
         {AutoSwitch(1), Frequency("14100"), Expect("0010", "0")}},
        {"both auto flags: into a beam row, a new azimuth, then out of every row",
         {Azimuth("300"), AutoSwitch(1), AutoRotate(1), Expect("0000", "0"), Frequency("21000"),
          Expect("0010", "300"), Azimuth("301"), Expect("0010", "301"), Frequency("5000"),
          Expect("0001", "301")}},
        {"both auto flags on 80 m: the azimuth moves the dipole, the bearing stays",
         {Azimuth("30"), AutoSwitch(1), AutoRotate(1), Frequency("3600"), Expect("1000", "0"),
          Azimuth("60"), Expect("0100", "0"), Azimuth("180"), Expect("1000", "0")}},
        {"auto rotate alone uses the beam ticked by hand",
         {AutoRotate(1), Azimuth("100"), Expect("0000", "0"), Tick(Beam, 1), Expect("0010", "0"),
          Azimuth("123"), Expect("0010", "123"), Frequency("3600"), Expect("0010", "123")}},
        {"rotate with the beam on and an empty azimuth keeps the bearing",
         {Tick(Beam, 1), Azimuth("77"), PressRotate(), Expect("0010", "77"), Azimuth(""),
          PressRotate(), Expect("0010", "77"), Azimuth(" "), PressRotate(), Expect("0010", " ")}},
        {"rotate with the beam off writes nothing, whatever else is ticked",
         {Tick(DipoleNS, 1), Tick(LongWire, 1), Azimuth("275"), PressRotate(),
          Expect("1001", "0")}},
        {"SWITCH then ROTATE: beam ticked, then the bearing follows",
         {Azimuth("275"), Command("SWITCH"), Expect("0010", "0"), Command("ROTATE"),
          Expect("0010", "275")}},
        {"ROTATE then SWITCH: the beam was off, so the bearing stays",
         {Azimuth("275"), Command("ROTATE"), Expect("0000", "0"), Command("SWITCH"),
          Expect("0010", "0")}},
        {"Switch! with an empty frequency ticks only the long wire",
         {TickAll(), Frequency(""), PressSwitch(), Expect("0001", "0")}},
        {"one switch after all four are ticked leaves exactly one",
         {TickAll(), Expect("1111", "0"), PressSwitch(), Expect("0010", "0")}},
        {"typing 3500 with auto switch: the long wire until the last digit",
         {AutoSwitch(1), Frequency(""), Expect("0001", "0"), Frequency("3"), Frequency("35"),
          Frequency("350"), Expect("0001", "0"), Frequency("3500"), Expect("1000", "0")}},
        {"a re-sent frequency runs the auto actions again",
         {AutoSwitch(1), Frequency("14100"), Tick(Beam, 0), Tick(DipoleEW, 1), Expect("0100", "0"),
          Frequency("14100"), Expect("0010", "0")}},
        {"a re-sent azimuth runs the auto actions again",
         {AutoRotate(1), Tick(Beam, 1), Azimuth("200"), Bearing("5"), Azimuth("200"),
          Expect("0010", "200")}},
        {"a re-sent command word acts again",
         {Command("SWITCH"), Tick(Beam, 0), Tick(LongWire, 1), Expect("0001", "0"),
          Command("SWITCH"), Expect("0010", "0"), Tick(Beam, 1), Command("ROTATE"), Bearing("1"),
          Command("ROTATE"), Expect("0010", "10")}},
        {"ticks, flags and the bearing box set nothing off",
         {AutoSwitch(1), AutoRotate(1), Expect("0000", "0"), Tick(Beam, 1), Expect("0010", "0"),
          Bearing("42"), Expect("0010", "42"), AutoSwitch(0), Expect("0010", "42")}},
        {"an auto flag turned off stops acting",
         {AutoSwitch(1), Frequency("14100"), AutoSwitch(0), Frequency("3600"),
          Expect("0010", "0")}},
        {"any non-zero value is stored as on",
         {Tick(DipoleNS, 2), Tick(DipoleEW, -1), Tick(LongWire, 255), Expect("1101", "0"),
          AutoSwitch(-7), AutoRotate(9), Frequency("28500"), Expect("0010", "10")}},
        {"a command text not equal to a word runs nothing, and the next word still acts",
         {Command("switch"), Expect("0000", "0"), Command("SWITCH"), Expect("0010", "0")}}};
    for (const Scenario& scenario : scenarios) {
        SCOPED_TRACE(scenario.name);
        StationPanel panel;
        RunSteps(panel, scenario.steps);
    }
}

// Every near miss of a command word is ignored: with all four ticked by hand and an azimuth set,
// a switch would leave one ticked and a rotate would change the bearing.
TEST(StationPanel, CommandWordsMatchExactlyToTheByte) {
    // clang-format off
    constexpr std::string_view nearMisses[]{
        "switch", "Switch", "SWITCH ", " SWITCH", "SWITCH\r", "SWITCH\n", "SWITCH\r\n",
        "SWITCH\0"sv, "\0SWITCH"sv, "SWITCHED", "SWITC", "S WITCH", "SWITCH\t", "rotate", "Rotate",
        "ROTATE ", "ROTATE\r\n", "ROTATE\0"sv, "\xEF\xBB\xBF" "SWITCH", "SWITCHROTATE",
        "ROTATESWITCH", "", " ",
    };
    // clang-format on
    for (std::string_view word : nearMisses) {
        SCOPED_TRACE(testing::PrintToString(std::string(word)));
        StationPanel panel;
        RunSteps(panel, {TickAll(), Azimuth("275"), Command(std::string(word))});
        EXPECT_EQ(panel.CommandText(), word);
        EXPECT_EQ(Indicators(panel), "1111");
        EXPECT_EQ(panel.BearingText(), "0");
    }
}

TEST(StationPanel, TextsAreStoredExactlyAsWritten) {
    StationPanel panel;
    const std::string odd = " 14 100\r\n\t\xFF\0x"s;
    panel.SetFrequencyText(odd);
    panel.SetAzimuthText(odd);
    panel.SetCommandText(odd);
    panel.SetBearingText(odd);
    EXPECT_EQ(panel.FrequencyText(), odd);
    EXPECT_EQ(panel.AzimuthText(), odd);
    EXPECT_EQ(panel.CommandText(), odd);
    EXPECT_EQ(panel.BearingText(), odd);
}

// Records each notification with the value the field held at that moment.
class Recorder {
public:
    explicit Recorder(StationPanel& panel) {
        panel.SetObserver(
            [this, &panel](PanelField field) { log_.push_back(Describe(panel, field)); });
    }
    const std::vector<std::string>& Log() const { return log_; }

private:
    std::vector<std::string> log_;
};

struct Notifications {
    std::string_view name;
    std::vector<Step> setup; // before the observer is attached
    Step action;
    std::vector<std::string> expected;
};

TEST(StationPanel, ObserverIsToldOfEveryWriteInOrder) {
    const std::vector<std::string> switchedToBeam{"DipoleNS=0", "DipoleEW=0", "Beam=1",
                                                  "LongWire=0"};
    const auto then = [](std::string first, std::vector<std::string> rest) {
        rest.insert(rest.begin(), std::move(first));
        return rest;
    };
    const std::vector<Notifications> table{
        {"a frequency with both flags on: stored and told, then switch, then rotate",
         {AutoSwitch(1), AutoRotate(1), Azimuth("275")},
         Frequency("14100"),
         {"FrequencyText=14100", "DipoleNS=0", "DipoleEW=0", "Beam=1", "LongWire=0",
          "BearingText=275"}},
        {"an azimuth on 80 m moves the dipole; the beam is off, so no bearing",
         {Frequency("3600"), AutoSwitch(1), AutoRotate(1)},
         Azimuth("60"),
         {"AzimuthText=60", "DipoleNS=0", "DipoleEW=1", "Beam=0", "LongWire=0"}},
        {"a frequency with both flags off", {}, Frequency("3600"), {"FrequencyText=3600"}},
        {"an azimuth with both flags off", {}, Azimuth("90"), {"AzimuthText=90"}},
        {"the same frequency again re-runs the switch",
         {AutoSwitch(1), PressSwitch()},
         Frequency("14100"),
         then("FrequencyText=14100", switchedToBeam)},
        {"SWITCH writes all four indicators",
         {},
         Command("SWITCH"),
         then("CommandText=SWITCH", switchedToBeam)},
        {"Switch! writes all four even when none changes",
         {PressSwitch()},
         PressSwitch(),
         switchedToBeam},
        {"ROTATE with the beam on",
         {Tick(Beam, 1)},
         Command("ROTATE"),
         {"CommandText=ROTATE", "BearingText=10"}},
        {"ROTATE with the beam off", {}, Command("ROTATE"), {"CommandText=ROTATE"}},
        {"a near miss of a word", {}, Command("SWITCH "), {"CommandText=SWITCH "}},
        {"Rotate! with the beam off writes nothing", {}, PressRotate(), {}},
        {"Rotate! with an empty azimuth writes nothing",
         {Tick(Beam, 1), Azimuth("")},
         PressRotate(),
         {}},
        {"the bearing box", {}, Bearing("123"), {"BearingText=123"}},
        {"the bearing box, same value", {}, Bearing("0"), {"BearingText=0"}},
        {"a tick with auto rotate on", {AutoRotate(1)}, Tick(Beam, 1), {"Beam=1"}},
        {"an untick", {Tick(LongWire, 1)}, Tick(LongWire, 0), {"LongWire=0"}},
        {"a tick of 2 is stored as 1", {}, Tick(DipoleEW, 2), {"DipoleEW=1"}},
        {"auto switch", {}, AutoSwitch(1), {"AutoSwitch=1"}},
        {"auto rotate, any non-zero", {}, AutoRotate(-1), {"AutoRotate=1"}},
        {"auto switch off, already off", {}, AutoSwitch(0), {"AutoSwitch=0"}},
        {"typing 3, 5 with auto switch",
         {AutoSwitch(1), Frequency("")},
         [](StationPanel& panel) {
             panel.SetFrequencyText("3");
             panel.SetFrequencyText("35");
         },
         {"FrequencyText=3", "DipoleNS=0", "DipoleEW=0", "Beam=0", "LongWire=1", "FrequencyText=35",
          "DipoleNS=0", "DipoleEW=0", "Beam=0", "LongWire=1"}}};
    for (const Notifications& row : table) {
        SCOPED_TRACE(row.name);
        StationPanel panel;
        RunSteps(panel, row.setup);
        const Recorder recorder(panel);
        row.action(panel);
        EXPECT_EQ(recorder.Log(), row.expected);
    }
}

// The observer of a linked text sees the panel before the trigger has run: old indicators,
// old bearing, new text.
TEST(StationPanel, ObserverRunsBeforeTheTrigger) {
    StationPanel panel;
    panel.SetAzimuthText("275");
    panel.SetAutoSwitch(1);
    panel.SetAutoRotate(1);
    std::string seen;
    panel.SetObserver([&](PanelField field) {
        if (field == PanelField::FrequencyText) {
            seen = panel.FrequencyText() + " " + Indicators(panel) + " " + panel.BearingText();
        }
    });
    panel.SetFrequencyText("14100");
    EXPECT_EQ(seen, "14100 0000 0");
    EXPECT_EQ(Indicators(panel) + " " + panel.BearingText(), "0010 275");
}

TEST(StationPanel, ObserverCanBeReplacedAndDetached) {
    StationPanel panel;
    int first = 0;
    int second = 0;
    panel.SetObserver([&](PanelField) { ++first; });
    panel.SetBearingText("1");
    panel.SetObserver([&](PanelField) { ++second; });
    panel.SetBearingText("2");
    panel.SetObserver({});
    panel.SetBearingText("3");
    panel.SwitchAntenna();
    EXPECT_EQ(first, 1);
    EXPECT_EQ(second, 1);
    EXPECT_EQ(panel.BearingText(), "3");
}

} // namespace
} // namespace veskor
