// The station panel: initial state, and what each write sets off, told by its observer's log.
#include "station_panel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace veskor {
namespace {

using namespace std::literals;
using enum AntennaKind;

// One letter per field, in PanelField order. A text is logged as "f=14100", a flag as "B1".
constexpr std::string_view kLetters = "facbNEBLSR";

// The named setters of the texts, in PanelField order.
constexpr void (StationPanel::*kTextSetters[])(std::string){
    &StationPanel::SetFrequencyText, &StationPanel::SetAzimuthText, &StationPanel::SetCommandText,
    &StationPanel::SetBearingText};

// Runs a script of steps parted by ", " and returns the log, which "|" starts (or restarts with
// a new observer) and "-" stops: "f=3600" or "B1" is that field's named write, "#f=3600" or "#B1"
// the write by field (both SetText and SetFlag, one of which must be ignored), "Switch!" and
// "Rotate!" the actions.
std::string LogOf(std::string_view script) {
    StationPanel panel;
    std::string log;
    while (!script.empty()) {
        const std::size_t end = std::min(script.find(", "), script.size());
        std::string_view step = script.substr(0, end);
        script.remove_prefix(std::min(end + 2, script.size()));
        const bool byField = step.starts_with('#');
        step.remove_prefix(byField ? 1 : 0);
        const std::size_t i = kLetters.find(step.front());
        const auto field = static_cast<PanelField>(i);
        const std::string value(step.substr(i < 4 ? 2 : 1));
        if (step == "|" || step == "-") {
            panel.SetObserver(step == "-" ? StationPanel::Observer{} : [&](PanelField f) {
                const char letter = kLetters[static_cast<std::size_t>(f)];
                log += ", "s + letter +
                       (IsTextField(f) ? "=" + panel.Text(f) : std::to_string(panel.Flag(f)));
            });
        } else if (step == "Switch!" || step == "Rotate!") {
            step == "Switch!" ? panel.SwitchAntenna() : panel.RotateBeam();
        } else if (byField) {
            panel.SetText(field, value);
            panel.SetFlag(field, std::atoi(value.c_str()));
        } else if (i < 4) {
            (panel.*kTextSetters[i])(value);
        } else if (i < 8) {
            panel.SetIndicator(static_cast<AntennaKind>(i - 4), std::stoi(value));
        } else {
            (i == 8 ? panel.SetAutoSwitch(std::stoi(value))
                    : panel.SetAutoRotate(std::stoi(value)));
        }
    }
    return log.substr(std::min<std::size_t>(2, log.size()));
}

// Also one index beyond the last field, which reads as nothing and takes no write.
TEST(StationPanel, StartsWithItsInitialValues) {
    StationPanel panel;
    int told = 0;
    panel.SetObserver([&](PanelField) { ++told; });
    panel.SetText(PanelField(10), "x");
    panel.SetFlag(PanelField(10), 1);
    std::string state; // Text and Flag of each field: "" for a flag, 0 for a text
    for (int field = 0; field <= 10; ++field) {
        state +=
            panel.Text(PanelField(field)) + "/" + std::to_string(panel.Flag(PanelField(field)));
    }
    EXPECT_EQ(state, "14100/010/0/00/0/0/0/0/0/0/0/0");
    EXPECT_EQ(told, 0);
}

TEST(StationPanel, WritesAndWhatTheySetOff) {
    const std::string beam = "N0, E0, B1, L0", longWire = "N0, E0, B0, L1", odd = "4 1\r\t\xFF\0x"s;
    std::vector<std::pair<std::string, std::string>> table{
        // clang-format off
        // The auto flags: switch, then rotate, after each frequency or azimuth write, even of
        // the text already held; ticks, flags and the bearing set nothing off.
        {"|, f=3600, a=90", "f=3600, a=90"},
        {"S1, a=275, |, f=14100", "f=14100, " + beam},
        {"S1, S0, |, f=3600", "f=3600"},
        {"a=300, S1, R1, |, f=21000, a=301, f=5000",
         "f=21000, " + beam + ", b=300, a=301, " + beam + ", b=301, f=5000, " + longWire},
        {"f=3600, S1, R1, |, a=60, a=180", "a=60, N0, E1, B0, L0, a=180, N1, E0, B0, L0"},
        {"S1, |, f=350, f=3500", "f=350, " + longWire + ", f=3500, N1, E0, B0, L0"},
        {"R1, |, a=100, B1, a=123, a=123, f=3600",
         "a=100, B1, a=123, b=123, a=123, b=123, f=3600, b=123"},
        {"S1, R1, a=5, |, B1, b=42, S0, R1", "B1, b=42, S0, R1"},
        {"|, N2, L-1, S-7, R9", "N1, L1, S1, R1"},
        // The actions and the command words; a command word acts each time it is written.
        {"N1, E1, B1, L1, f=, |, Switch!, Switch!", longWire + ", " + longWire},
        {"B1, a=77x, |, Rotate!, a=, Rotate!, a= , Rotate!", "b=77x, a=, a= , b= "},
        {"N1, L1, a=9, |, Rotate!", ""},
        {"a=275, |, c=ROTATE, c=SWITCH, c=SWITCH, c=ROTATE",
         "c=ROTATE, c=SWITCH, " + beam + ", c=SWITCH, " + beam + ", c=ROTATE, b=275"},
        // The observer hears every write once, until it is replaced or removed.
        {"|, b=1, |, b=2, -, b=3, Switch!", "b=1, b=2"},
        // Texts are stored, and the azimuth copied, exactly as written.
        {"B1, |, f=" + odd + ", c=" + odd + ", b=" + odd + ", a=" + odd + ", Rotate!",
         "f=" + odd + ", c=" + odd + ", b=" + odd + ", a=" + odd + ", b=" + odd},
        // Writes by field go through the named setters, triggers included.
        {"S1, R1, a=275, |, #f=3600, #a=10, #c=SWITCH, #b=7, #S0, #B2, #N0, #E1, #L1, #R1, "
         "#f=14100",
         "f=3600, N0, E1, B0, L0, a=10, N1, E0, B0, L0, c=SWITCH, N1, E0, B0, L0, b=7, S0, B1, "
         "N0, E1, L1, R1, f=14100, b=10"},
        // clang-format on
    };
    // With all four ticked and an azimuth set, a switch or a rotate would show in the log.
    for (std::string_view word :
         {"switch"sv, "SWITCH "sv, " SWITCH"sv, "SWITCH\r\n"sv, "SWITCH\0"sv, "SWITC"sv,
          "SWITCHED"sv, "Rotate"sv, "ROTATE\n"sv, "\0ROTATE"sv, "\xEF\xBB\xBFSWITCH"sv, ""sv}) {
        table.emplace_back("N1, E1, B1, L1, a=275, |, c=" + std::string(word),
                           "c=" + std::string(word));
    }
    for (const auto& [script, log] : table) {
        EXPECT_EQ(LogOf(script), log) << testing::PrintToString(script);
    }
}

} // namespace
} // namespace veskor
