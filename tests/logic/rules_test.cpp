// The antenna and bearing rules: band rows and their edges, the 80 m sectors, the bearing choice.
#include "rules.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

namespace veskor {
namespace {

using namespace std::literals;
using enum AntennaKind;

constexpr double kInfinity = std::numeric_limits<double>::infinity();

// A text that reads back as exactly this double.
std::string Exactly(double value) {
    char text[40];
    std::snprintf(text, sizeof text, "%.17g", value);
    return text;
}

struct AntennaCase {
    std::string frequency, azimuth;
    AntennaKind expected;
};

void ExpectAntennas(const std::vector<AntennaCase>& table) {
    for (const AntennaCase& row : table) {
        SCOPED_TRACE(testing::PrintToString(row.frequency) + " kHz, azimuth " +
                     testing::PrintToString(row.azimuth));
        EXPECT_EQ(ChooseAntenna(row.frequency, row.azimuth), row.expected);
    }
}

// Each row's edges, the doubles either side of them, and its middle; azimuth 10 gives the
// north/south dipole inside the 80 m row.
TEST(ChooseAntenna, BandEdgesAreInclusive) {
    std::vector<AntennaCase> table;
    for (const auto& [lowest, highest, inside] : {std::tuple{3500.0, 3800.0, DipoleNS},
                                                  {14000.0, 14500.0, Beam},
                                                  {21000.0, 21500.0, Beam},
                                                  {28000.0, 30000.0, Beam}}) {
        for (double in : {lowest, highest, (lowest + highest) / 2,
                          std::nextafter(lowest, kInfinity), std::nextafter(highest, 0.0)}) {
            table.push_back({Exactly(in), "10", inside});
        }
        table.push_back({Exactly(std::nextafter(lowest, 0.0)), "10", LongWire});
        table.push_back({Exactly(std::nextafter(highest, kInfinity)), "10", LongWire});
    }
    ExpectAntennas(table);
}

TEST(ChooseAntenna, FrequencyAndAzimuthTexts) {
    // clang-format off
    std::vector<AntennaCase> table{
        // Frequency texts read like any number; the azimuth picks the dipole at both 80 m edges.
        {"14 100", "", Beam}, {"1.41e4", "", Beam}, {"&H36B0", "", Beam}, {"&O33260", "", Beam},
        {"14100 kHz", "", Beam}, {"14100\r\n", "", Beam}, {"2.8e+4", "", Beam},
        {"3.6E3", "90", DipoleEW}, {"+3600.", "90", DipoleEW}, {"3500", "90", DipoleEW},
        {"3800", "270", DipoleEW},
    };
    // Outside every row, or reading outside every row.
    for (const char* frequency : {"", "abc", "0", "7050", "18100", "24900", "50100", "-14100",
                                  "-3600", "1e999", "-1e999", "3,500", "\r3600", "3.5"}) {
        table.push_back({frequency, "10", LongWire});
    }
    // Azimuth texts inside the 80 m row.
    for (const auto& [azimuth, expected] : {
             std::pair{"0", DipoleNS}, {"44.9", DipoleNS}, {"315.1", DipoleNS}, {"360", DipoleNS},
             {"720", DipoleNS}, {"-90", DipoleNS}, {"", DipoleNS}, {"north", DipoleNS},
             {"1e999", DipoleNS}, {"-1e999", DipoleNS}, {"45", DipoleEW}, {"135", DipoleEW},
             {"225", DipoleEW}, {"315", DipoleEW}, {"135.5", DipoleNS}, {"224.9", DipoleNS},
             {"9 0", DipoleEW}, {"90,5", DipoleEW}, {"&H5A", DipoleEW}, {"&HB4", DipoleNS},
             {"4.5e1", DipoleEW}, {"45e", DipoleEW}, {"270\r", DipoleEW}}) {
        table.push_back({"3650", azimuth, expected});
    }
    // clang-format on
    ExpectAntennas(table);
}

TEST(ChooseAntenna, AzimuthMattersOnlyOnEightyMetres) {
    for (const char* frequency : {"14100", "21200", "29000", "7000", "", "abc"}) {
        const AntennaKind withNorth = ChooseAntenna(frequency, "0");
        for (const char* azimuth : {"", "90", "180", "270", "word", "-5", "1e999"}) {
            SCOPED_TRACE(std::string(frequency) + " kHz, azimuth " + azimuth);
            EXPECT_EQ(ChooseAntenna(frequency, azimuth), withNorth);
        }
    }
}

TEST(ChooseLowBandDipole, SectorBoundsAreStrict) {
    const auto below = [](double x) { return std::nextafter(x, 0.0); };
    const auto above = [](double x) { return std::nextafter(x, kInfinity); };
    // clang-format off
    const std::pair<double, AntennaKind> table[]{
        {-kInfinity, DipoleNS}, {-720, DipoleNS}, {-0.0, DipoleNS}, {below(45), DipoleNS},
        {45, DipoleEW}, {above(45), DipoleEW}, {90, DipoleEW}, {below(135), DipoleEW},
        {135, DipoleEW}, {above(135), DipoleNS}, {180, DipoleNS}, {below(225), DipoleNS},
        {225, DipoleEW}, {above(225), DipoleEW}, {270, DipoleEW}, {below(315), DipoleEW},
        {315, DipoleEW}, {above(315), DipoleNS}, {360, DipoleNS}, {kInfinity, DipoleNS},
        {495, DipoleNS}, // 135 beyond a full turn: not reduced, so still above 315
    };
    // clang-format on
    for (const auto& [azimuth, expected] : table) {
        EXPECT_EQ(ChooseLowBandDipole(azimuth), expected) << Exactly(azimuth);
    }
}

TEST(ChooseBearing, CopiesTheAzimuthTextWhenTheBeamIsOn) {
    // clang-format off
    const struct {
        bool beamOn;
        std::string_view azimuth;
        std::optional<std::string> expected;
    } table[]{
        {false, "275", std::nullopt}, {false, " ", std::nullopt}, {true, "", std::nullopt},
        {true, " ", " "}, {true, "275", "275"}, {true, "275abc", "275abc"},
        {true, " 27 5\r\n", " 27 5\r\n"}, {true, "\r", "\r"},
        {true, "2\0007"sv, std::string("2\0007"sv)}, {true, "\xFF\xC3", "\xFF\xC3"},
    };
    // clang-format on
    for (const auto& row : table) {
        EXPECT_EQ(ChooseBearing(row.beamOn, row.azimuth), row.expected)
            << testing::PrintToString(std::string(row.azimuth)) << (row.beamOn ? " on" : " off");
    }
}

} // namespace
} // namespace veskor
