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

// A field's name and value as "Beam=1", for the observer's log.
std::string Describe(const StationPanel& p, PanelField field) {
    constexpr const char* kNames[]{"FrequencyText", "AzimuthText", "CommandText", "BearingText",
                                   "DipoleNS",      "DipoleEW",    "Beam",        "LongWire",
                                   "AutoSwitch",    "AutoRotate"};
    const std::string texts[]{p.FrequencyText(), p.AzimuthText(), p.CommandText(), p.BearingText()};
    const int flags[]{p.Indicator(DipoleNS), p.Indicator(DipoleEW), p.Indicator(Beam),
                      p.Indicator(LongWire), p.AutoSwitch(),        p.AutoRotate()};
    const auto i = static_cast<std::size_t>(field);
    return kNames[i] + "="s + (i < 4 ? texts[i] : std::to_string(flags[i - 4]));
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
// clang-format off
Step Frequency(std::string t) { return [t](StationPanel& p) { p.SetFrequencyText(t); }; }
Step Azimuth(std::string t) { return [t](StationPanel& p) { p.SetAzimuthText(t); }; }
Step Command(std::string t) { return [t](StationPanel& p) { p.SetCommandText(t); }; }
Step Bearing(std::string t) { return [t](StationPanel& p) { p.SetBearingText(t); }; }
Step Tick(AntennaKind kind, int v) { return [=](StationPanel& p) { p.SetIndicator(kind, v); }; }
Step AutoSwitch(int v) { return [v](StationPanel& p) { p.SetAutoSwitch(v); }; }
Step AutoRotate(int v) { return [v](StationPanel& p) { p.SetAutoRotate(v); }; }
const Step kSwitch = [](StationPanel& p) { p.SwitchAntenna(); };
const Step kRotate = [](StationPanel& p) { p.RotateBeam(); };
// clang-format on
const Step kTickAll = [](StationPanel& p) {
    for (AntennaKind kind : {DipoleNS, DipoleEW, Beam, LongWire}) {
        p.SetIndicator(kind, 1);
    }
};
// Checks the indicators and the bearing at this point of a scenario.
Step Expect(std::string ticks, std::string bearing) {
    return [=](StationPanel& p) {
        EXPECT_EQ(Indicators(p) + " " + p.BearingText(), ticks + " " + bearing);
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
    std::string state;
    for (int field = 0; field < 10; ++field) {
        state += Describe(panel, PanelField(field)) + " ";
    }
    EXPECT_EQ(state, "FrequencyText=14100 AzimuthText=10 CommandText= BearingText=0 DipoleNS=0 "
                     "DipoleEW=0 Beam=0 LongWire=0 AutoSwitch=0 AutoRotate=0 ");
}

TEST(StationPanel, Scenarios) {
    const struct {
        std::string_view name;
        std::vector<Step> steps;
    } scenarios[]{
        {"auto flags off: frequency and azimuth only store",
         {Frequency("3600"), Azimuth("90"), Frequency("21000"), Expect("0000", "0")}},
        {"auto switch alone ticks the beam, leaves the bearing, and stops when turned off",
         {AutoSwitch(1), Frequency("14100"), Expect("0010", "0"), AutoSwitch(0), Frequency("3600"),
          Expect("0010", "0")}},
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
        {"rotate with the beam on: an empty azimuth keeps the bearing, a blank is copied",
         {Tick(Beam, 1), Azimuth("77"), kRotate, Expect("0010", "77"), Azimuth(""), kRotate,
          Expect("0010", "77"), Azimuth(" "), kRotate, Expect("0010", " ")}},
        {"rotate with the beam off writes nothing, whatever else is ticked",
         {Tick(DipoleNS, 1), Tick(LongWire, 1), Azimuth("275"), kRotate, Expect("1001", "0")}},
        {"ROTATE with the beam off does nothing; SWITCH ticks the beam, then ROTATE copies",
         {Azimuth("275"), Command("ROTATE"), Expect("0000", "0"), Command("SWITCH"),
          Expect("0010", "0"), Command("ROTATE"), Expect("0010", "275")}},
        {"Switch! from all four ticked with an empty frequency leaves only the long wire",
         {kTickAll, Frequency(""), kSwitch, Expect("0001", "0")}},
        {"typing 3500 with auto switch: the long wire until the last digit",
         {AutoSwitch(1), Frequency("350"), Expect("0001", "0"), Frequency("3500"),
          Expect("1000", "0")}},
        {"a re-sent frequency runs the auto actions again",
         {AutoSwitch(1), Frequency("14100"), Tick(Beam, 0), Tick(DipoleEW, 1), Frequency("14100"),
          Expect("0010", "0")}},
        {"a re-sent azimuth runs the auto actions again",
         {AutoRotate(1), Tick(Beam, 1), Azimuth("200"), Bearing("5"), Azimuth("200"),
          Expect("0010", "200")}},
        {"a re-sent command word acts again",
         {Command("SWITCH"), Tick(Beam, 0), Tick(LongWire, 1), Command("SWITCH"),
          Expect("0010", "0"), Command("ROTATE"), Bearing("1"), Command("ROTATE"),
          Expect("0010", "10")}},
        {"ticks, flags and the bearing box set nothing off",
         {AutoSwitch(1), AutoRotate(1), Expect("0000", "0"), Tick(Beam, 1), Bearing("42"),
          AutoSwitch(0), Expect("0010", "42")}},
        {"any non-zero value is stored as on",
         {Tick(DipoleNS, 2), Tick(DipoleEW, -1), Tick(LongWire, 255), Expect("1101", "0"),
          AutoSwitch(-7), AutoRotate(9), Frequency("28500"), Expect("0010", "10")}}};
    for (const auto& scenario : scenarios) {
        SCOPED_TRACE(scenario.name);
        StationPanel panel;
        RunSteps(panel, scenario.steps);
    }
}

// With all four ticked and an azimuth set, a switch would leave one ticked and a rotate would
// change the bearing: every near miss of a command word must do neither, and the next word acts.
TEST(StationPanel, CommandWordsMatchExactlyToTheByte) {
    // clang-format off
    constexpr std::string_view nearMisses[]{
        "switch", "Switch", "SWITCH ", " SWITCH", "SWITCH\r", "SWITCH\n", "SWITCH\r\n",
        "SWITCH\0"sv, "\0SWITCH"sv, "SWITCHED", "SWITC", "S WITCH", "SWITCH\t", "rotate", "Rotate",
        "ROTATE ", "ROTATE\r\n", "ROTATE\0"sv, "\xEF\xBB\xBF" "SWITCH", "SWITCHROTATE", "",
    };
    // clang-format on
    for (std::string_view word : nearMisses) {
        SCOPED_TRACE(testing::PrintToString(std::string(word)));
        StationPanel panel;
        RunSteps(panel,
                 {kTickAll, Azimuth("275"), Command(std::string(word)), Expect("1111", "0")});
        EXPECT_EQ(panel.CommandText(), word);
        RunSteps(panel, {Command("SWITCH"), Expect("0010", "0")});
    }
}

TEST(StationPanel, TextsAreStoredExactlyAsWritten) {
    const std::string odd = " 14 100\r\n\t\xFF\0x"s;
    StationPanel panel;
    RunSteps(panel, {Frequency(odd), Azimuth(odd), Command(odd), Bearing(odd)});
    EXPECT_EQ(panel.FrequencyText() + panel.AzimuthText() + panel.CommandText() +
                  panel.BearingText(),
              odd + odd + odd + odd);
}

TEST(StationPanel, ObserverIsToldOfEveryWriteInOrder) {
    const std::string beam = "DipoleNS=0, DipoleEW=0, Beam=1, LongWire=0";
    const struct {
        std::string_view name;
        std::vector<Step> setup; // before the observer is attached
        Step action;
        std::string expected;
    } table[]{
        // clang-format off
        {"a frequency with both flags on: stored and told, then switch, then rotate",
         {AutoSwitch(1), AutoRotate(1), Azimuth("275")}, Frequency("14100"),
         "FrequencyText=14100, " + beam + ", BearingText=275"},
        {"an azimuth on 80 m moves the dipole; the beam is off, so no bearing",
         {Frequency("3600"), AutoSwitch(1), AutoRotate(1)}, Azimuth("60"),
         "AzimuthText=60, DipoleNS=0, DipoleEW=1, Beam=0, LongWire=0"},
        {"the same frequency again", {AutoSwitch(1), kSwitch}, Frequency("14100"),
         "FrequencyText=14100, " + beam},
        {"SWITCH writes all four indicators", {}, Command("SWITCH"), "CommandText=SWITCH, " + beam},
        {"Switch! writes all four even when none changes", {kSwitch}, kSwitch, beam},
        {"ROTATE, beam on", {Tick(Beam, 1)}, Command("ROTATE"),
         "CommandText=ROTATE, BearingText=10"},
        {"ROTATE, beam off", {}, Command("ROTATE"), "CommandText=ROTATE"},
        {"a near miss of a word", {}, Command("SWITCH "), "CommandText=SWITCH "},
        {"Rotate! with the beam off", {}, kRotate, ""},
        {"Rotate! with an empty azimuth", {Tick(Beam, 1), Azimuth("")}, kRotate, ""},
        {"a frequency, flags off", {}, Frequency("3600"), "FrequencyText=3600"},
        {"an azimuth, flags off", {}, Azimuth("90"), "AzimuthText=90"},
        {"the bearing box, same value", {}, Bearing("0"), "BearingText=0"},
        {"a tick with auto rotate on", {AutoRotate(1)}, Tick(Beam, 1), "Beam=1"},
        {"an untick", {Tick(LongWire, 1)}, Tick(LongWire, 0), "LongWire=0"},
        {"a tick of 2 is stored as 1", {}, Tick(DipoleEW, 2), "DipoleEW=1"},
        {"auto switch", {}, AutoSwitch(1), "AutoSwitch=1"},
        {"auto rotate, any non-zero", {}, AutoRotate(-1), "AutoRotate=1"},
        {"auto switch off, already off", {}, AutoSwitch(0), "AutoSwitch=0"},
        // clang-format on
    };
    for (const auto& row : table) {
        SCOPED_TRACE(row.name);
        StationPanel panel;
        RunSteps(panel, row.setup);
        std::string log;
        panel.SetObserver(
            [&](PanelField field) { log += (log.empty() ? "" : ", ") + Describe(panel, field); });
        row.action(panel);
        EXPECT_EQ(log, row.expected);
    }
}

// The observer of a linked text sees the panel before the trigger has run: old indicators, old
// bearing, new text.
TEST(StationPanel, ObserverRunsBeforeTheTrigger) {
    StationPanel panel;
    RunSteps(panel, {Azimuth("275"), AutoSwitch(1), AutoRotate(1)});
    std::string seen;
    panel.SetObserver([&](PanelField field) {
        if (field == PanelField::FrequencyText) {
            seen = panel.FrequencyText() + " " + Indicators(panel) + " " + panel.BearingText();
        }
    });
    panel.SetFrequencyText("14100");
    EXPECT_EQ(seen, "14100 0000 0");
    Expect("0010", "275")(panel);
}

TEST(StationPanel, ObserverCanBeReplacedAndDetached) {
    StationPanel panel;
    int first = 0, second = 0;
    panel.SetObserver([&](PanelField) { ++first; });
    panel.SetBearingText("1");
    panel.SetObserver([&](PanelField) { ++second; });
    panel.SetBearingText("2");
    panel.SetObserver({});
    RunSteps(panel, {Bearing("3"), kSwitch});
    EXPECT_EQ(first, 1);
    EXPECT_EQ(second, 1);
    EXPECT_EQ(panel.BearingText(), "3");
}

// A write by field is the named write: same observer log, same state after its trigger. A write
// of the other kind is ignored, and a read of the other kind gives "" or 0.
TEST(StationPanel, FieldIndexedAccessIsTheNamedAccess) {
    const struct {
        PanelField field;
        Step named;
        std::string text; // for SetText, and what Text reads after the write ("" for a flag)
        int flag;         // for SetFlag, and what Flag reads after the write (0 for a text)
    } table[]{
        {PanelField::FrequencyText, Frequency("14100"), "14100", 0},
        {PanelField::AzimuthText, Azimuth("60"), "60", 0},
        {PanelField::CommandText, Command("SWITCH"), "SWITCH", 0},
        {PanelField::BearingText, Bearing("7"), "7", 0},
        {PanelField::IndicatorDipoleNS, Tick(DipoleNS, 2), "", 1},
        {PanelField::IndicatorDipoleEW, Tick(DipoleEW, -3), "", 1},
        {PanelField::IndicatorBeam, Tick(Beam, 1), "", 1},
        {PanelField::IndicatorLongWire, Tick(LongWire, 1), "", 1},
        {PanelField::AutoSwitch, AutoSwitch(0), "", 0},
        {PanelField::AutoRotate, AutoRotate(0), "", 0},
    };
    const auto after = [](PanelField field, const Step& step) {
        StationPanel panel;
        RunSteps(panel, {Frequency("3600"), Azimuth("275"), AutoSwitch(1), AutoRotate(1)});
        std::string log;
        panel.SetObserver([&](PanelField f) { log += Describe(panel, f) + ", "; });
        step(panel);
        for (int each = 0; each < 10; ++each) {
            log += " " + Describe(panel, PanelField(each));
        }
        return log + " read " + panel.Text(field) + "/" + std::to_string(panel.Flag(field));
    };
    for (const auto& row : table) {
        SCOPED_TRACE(Describe(StationPanel(), row.field));
        const bool text = !row.text.empty();
        EXPECT_EQ(IsTextField(row.field), text);
        const std::string expected = " read " + row.text + "/" + std::to_string(row.flag);
        const std::string named = after(row.field, row.named);
        EXPECT_EQ(named.substr(named.rfind(" read ")), expected);
        // Each row calls both setters; the one of the other kind must change nothing.
        EXPECT_EQ(after(row.field,
                        [&](StationPanel& p) {
                            p.SetText(row.field, text ? row.text : "SWITCH");
                            p.SetFlag(row.field, text ? 1 : row.flag);
                        }),
                  named);
    }
}

} // namespace
} // namespace veskor
